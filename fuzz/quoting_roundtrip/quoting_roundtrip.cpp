// Values that pass the quoting check, put between double quotes on a PGP
// command line and into the batch file, read back by the command
// interpreter's line parser and split by the PGP command: exactly the
// values come back, followed by the batch switch, with the output file as
// the redirection.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "pgp/pgpcommand.h"
#include "pgp/quoting.h"
#include "pgp/strutil.h"
#include "standins/commandcom/batchline.h"
#include "standins/pgp26/command.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

// Values are separated by 0xFF in the input; the last one is the output file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> values;
  for (size_t pos = 0;;) {
    size_t end = input.find('\xFF', pos);
    values.emplace_back(input.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos));
    if (end == std::string_view::npos) break;
    pos = end + 1;
  }
  const std::string output = values.back();
  values.pop_back();
  for (const auto& v : values)
    if (!pgp::QuotingProblem(v).empty()) return 0;
  // The runner always names an output file.
  if (output.empty() || !pgp::QuotingProblem(output).empty()) return 0;

  std::string arguments = pgp::MakePgpCommand("C:\\PGP") + "-kv";
  for (const auto& v : values) arguments += " " + pgp::Quoted(v);
  const auto lines = batch::splitLines(BatchFileText(arguments, output));
  Require(lines.size() == 3 && lines[0] == "@echo off" && lines[2] == "exit");
  const std::string expanded =
      batch::expandPercents(lines[1], {}, [](std::string_view) { return std::optional<std::string>("X"); });
  const batch::CommandLine line = batch::parseLine(expanded);
  Require(!line.syntaxError && !line.pipe && !line.input && !line.append);
  Require(line.output && *line.output == output);
  Require(line.program == "C:\\PGP\\PGP.EXE");

  const auto tokens = pgp26::SplitCommandLine(line.text);
  Require(tokens.size() == values.size() + 3);
  Require(tokens[0].text == "C:\\PGP\\PGP.EXE" && tokens[1].text == "-kv");
  for (size_t i = 0; i < values.size(); ++i) Require(tokens[i + 2].text == values[i] && tokens[i + 2].literal);
  Require(tokens.back().text == "+BatchMode");
  return 0;
}

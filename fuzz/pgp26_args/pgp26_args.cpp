// The PGP command's command line: split as the system quotes it and parsed
// into one operation. Whatever the line, the parse ends with an error or with
// an operation that has what it needs, and a value that came quoted is never
// taken for an option.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "standins/pgp26/command.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const std::vector<pgp26::Token> tokens = pgp26::SplitCommandLine(line);
  size_t quotes = 0;
  for (char c : line) quotes += c == '"';
  size_t kept = 0;
  for (const pgp26::Token& t : tokens) {
    Require(t.text.find('"') == std::string::npos);
    Require(t.quoted || !t.text.empty());
    Require(!t.literal || t.quoted);
    kept += t.text.size();
  }
  Require(kept + quotes <= line.size());

  // Each text quoted again and split again comes back as it was, a value.
  std::string again;
  for (const pgp26::Token& t : tokens) again += "\"" + t.text + "\" ";
  const std::vector<pgp26::Token> back = pgp26::SplitCommandLine(again);
  Require(back.size() == tokens.size());
  for (size_t i = 0; i < back.size(); ++i) Require(back[i].text == tokens[i].text && back[i].literal);

  const pgp26::ParseResult r = pgp26::ParseArguments(tokens);
  if (!r.error.empty()) return 0;
  const pgp26::Operation& op = r.op;
  switch (op.op) {
    case pgp26::Op::None:
      Require(false);  // a parse without error names a command
      break;
    case pgp26::Op::Encrypt:
      Require(!op.recipients.empty() || op.recipientList.has_value());
      break;
    case pgp26::Op::Sign:
      Require(op.sign && op.recipients.empty() && !op.recipientList);
      break;
    case pgp26::Op::Extract:
    case pgp26::Op::Remove:
      Require(op.userId.has_value());
      break;
    case pgp26::Op::Decrypt:
      Require(!op.sign && op.recipients.empty());
      break;
    default:
      Require(op.recipients.empty());
      break;
  }
  // The values quoted as a whole never become options.
  const pgp26::ParseResult quoted = pgp26::ParseArguments(back);
  Require(!quoted.error.empty() || quoted.op.op == pgp26::Op::Decrypt);
  return 0;
}

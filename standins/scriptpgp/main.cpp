// The scripted PGP: a console program that answers PGP 2.6 command lines from
// files in its own folder (see README.md), for the end-to-end tests.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "standins/bridge/files.h"
#include "standins/scriptpgp/scriptcore.h"

namespace {

void AppendLog(const std::string& folder) {
  std::FILE* log = std::fopen(scriptpgp::JoinPath(folder, "pgp.log").c_str(), "ab");
  if (!log) return;
  std::fputs(GetCommandLineA(), log);
  std::fputs("\r\n", log);
  std::fclose(log);
}

std::string Today() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04u/%02u/%02u", t.wYear % 10000u, t.wMonth % 100u, t.wDay % 100u);
  return buf;
}

// Waits until `file` exists and takes it (deletes it), so that each run
// takes one go-ahead; false after a minute without one.
bool TakeFile(const std::string& file) {
  for (DWORD start = GetTickCount(); !DeleteFileA(file.c_str()); Sleep(20)) {
    if (GetTickCount() - start > 60000) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = bridge::ModuleFolder();
  AppendLog(folder);

  scriptpgp::Scenario scenario;
  if (auto text = bridge::ReadWholeFile(scriptpgp::JoinPath(folder, "scenario.txt"))) {
    std::string error;
    auto parsed = scriptpgp::ParseScenario(*text, &error);
    if (!parsed) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 5;
    }
    scenario = *parsed;
  }
  if (!scenario.marker.empty()) {
    std::FILE* marker = std::fopen(scenario.marker.c_str(), "wb");
    if (marker) std::fclose(marker);
  }
  if (!scenario.await.empty() && !TakeFile(scenario.await)) {
    std::fprintf(stderr, "await: no %s within a minute\n", scenario.await.c_str());
    return 5;
  }
  if (scenario.delayMs > 0) Sleep(scenario.delayMs);
  if (scenario.mode == scriptpgp::Mode::Crash) {
    // Ends the way a crashed program ends, with an access-violation status.
    // A raised exception would start Wine's crash dialog or debugger instead.
    std::fputs("Scripted crash.\n", stderr);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(EXCEPTION_ACCESS_VIOLATION));
  }

  const std::vector<std::string> args(argv + 1, argv + argc);
  const char* pgpPass = std::getenv("PGPPASS");
  const scriptpgp::Result result =
      scriptpgp::Run(folder, args, scenario, Today(), pgpPass ? std::optional<std::string>(pgpPass) : std::nullopt);
  // Binary, so a listing reaches the redirected file byte for byte.
  _setmode(_fileno(stdout), _O_BINARY);
  std::fwrite(result.out.data(), 1, result.out.size(), stdout);
  std::fflush(stdout);
  std::fputs(result.err.c_str(), stderr);
  return result.exitCode;
}

// Times what a user waits for when PGP runs over GnuPG, each figure beside its
// floor measured in the same round:
//  - PGP.EXE -kv, -ea, -esa and decryption against plain gpg doing the same
//    work through the host's sh, on a one-key ring and on a 10,000-key ring;
//  - RunPgp of a PGP that does nothing against the same PGP started through
//    the same command.com;
//  - encrypting and decrypting 1 MB of text through the main window's
//    commands against PGP.EXE alone, with the pieces the window adds timed
//    one by one.
// The main window's start-up has its figure in bench_window95 and bench_windownt.
// The rings are made once (the large one takes minutes) and kept in the build
// tree. Usage: bench_pgpspeed [rounds] [small|command]  ("small": one-key
// ring only; "command": PGP.EXE against gpg alone, on both rings).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "files/TextFile.h"
#include "files/workfiles.h"
#include "forms/status.h"
#include "pgp/Crypt.h"
#include "pgp/pgpcommand.h"
#include "pgp/runner.h"
#include "pgp/strutil.h"
#include "settings/Settings.h"
#include "standins/bridge/files.h"
#include "standins/bridge/host.h"
#include "standins/bridge/quote.h"
#include "tests/support/dialogs.h"
#include "tests/support/robot.h"
#include "ui/dialog.h"
#include "ui/handles.h"

namespace {

using Clock = std::chrono::steady_clock;
using bridge::ShQuote;

constexpr char kUser[] = "Bench User <bench@example.org>";
constexpr char kPass[] = "bench pass";

double Ms(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double Time(const std::function<void()>& f) {
  const auto t0 = Clock::now();
  f();
  return Ms(t0, Clock::now());
}

[[noreturn]] void Fail(const std::string& what) {
  std::printf("failed: %s\n", what.c_str());
  std::fflush(stdout);
  std::exit(1);
}

std::string Folder() { return bridge::ModuleFolder(); }

// Runs sh commands on the host in `dir`; returns their standard output.
std::string Sh(const std::string& dir, const std::string& commands, DWORD timeoutMs = 120000) {
  auto r = bridge::RunShell(dir, commands, timeoutMs);
  if (!r) Fail("sh: " + commands);
  return r->out;
}

std::string Trim(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

struct Ring {
  std::string name, dir;  // the PGP folder
  std::string home;       // its GnuPG home as gpg is given it (physical host path)
  std::string fpr;        // the bench user's fingerprint
  std::string File(const std::string& n) const { return dir + "\\" + n; }
};

// Makes (once) a PGP folder whose home holds `keys` keys, the bench user's last.
Ring MakeRing(const std::string& rings, const std::string& name, int keys) {
  Ring r{name, rings + "\\" + name, {}, {}};
  CreateDirectoryA(r.dir.c_str(), nullptr);
  if (!bridge::FileExists(r.File("gnupg\\pubring.kbx"))) {
    std::printf("making the %s ring of %d keys (once)...\n", name.c_str(), keys);
    std::fflush(stdout);
    Sh(r.dir,
       "rm -rf gnupg && sh " + ShQuote(SW_BENCH_SOURCE "/makering.sh") + " gnupg " + std::to_string(keys) + " " +
           ShQuote(kUser) + " " + ShQuote(kPass),
       4 * 3600 * 1000);
    if (!bridge::FileExists(r.File("gnupg\\pubring.kbx"))) Fail("ring " + name);
  }
  r.home = Trim(Sh(r.dir, "cd gnupg && pwd -P"));
  if (!CopyFileA((Folder() + "\\pgp26.exe").c_str(), r.File("PGP.EXE").c_str(), FALSE)) Fail("copy PGP.EXE");
  r.fpr = Trim(Sh(r.dir, "gpg --homedir " + ShQuote(r.home) +
                             " --with-colons --list-keys bench@example.org | awk -F: '/^fpr/ {print $10; exit}'"));
  if (!bridge::FileExists(r.File("pubring.pgp")))
    Sh(r.dir, "gpg --homedir " + ShQuote(r.home) + " --export >pubring.pgp");
  return r;
}

// PGP.EXE started directly, standard output to a file; its exit code. The
// pass phrase goes by PGPPASS, as the window passes it.
int RunPgpExe(const Ring& r, const std::string& args, bool withPass = false) {
  SetEnvironmentVariableA("PGPPASS", withPass ? kPass : nullptr);
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  ui::Handle out(
      CreateFileA(r.File("pgp.out").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
  ui::Handle null(CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr));
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = null.get();
  si.hStdOutput = out.get();
  si.hStdError = null.get();
  std::string cmd = "\"" + r.File("PGP.EXE") + "\" " + args + " +BatchMode";
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, r.dir.c_str(), &si, &pi))
    Fail("start PGP.EXE");
  ui::Handle process(pi.hProcess), thread(pi.hThread);
  WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(process.get(), &code);
  return static_cast<int>(code);
}

std::string PlainGpg(const Ring& r) {
  return "gpg --homedir " + ShQuote(r.home) +
         " --batch --yes --no-tty --trust-model always --no-auto-check-trustdb --pinentry-mode loopback "
         "--passphrase-file pf ";
}

// One line of the table: the operation's median, its floor's, the ratio and
// the goal, then the spread (fastest to slowest round) of each.
void Report(const std::string& what, const std::vector<double>& subject, const std::vector<double>& floor,
            const char* floorName, double goal) {
  const double s = Median(subject), f = Median(floor);
  std::printf("%-34s %8.0f ms  %-18s %8.0f ms  ratio %5.2f  %s\n", what.c_str(), s, floorName, f, s / f,
              goal > 0 ? (s <= goal ? "within goal" : "over goal") : "");
  auto spread = [](const std::vector<double>& v) {
    return v.empty() ? std::string()
                     : std::to_string(static_cast<int>(*std::min_element(v.begin(), v.end()))) + "-" +
                           std::to_string(static_cast<int>(*std::max_element(v.begin(), v.end())));
  };
  std::printf("%-34s %11s     %-18s %11s\n", "  spread", spread(subject).c_str(), "", spread(floor).c_str());
}

// PGP.EXE against plain gpg doing the same work through the host's sh, in
// rounds that alternate which of the two goes first. Recipients are named as
// the program names them ("0x" + the listing's key ID); a user-ID text is
// timed as well. Goals: -kv and -ea within gpg + 60 ms, signing and
// decryption within 1.3 times gpg.
void CommandVersusGpg(const Ring& r, int rounds) {
  Sh(r.dir, "printf %s " + ShQuote(kPass) + " >pf");
  if (!bridge::FileExists(r.File("plain.txt"))) {
    std::string text;
    for (int i = 0; text.size() < (1u << 20); ++i)
      text += "Line " + std::to_string(i) + " of the bench text, plain words to encrypt and back.\r\n";
    text.resize(1u << 20);
    bridge::WriteWholeFile(r.File("plain.txt"), text);
  }
  const std::string keyId = "\"0x" + r.fpr.substr(32) + "\"";
  const std::string kill = "\ngpgconf --homedir " + ShQuote(r.home) + " --kill gpg-agent";
  // The kept listing is made before the first round: it follows the ring, not the run.
  if (RunPgpExe(r, "-kv") != 0) Fail("-kv");
  std::map<std::string, std::vector<double>> t;
  auto pair = [&](int round, const char* name, const std::function<void()>& gpg, const std::function<void()>& pgp) {
    if (round % 2 == 0) t[std::string(name) + " gpg"].push_back(Time(gpg));
    t[name].push_back(Time(pgp));
    if (round % 2 == 1) t[std::string(name) + " gpg"].push_back(Time(gpg));
  };
  for (int round = 0; round < rounds; ++round) {
    pair(
        round, "kv", [&] { Sh(r.dir, PlainGpg(r) + "--with-colons --list-keys"); },
        [&] {
          if (RunPgpExe(r, "-kv") != 0) Fail("-kv");
        });
    pair(
        round, "ea", [&] { Sh(r.dir, PlainGpg(r) + "-ea -r " + r.fpr + " -o g.asc plain.txt"); },
        [&] {
          DeleteFileA(r.File("plain.asc").c_str());
          if (RunPgpExe(r, "-ea plain.txt " + keyId) != 0) Fail("-ea");
        });
    t["ea name"].push_back(Time([&] {
      DeleteFileA(r.File("plain.asc").c_str());
      if (RunPgpExe(r, "-ea plain.txt \"Bench User\"") != 0) Fail("-ea by user ID");
    }));
    pair(
        round, "esa",
        [&] { Sh(r.dir, PlainGpg(r) + "-esa -r " + r.fpr + " -u " + r.fpr + " -o g.asc plain.txt" + kill); },
        [&] {
          DeleteFileA(r.File("plain.asc").c_str());
          if (RunPgpExe(r, "-esa plain.txt " + keyId + "  -u\"Bench User\"", true) != 0) Fail("-esa");
        });
    pair(
        round, "d", [&] { Sh(r.dir, PlainGpg(r) + "-o g.txt -d plain.asc" + kill); },
        [&] {
          DeleteFileA(r.File("back.txt").c_str());
          if (RunPgpExe(r, "plain.asc -o back.txt", true) != 0) Fail("decrypt");
        });
    if (bridge::ReadWholeFile(r.File("back.txt")) != bridge::ReadWholeFile(r.File("plain.txt"))) Fail("round trip");
    Sh(r.dir, "rm -f g.asc g.txt");
  }
  const std::string ring = " (" + r.name + ")";
  auto floor = [&](const char* op) { return Median(t[std::string(op) + " gpg"]); };
  Report("PGP.EXE -kv" + ring, t["kv"], t["kv gpg"], "gpg", floor("kv") + 60);
  Report("PGP.EXE -ea, key ID" + ring, t["ea"], t["ea gpg"], "gpg", floor("ea") + 60);
  Report("PGP.EXE -ea, user ID" + ring, t["ea name"], t["ea gpg"], "gpg", floor("ea") + 60);
  Report("PGP.EXE -esa" + ring, t["esa"], t["esa gpg"], "gpg", floor("esa") * 1.3);
  Report("PGP.EXE decrypt, signed" + ring, t["d"], t["d gpg"], "gpg", floor("d") * 1.3);
  Sh(r.dir, "rm -f pf g.asc g.txt");
}

// PGP in `dir`, no output shown, no signing, no list file, nothing deleted.
pgp::Context QuietContext(const std::string& dir) {
  pgp::Context ctx;
  ctx.command = pgp::MakePgpCommand(dir);
  ctx.pgpPath = dir;
  return ctx;
}

// RunPgp of a PGP that does nothing against the same PGP through command.com.
void RunnerVersusInterpreter(const std::string& rings, int rounds) {
  const std::string dir = rings + "\\noop";
  CreateDirectoryA(dir.c_str(), nullptr);
  if (!CopyFileA((Folder() + "\\argecho.exe").c_str(), (dir + "\\PGP.EXE").c_str(), FALSE)) Fail("copy argecho");
  const pgp::Context ctx = QuietContext(dir);
  const std::string batch = dir + "\\direct.bat";
  bridge::WriteWholeFile(batch, BatchFileText(pgp::KeyListCommand(ctx), dir + "\\direct.out"));
  std::vector<double> runner, direct, program, shell;
  for (int round = 0; round < rounds; ++round) {
    // What every PGP run pays at least: one program start under Wine and, over
    // GnuPG, one host sh run.
    program.push_back(Time([&] {
      std::string cmd = "\"" + dir + "\\PGP.EXE\"";
      STARTUPINFOA si{};
      si.cb = sizeof si;
      si.dwFlags = STARTF_USESTDHANDLES;  // no handles: nothing printed
      PROCESS_INFORMATION pi{};
      if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        Fail("no-op program");
      ui::Handle process(pi.hProcess), thread(pi.hThread);
      WaitForSingleObject(process.get(), INFINITE);
    }));
    shell.push_back(Time([&] { Sh(dir, ":"); }));
    direct.push_back(Time([&] {
      std::string cmd = "command.com /c \"" + batch + "\"";
      STARTUPINFOA si{};
      si.cb = sizeof si;
      PROCESS_INFORMATION pi{};
      if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        Fail("command.com");
      ui::Handle process(pi.hProcess), thread(pi.hThread);
      WaitForSingleObject(process.get(), INFINITE);
    }));
    runner.push_back(Time([&] { RunPgp(ctx, pgp::KeyListCommand(ctx)); }));
  }
  Report("RunPgp, PGP doing nothing", runner, direct, "command.com direct", 0);
  std::printf("  one program start under Wine %.0f ms, one host sh run from Wine %.0f ms (medians)\n", Median(program),
              Median(shell));
}

// Encrypting and decrypting a 1 MB file through the main window's commands,
// timed from the user's last answer (file dialog or pass phrase) to the end,
// against PGP.EXE alone doing the same, and the window's own pieces timed one
// by one.
void WindowVersusCommand(const Ring& r, int rounds) {
  const pgp::Context ctx = QuietContext(r.dir);
  const std::string plain = bridge::ReadWholeFile(r.File("plain.txt")).value_or("");
  // The commands as the main window calls them, over a window of our own.
  ui::Form::Args args;
  args.caption = "bench";
  args.mainWindow = true;
  ui::Form owner(args);
  owner.show();
  ui::FileDialog openDialog{ui::FileDialog::Kind::Open};
  ui::FileDialog saveDialog{ui::FileDialog::Kind::Save};
  auto choose = [](std::string& recipients) {
    recipients = "\"Bench User\"";
    return true;
  };
  std::map<std::string, std::vector<double>> t;
  for (int round = 0; round < rounds; ++round) {
    DeleteFileA(r.File("plain.pgp").c_str());
    t["pgp e"].push_back(Time([&] { RunPgpExe(r, "-e plain.txt \"Bench User\""); }));
    DeleteFileA(r.File("back.txt").c_str());
    t["pgp d"].push_back(Time([&] { RunPgpExe(r, "plain.pgp -o back.txt", true); }));

    DeleteFileA(r.File("plain.pgp").c_str());
    openDialog.fileName = r.File("plain.txt");
    Clock::time_point answered, shown;
    robot::Robot enc([&](robot::Robot& rb) {
      testenv::ConfirmFileDialog(rb, "Choose file to encrypt");
      answered = Clock::now();
      HWND box = rb.waitWindow("Information", {}, 60000);
      shown = Clock::now();
      if (!box) return;
      rb.clickButton(box, "OK");
      rb.waitGone(box);
    });
    EncryptFile(ctx, choose, openDialog, owner.handle());
    enc.join();
    if (!bridge::FileExists(r.File("plain.pgp"))) Fail("window encryption");
    t["window e"].push_back(Ms(answered, shown));

    DeleteFileA(r.File("back.txt").c_str());
    openDialog.fileName = r.File("plain.pgp");
    saveDialog.fileName = r.File("back.txt");
    robot::Robot dec([&](robot::Robot& rb) {
      testenv::ConfirmFileDialog(rb, "Choose file to decrypt");
      testenv::ConfirmFileDialog(rb, "Choose output filename");
      testenv::TypePassPhrase(rb, kPass);
      answered = Clock::now();
    });
    DecryptFile(ctx, openDialog, saveDialog, owner.handle());
    const auto done = Clock::now();
    dec.join();
    if (bridge::ReadWholeFile(r.File("back.txt")) != plain) Fail("window decryption");
    t["window d"].push_back(Ms(answered, done));

    // The pieces the window adds around PGP.EXE for typed text.
    const std::string work = NewWorkFileName();
    t["write work file"].push_back(Time([&] { WriteTextFile(work, plain); }));
    t["read back"].push_back(Time([&] { (void)ReadTextFile(work); }));
    t["wipe work file"].push_back(Time([&] { WipeFile(work); }));
    t["batch file"].push_back(Time([&] {
      const std::string batch = NewWorkFileName("BAT");
      bridge::WriteWholeFile(batch, BatchFileText(pgp::EncryptCommand(ctx, "x", true, "\"y\" "), work));
      WipeFile(batch);
    }));
    t["status window"].push_back(Time([&] {
      std::unique_ptr<TStatusFrm> status;
      ShowStatusWindow(true, status, "Waiting for PGP to complete...");
      ShowStatusWindow(false, status, {});
    }));
  }
  Report("window encrypt 1 MB file (" + r.name + ")", t["window e"], t["pgp e"], "PGP.EXE -e",
         Median(t["pgp e"]) * 1.2);
  Report("window decrypt 1 MB file (" + r.name + ")", t["window d"], t["pgp d"], "PGP.EXE decrypt",
         Median(t["pgp d"]) * 1.2);
  std::printf("  pieces beside PGP.EXE (medians):\n");
  for (const char* piece : {"write work file", "batch file", "status window", "read back", "wipe work file"})
    std::printf("    %-22s %7.1f ms\n", piece, Median(t[piece]));
}

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  ui::Application application("Sealwright 32", "sealwr32.hlp");
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const std::string only = argc > 2 ? argv[2] : "";
  const bool small = only == "small";
  const std::string rings = std::string("Z:") + SW_BENCH_RINGS;
  CreateDirectoryA(rings.c_str(), nullptr);
  std::printf("rounds: %d; 1 MiB text; floors from the same rounds\n", rounds);
  if (only == "command") {
    CommandVersusGpg(MakeRing(rings, "k1", 1), rounds);
    CommandVersusGpg(MakeRing(rings, "k10k", 10000), rounds);
    return 0;
  }
  RunnerVersusInterpreter(rings, rounds);
  const Ring one = MakeRing(rings, "k1", 1);
  CommandVersusGpg(one, rounds);
  WindowVersusCommand(one, rounds);
  if (!small) {
    const Ring many = MakeRing(rings, "k10k", 10000);
    CommandVersusGpg(many, std::max(1, rounds / 2));
  }
  return 0;
}

// The main window at scale, each figure beside its floor from the same run:
//  bigtext [MB] [rounds]: a text of MB megabytes (10 unless given) opened,
//    saved, encrypted and decrypted through the window's commands and, in
//    bench_window95, a PGP message of that size loaded from the mailbox at
//    start-up; each in a process of its own, timed from the user's last
//    answer (dialog, prompt) to the painted window, with what its worst
//    moment holds (peak working set) above the user's answer and above the
//    empty window, and what it keeps, against the text's size. Floors: the file read or write, and the chain a PGP run
//    goes through (command.com in a new console running PGP.EXE, started as
//    the runner starts it).
//  startup [rounds] [other folder]: both programs started as a user starts
//    them, until the main window shows and until it is painted (its status
//    line says the key listing began), with the processor time they used,
//    against a program that only shows and paints a window, and one that
//    also holds an empty rich edit control; alternating with
//    the programs of another build in `other folder` when given.
//  encrypt [rounds] [text|file]: 1 MB of text, and a 1 MB file, encrypted
//    through the window against the chain alone, with the window's pieces
//    one by one.
// PGP is PGP.EXE over GnuPG with a one-key ring made once in the build tree;
// the mailbox is the scripted Simple MAPI (run with
// SW_WINEDLLOVERRIDES=mapi32=n, which loads it from beside the bench).
#include "app/Main.h"

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "files/TextFile.h"
#include "files/workfiles.h"
#include "forms/status.h"
#include "keys/KeyList.h"
#if SEALWRIGHT_MAIL
#include "mail/session.h"
#endif
#include "pgp/cryptname.h"
#include "pgp/pgpcommand.h"
#include "pgp/runner.h"
#include "pgp/strutil.h"
#include "settings/Settings.h"
#include "standins/bridge/files.h"
#include "standins/bridge/host.h"
#include "standins/bridge/quote.h"
#include "tests/support/dialogs.h"
#include "tests/support/process.h"
#include "tests/support/robot.h"
#include "tests/support/testenv.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kUser[] = "Bench User <bench@example.org>";
constexpr char kPass[] = "bench pass";

double Ms(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

[[noreturn]] void Fail(const std::string& what) {
  std::printf("failed: %s\n", what.c_str());
  std::fflush(stdout);
  std::exit(1);
}

// Median and spread (lowest, highest) of one figure over the rounds.
struct Figure {
  std::vector<double> v;
  double median() const {
    if (v.empty()) return 0;
    std::vector<double> s = v;
    std::sort(s.begin(), s.end());
    return s[s.size() / 2];
  }
  double low() const { return v.empty() ? 0 : *std::min_element(v.begin(), v.end()); }
  double high() const { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }
};

std::string Spread(const Figure& f, const char* unit) {
  char line[96];
  std::snprintf(line, sizeof line, "%8.0f %s (%.0f-%.0f)", f.median(), unit, f.low(), f.high());
  return line;
}

// One line: a figure, its floor from the same rounds and the ratio.
void Report(const std::string& what, const Figure& subject, const std::string& floorName, const Figure& floor) {
  std::printf("%-34s %s   %-22s %s   ratio %5.2f\n", what.c_str(), Spread(subject, "ms").c_str(), floorName.c_str(),
              Spread(floor, "ms").c_str(), floor.median() > 0 ? subject.median() / floor.median() : 0.0);
}

std::string Folder() { return bridge::ModuleFolder(); }

std::string WorkFolder() {
  const std::string work = std::string("Z:") + SW_BENCH_WORK;
  CreateDirectoryA(work.c_str(), nullptr);
  return work;
}

// ---- memory -----------------------------------------------------------------

double Megabytes(SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

PROCESS_MEMORY_COUNTERS Counters() {
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  return pmc;
}

// Under Wine the peak working set is the Linux process's peak resident set,
// which the process may start again from the present one.
void RestartPeak() {
  ui::Handle f(CreateFileA("Z:\\proc\\self\\clear_refs", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  DWORD put = 0;
  if (!f || !WriteFile(f.get(), "5", 1, &put, nullptr)) Fail("cannot restart the peak working set");
}

// ---- the PGP folder -----------------------------------------------------------

// A PGP folder of PGP.EXE over GnuPG whose ring holds the bench user's key,
// made once in the build tree.
pgp::Context PgpFolder() {
  const std::string dir = WorkFolder() + "\\pgp";
  CreateDirectoryA(dir.c_str(), nullptr);
  if (!bridge::FileExists(dir + "\\gnupg\\pubring.kbx")) {
    auto made = bridge::RunShell(dir,
                                 "rm -rf gnupg && sh " + bridge::ShQuote(SW_BENCH_MAKERING) + " gnupg 1 " +
                                     bridge::ShQuote(kUser) + " " + bridge::ShQuote(kPass),
                                 600000);
    if (!made || !bridge::FileExists(dir + "\\gnupg\\pubring.kbx")) Fail("making the ring");
  }
  if (!CopyFileA((Folder() + "\\pgp26.exe").c_str(), (dir + "\\PGP.EXE").c_str(), FALSE)) Fail("copy PGP.EXE");
  if (!bridge::FileExists(dir + "\\pubring.pgp")) {
    auto exported = bridge::RunShell(dir, "gpg --homedir gnupg --batch --export >pubring.pgp", 60000);
    if (!exported) Fail("exporting the ring");
  }
  Settings = TSettings{};
  Settings.PgpPath = dir;
  Settings.Pause = false;
  Settings.SignFiles = false;
  Settings.IdSign = kUser;
  PgpCommand = pgp::MakePgpCommand(dir);
  return CurrentPgpContext();
}

// At least `bytes` of text in lines of 76 letters, digits, "+" and "/" with CR LF, as
// a mail's attachment is written: PGP cannot compress it, so its armoured
// message is as big as a message gets, and the platform's control costs the
// most per character for it.
std::string PlainText(size_t bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve(bytes + 80);
  unsigned x = 1;
  while (text.size() < bytes) {
    for (int i = 0; i < 76; ++i) {
      x = x * 1103515245u + 12345u;
      text += kDigits[(x >> 16) & 63];
    }
    text += "\r\n";
  }
  return text;
}

// The chain a PGP run of the window goes through, without the window: the
// batch file run by command.com in a new console, started with the runner's
// flags and start-up record, the pass phrase in PGPPASS. Milliseconds.
double Chain(const pgp::Context& ctx, const std::string& arguments, const char* passPhrase = nullptr) {
  const std::string dir = WorkFolder();
  const std::string batch = dir + "\\chain.bat";
  const std::string out = dir + "\\chain.out";
  const auto t0 = Clock::now();
  bridge::WriteWholeFile(batch, BatchFileText(arguments, out));
  std::string commandLine = "command.com /c \"" + batch + "\"";
  STARTUPINFOA si = pgp::StartupRecord(ctx.runIcon);
  PROCESS_INFORMATION pi{};
  SetEnvironmentVariableA("PGPPASS", passPhrase);
  const std::string interpreter = Folder() + "\\command.com";
  const BOOL started = CreateProcessA(interpreter.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                      pgp::kRunnerCreationFlags, nullptr, nullptr, &si, &pi);
  SetEnvironmentVariableA("PGPPASS", nullptr);
  if (!started) Fail("command.com");
  ui::Handle process(pi.hProcess), thread(pi.hThread);
  WaitForSingleObject(process.get(), INFINITE);
  const double ms = Ms(t0, Clock::now());
  DeleteFileA(batch.c_str());
  DeleteFileA(out.c_str());
  return ms;
}

// What the user waits for after an operation: the window painting what it
// invalidated (not a forced repaint of every control, which the program
// itself never asks for).
void PaintPending(ui::Window& form) { RedrawWindow(form.handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); }

// ---- the user's answers ---------------------------------------------------------

// Watches this thread's top-level windows by caption: when one was last
// destroyed (the user's answer taken) and last activated (a box shown).
class WindowClock {
 public:
  WindowClock() : hook_(SetWindowsHookExA(WH_CBT, &WindowClock::Proc, nullptr, GetCurrentThreadId())) {
    current_ = this;
  }
  WindowClock(const WindowClock&) = delete;
  WindowClock& operator=(const WindowClock&) = delete;
  ~WindowClock() {
    UnhookWindowsHookEx(hook_);
    current_ = nullptr;
  }
  Clock::time_point closed(const std::string& caption) const { return at(closed_, caption); }
  Clock::time_point activated(const std::string& caption) const { return at(activated_, caption); }
  // Called when a window of that caption goes.
  std::function<void(const std::string&)> onClose;

 private:
  static Clock::time_point at(const std::map<std::string, Clock::time_point>& times, const std::string& caption) {
    auto it = times.find(caption);
    if (it == times.end()) Fail("no window \"" + caption + "\"");
    return it->second;
  }
  static LRESULT CALLBACK Proc(int code, WPARAM wp, LPARAM lp) {
    if (current_ && (code == HCBT_DESTROYWND || code == HCBT_ACTIVATE)) {
      HWND window = reinterpret_cast<HWND>(wp);
      char caption[128] = {};
      if (!(GetWindowLongA(window, GWL_STYLE) & WS_CHILD) && GetWindowTextA(window, caption, sizeof caption) > 0) {
        (code == HCBT_DESTROYWND ? current_->closed_ : current_->activated_)[caption] = Clock::now();
        if (code == HCBT_DESTROYWND && current_->onClose) current_->onClose(caption);
      }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
  }
  static inline WindowClock* current_ = nullptr;
  HHOOK hook_;
  std::map<std::string, Clock::time_point> closed_, activated_;
};

// ---- big texts ------------------------------------------------------------------

struct BigFiles {
  std::string plain, armoured, mailScript;
};

BigFiles BigFileNames(double megabytes) {
  const std::string dir = WorkFolder();
  char size[32];
  std::snprintf(size, sizeof size, "%g", megabytes);
  return {dir + "\\plain" + size + ".txt", dir + "\\plain" + size + ".asc", dir + "\\mail" + size + ".txt"};
}

// One operation on a big text in this process; prints "<ms> <empty> <answer>
// <peak> <after>": the time from the user's answer to the painted window, and
// in MiB the working set of the empty window, the working set when the user
// answered, the peak from then on, and the working set after the operation.
// The common file dialogs alone take several megabytes (their code and the
// shell's), which the figures from the answer on leave out.
int BigTextOperation(const std::string& op, double megabytes) {
  const BigFiles files = BigFileNames(megabytes);
  const pgp::Context ctx = PgpFolder();
  TMainForm form;
  form.show();
  form.repaint();
  testenv::RunIdle([](robot::Robot&) {});
  const double empty = Megabytes(Counters().WorkingSetSize);
  WindowClock clock;
  Clock::time_point answered, done;
  double atAnswer = 0;
  const std::map<std::string, std::string> answers = {
      {"open", "Open text file"}, {"save", "Save file"}, {"encrypt", "Encrypting"}, {"decrypt", "PGP pass phrase"}};
  clock.onClose = [&](const std::string& caption) {
    if (answers.contains(op) && caption == answers.at(op)) {
      RestartPeak();
      atAnswer = Megabytes(Counters().WorkingSetSize);
    }
  };
  std::unique_ptr<robot::Robot> robot;
#if SEALWRIGHT_MAIL
  std::unique_ptr<mail::Session> warm;
#endif
  // What the window holds before the operation, and the answers the user gives.
  if (op == "open") {
    form.OpenDialog.fileName = files.plain;
    robot = std::make_unique<robot::Robot>([](robot::Robot& r) { testenv::ConfirmFileDialog(r, "Open text file"); });
  } else if (op == "save") {
    form.memo1.setText(ReadTextFile(files.plain));
    form.SaveDialog.fileName = WorkFolder() + "\\saved.txt";
    DeleteFileA(form.SaveDialog.fileName.c_str());
    robot = std::make_unique<robot::Robot>([](robot::Robot& r) { testenv::ConfirmFileDialog(r, "Save file"); });
  } else if (op == "encrypt") {
    ReadPublicKeys(ctx, form.KeyList);
    form.memo1.setText(ReadTextFile(files.plain));
    robot = std::make_unique<robot::Robot>([](robot::Robot& r) { testenv::ChooseRecipient(r, "Bench User"); });
  } else if (op == "decrypt") {
    form.memo1.setText(ReadTextFile(files.armoured));
    robot = std::make_unique<robot::Robot>([](robot::Robot& r) { testenv::TypePassPhrase(r, kPass); });
  } else if (op == "mail") {
    SetEnvironmentVariableA("SW_MAPI_SCRIPT", files.mailScript.c_str());
    Settings.ReadMsgs = true;
#if SEALWRIGHT_MAIL
    // The mail system reads its mailbox at the first logon: before the clock.
    // Its library stays loaded through the operation, as the program's own
    // session keeps it.
    warm = std::make_unique<mail::Session>();
    warm->Logon(form.handle());
#endif
  } else {
    Fail("unknown operation " + op);
  }
  form.repaint();
  RestartPeak();
  atAnswer = Megabytes(Counters().WorkingSetSize);
  const auto start = Clock::now();
  if (op == "open") form.FileOpen();
  if (op == "save") form.FileSaveAs();
  if (op == "encrypt") form.Encrypttext1Click();
  if (op == "decrypt") form.Decrypttext1Click();
  if (op == "mail") form.MailStartStep();
  PaintPending(form);
  done = Clock::now();
  const double peak = Megabytes(Counters().PeakWorkingSetSize);
  const double after = Megabytes(Counters().WorkingSetSize);
  if (robot) robot->join();
  if (op == "open") answered = clock.closed("Open text file");
  if (op == "save") answered = clock.closed("Save file");
  if (op == "encrypt") answered = clock.closed("Encrypting");
  if (op == "decrypt") answered = clock.closed("PGP pass phrase");
  if (op == "mail") answered = start;
  // The result is checked after the clock stopped.
  const std::string shown = op == "save" ? ReadTextFile(form.SaveDialog.fileName) : form.memo1.text();
  const std::string plain = ReadTextFile(files.plain);
  const bool right =
      op == "encrypt" || op == "mail" ? shown.starts_with("-----BEGIN PGP MESSAGE-----") : shown == plain;
  if (!right) Fail(op + ": the window holds " + std::to_string(shown.size()) + " bytes, not the expected text");
  if (op == "mail" && form.ComboBox1.count() != 1) Fail("mail: the message is not listed");
  std::printf("%.1f %.1f %.1f %.1f %.1f\n", Ms(answered, done), empty, atAnswer, peak, after);
  return 0;
}

struct Measured {
  double ms = 0, empty = 0, atAnswer = 0, peak = 0, after = 0;
};

Measured RunOperation(const std::string& op, double megabytes) {
  char args[64];
  std::snprintf(args, sizeof args, " one %s %g", op.c_str(), megabytes);
  testproc::Launch launch;
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  launch.commandLine = "\"" + std::string(self) + "\"" + args;
  launch.creationFlags = 0;
  launch.timeoutMs = 30 * 60 * 1000;
  const testproc::Outcome outcome = testproc::Run(launch);
  Measured m;
  if (!outcome.ended || outcome.exitCode != 0 ||
      std::sscanf(outcome.out.c_str(), "%lf %lf %lf %lf %lf", &m.ms, &m.empty, &m.atAnswer, &m.peak, &m.after) != 5)
    Fail(op + ": " + outcome.out + outcome.err);
  return m;
}

void BigText(double megabytes, int rounds, std::vector<std::string> ops) {
  const pgp::Context ctx = PgpFolder();
  const BigFiles files = BigFileNames(megabytes);
  const double textMb = megabytes * 1e6 / (1024.0 * 1024.0);
  if (!bridge::FileExists(files.plain)) bridge::WriteWholeFile(files.plain, PlainText(size_t(megabytes * 1e6)));
  std::map<std::string, Figure> t;
  // The floors: the chain encrypting and decrypting the same files.
  const std::string workAsc = PgpOutputName(files.plain, "asc");
  for (int round = 0; round < rounds; ++round) {
    DeleteFileA(workAsc.c_str());
    t["chain e"].v.push_back(Chain(ctx, pgp::EncryptCommand(ctx, files.plain, true, "\"Bench User\" ")));
    if (!bridge::FileExists(workAsc)) Fail("the chain's encryption");
    const std::string back = WorkFolder() + "\\back.txt";
    DeleteFileA(back.c_str());
    t["chain d"].v.push_back(Chain(ctx, pgp::DecryptCommand(ctx, workAsc, back), kPass));
    if (bridge::ReadWholeFile(back) != bridge::ReadWholeFile(files.plain)) Fail("the chain's decryption");
    const auto r0 = Clock::now();
    (void)ReadTextFile(files.plain);
    t["read"].v.push_back(Ms(r0, Clock::now()));
    const auto w0 = Clock::now();
    WriteTextFile(back, ReadTextFile(files.plain));
    t["write"].v.push_back(Ms(w0, Clock::now()));
  }
  MoveFileExA(workAsc.c_str(), files.armoured.c_str(), MOVEFILE_REPLACE_EXISTING);
  const std::string armour = ReadTextFile(files.armoured);
  // The mailbox: one PGP message of the same size among plain ones.
  std::string script = "filler=3\r\nid=big\r\nfrom=Bench User\r\nsubject=Big\r\n";
  for (size_t at = 0; at < armour.size();) {
    size_t end = std::min(armour.find('\n', at), armour.size());
    const size_t cr = end > at && armour[end - 1] == '\r' ? 1 : 0;
    script += "body=" + armour.substr(at, end - at - cr) + "\r\n";
    at = end + 1;
  }
  bridge::WriteWholeFile(files.mailScript, script);

  if (ops.empty()) {
    ops = {"open", "save", "encrypt", "decrypt"};
    if (kMailBuild) ops.push_back("mail");
  }
  std::map<std::string, Figure> overEmpty, overAnswer, kept;
  for (int round = 0; round < rounds; ++round) {
    for (const std::string& op : ops) {
      const Measured m = RunOperation(op, megabytes);
      t[op].v.push_back(m.ms);
      overEmpty[op].v.push_back(m.peak - m.empty);
      overAnswer[op].v.push_back(m.peak - m.atAnswer);
      kept[op].v.push_back(m.after - m.empty);
    }
  }
  std::printf("%s, %g MB text (%.1f MiB), %g MB armoured, rounds %d; medians (lowest-highest)\n", kProductName,
              megabytes, textMb, static_cast<double>(armour.size()) / 1e6, rounds);
  const std::map<std::string, std::pair<std::string, std::string>> floors = {{"open", {"file read", "read"}},
                                                                             {"save", {"file write", "write"}},
                                                                             {"encrypt", {"chain encrypt", "chain e"}},
                                                                             {"decrypt", {"chain decrypt", "chain d"}},
                                                                             {"mail", {"file read", "read"}}};
  for (const std::string& op : ops) Report(op, t[op], floors.at(op).first, t[floors.at(op).second]);
  std::printf(
      "memory in MiB (times the text's %.1f MiB): peak above the working set at the user's answer,\n"
      "  peak above the empty window (dialogs included), kept after the operation above the empty window\n",
      textMb);
  for (const std::string& op : ops)
    std::printf("  %-8s %s (%.2f)  %s (%.2f)  %s (%.2f)\n", op.c_str(), Spread(overAnswer[op], "").c_str(),
                overAnswer[op].median() / textMb, Spread(overEmpty[op], "").c_str(), overEmpty[op].median() / textMb,
                Spread(kept[op], "").c_str(), kept[op].median() / textMb);
}

// ---- start-up -------------------------------------------------------------------

struct ChildText {
  const char* text;
  bool found = false;
};

BOOL CALLBACK FindChildText(HWND w, LPARAM p) {
  auto* f = reinterpret_cast<ChildText*>(p);
  char text[64] = {};
  GetWindowTextA(w, text, sizeof text);
  f->found = std::string(text) == f->text;
  return !f->found;
}

bool HasChildText(HWND window, const char* text) {
  ChildText f{text};
  EnumChildWindows(window, FindChildText, reinterpret_cast<LPARAM>(&f));
  return f.found;
}

// The processor time the running host process of the Windows program `exe`
// has used so far (Wine: a program's Linux process names it on its command
// line), in 10 ms steps; 0 when there is none.
double HostCpuMs(const std::string& exe) {
  WIN32_FIND_DATAA fd;
  ui::FindHandle find(FindFirstFileA("Z:\\proc\\*", &fd));
  if (!find) return 0;
  do {
    if (fd.cFileName[0] < '1' || fd.cFileName[0] > '9') continue;
    const std::string dir = std::string("Z:\\proc\\") + fd.cFileName;
    const std::string commandLine = bridge::ReadWholeFile(dir + "\\cmdline", 4096).value_or("");
    if (commandLine.find(exe) == std::string::npos || commandLine.find("bench_window") != std::string::npos) continue;
    // After the name in parentheses: state, 10 fields, then user and system time in ticks.
    const std::string stat = bridge::ReadWholeFile(dir + "\\stat", 4096).value_or("");
    unsigned long user = 0, system = 0;
    if (stat.find(')') != std::string::npos &&
        std::sscanf(stat.c_str() + stat.find(')') + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user,
                    &system) == 2)
      return (user + system) * 10.0;
  } while (FindNextFileA(find.get(), &fd));
  return 0;
}

struct Started {
  double shown, painted, cpu;
};

// Starts `program`; the times until its first window shows and until a child
// of it says `painted`, with the processor time it used until then; then
// closes it once no child says `busy` any more.
Started StartOnce(const std::string& program, const char* painted, const char* busy,
                  const std::string& arguments = {}) {
  std::string cmd = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  const auto start = Clock::now();
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) Fail(program);
  ui::Handle process(pi.hProcess), thread(pi.hThread);
  const HWND window = robot::WaitShownWindow(process.get(), pi.dwProcessId);
  if (!window) Fail(program + " showed no window");
  const double shown = Ms(start, Clock::now());
  while (!HasChildText(window, painted) && WaitForSingleObject(process.get(), 1) == WAIT_TIMEOUT) {
  }
  const double done = Ms(start, Clock::now());
  const double cpu = HostCpuMs(program.substr(program.find_last_of('\\') + 1));
  while (busy && HasChildText(window, busy) && WaitForSingleObject(process.get(), 5) == WAIT_TIMEOUT) {
  }
  WaitForInputIdle(process.get(), 10000);
  PostMessageA(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.get(), 30000) != WAIT_OBJECT_0) Fail(program + " did not close");
  return {shown, done, cpu};
}

// With `otherFolder`, the programs there (another build) start in the same
// rounds, alternating with these.
void StartUp(int rounds, const std::string& otherFolder) {
  // Start-up reads the key list through the scripted PGP and asks nothing.
  const std::string dir = WorkFolder() + "\\scripted";
  CreateDirectoryA(dir.c_str(), nullptr);
  testenv::MakePgpFolder(dir, {kUser});
  Settings = TSettings{};
  Settings.PgpPath = dir;
  Settings.IdSign = kUser;
  Settings.Pause = false;
  Settings.ReadMsgs = false;
  SaveSettings();
  const char* listing = "Retreiving public keys...";
  std::vector<std::pair<std::string, std::string>> programs;  // label, program
  for (const char* name : {"sealwrightnt", "sealwright95"}) {
    programs.push_back({name, Folder() + "\\" + name + ".exe"});
    if (!otherFolder.empty()) programs.push_back({name + std::string(" (other)"), otherFolder + "\\" + name + ".exe"});
  }
  const std::string blank = Folder() + "\\bench_blank.exe";
  std::map<std::string, Figure> shown, painted, cpu;
  for (int round = 0; round < rounds; ++round) {
    for (const auto& [label, program] : programs) {
      const Started floor = StartOnce(blank, "painted", nullptr);
      shown["blank"].v.push_back(floor.shown);
      painted["blank"].v.push_back(floor.painted);
      cpu["blank"].v.push_back(floor.cpu);
      const Started withText = StartOnce(blank, "painted", nullptr, "richedit");
      shown["rich"].v.push_back(withText.shown);
      painted["rich"].v.push_back(withText.painted);
      cpu["rich"].v.push_back(withText.cpu);
      const Started started = StartOnce(program, listing, listing);
      shown[label].v.push_back(started.shown);
      painted[label].v.push_back(started.painted);
      cpu[label].v.push_back(started.cpu);
    }
  }
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Sealwright 32");
  std::printf("start-up, rounds %d; medians (lowest-highest)\n", rounds);
  for (const auto& [label, program] : programs) {
    Report(label + " shown", shown[label], "blank window shown", shown["blank"]);
    Report(label + " painted", painted[label], "blank window painted", painted["blank"]);
    Report(label + " painted", painted[label], "with a rich edit", painted["rich"]);
    Report(label + " processor time", cpu[label], "blank window's", cpu["blank"]);
  }
}

// ---- encryption of 1 MB ---------------------------------------------------------

void Encrypt(int rounds, const std::string& only) {
  const pgp::Context ctx = PgpFolder();
  const std::string dir = WorkFolder();
  const std::string file = dir + "\\one.txt";
  const std::string text = PlainText(1u << 20);
  bridge::WriteWholeFile(file, text);
  TMainForm form;
  form.show();
  ReadPublicKeys(ctx, form.KeyList);
  std::map<std::string, Figure> t;
  for (int round = 0; round < rounds; ++round) {
    // The chain on a file of the same text, as the window's work file.
    const std::string work = NewWorkFileName();
    WriteTextFile(work, text);
    DeleteFileA(PgpOutputName(work, "asc").c_str());
    t["chain text"].v.push_back(Chain(ctx, pgp::EncryptCommand(ctx, work, true, "\"Bench User\" ")));
    WipeFile(work);
    if (!RemoveFile(PgpOutputName(work, "asc"))) Fail("the chain's armoured file");

    form.memo1.setText(text);
    form.repaint();
    if (only != "file") {
      WindowClock clock;
      robot::Robot r([](robot::Robot& r) { testenv::ChooseRecipient(r, "Bench User"); });
      form.Encrypttext1Click();
      PaintPending(form);
      const auto done = Clock::now();
      r.join();
      if (!form.memo1.text().starts_with("-----BEGIN PGP MESSAGE-----")) Fail("window text encryption");
      t["window text"].v.push_back(Ms(clock.closed("Encrypting"), done));
    }

    DeleteFileA(PgpOutputName(file, "pgp").c_str());
    t["chain file"].v.push_back(Chain(ctx, pgp::EncryptCommand(ctx, file, false, "\"Bench User\" ")));
    DeleteFileA(PgpOutputName(file, "pgp").c_str());
    if (only != "text") {
      WindowClock clock;
      form.OpenDialog.fileName = file;
      robot::Robot r([](robot::Robot& r) {
        testenv::ConfirmFileDialog(r, "Choose file to encrypt");
        testenv::ChooseRecipient(r, "Bench User");
        testenv::AnswerBox(r, "Information");
      });
      form.EncryptFileItemClick();
      r.join();
      if (!bridge::FileExists(PgpOutputName(file, "pgp"))) Fail("window file encryption");
      t["window file"].v.push_back(Ms(clock.closed("Encrypting"), clock.activated("Information")));
    }

    // The window's own pieces.
    const std::string piece = NewWorkFileName();
    auto time = [&](const char* name, const std::function<void()>& f) {
      const auto t0 = Clock::now();
      f();
      t[name].v.push_back(Ms(t0, Clock::now()));
    };
    time("read the window's text", [&] { (void)form.memo1.text(); });
    time("write the work file", [&] { WriteTextFile(piece, text); });
    time("read back", [&] { (void)ReadTextFile(piece); });
    time("wipe the work file", [&] { WipeFile(piece); });
    time("status window", [&] {
      std::unique_ptr<TStatusFrm> status;
      ShowStatusWindow(true, status, "Waiting for PGP to complete...");
      ShowStatusWindow(false, status, {});
    });
    const std::string armoured = "-----BEGIN PGP MESSAGE-----\r\n" + PlainText(1400000);
    time("show the result", [&] {
      form.memo1.setText(armoured);
      PaintPending(form);
    });
    auto last = [&](const char* name) { return t[name].v.empty() ? 0.0 : t[name].v.back(); };
    std::printf("round %d: window text %.0f ms, chain -ea %.0f ms, window file %.0f ms, chain -e %.0f ms\n", round + 1,
                last("window text"), last("chain text"), last("window file"), last("chain file"));
  }
  std::printf("1 MiB through the window against the chain (command.com, new console, PGP.EXE), rounds %d\n", rounds);
  Report("window encrypt text", t["window text"], "chain -ea", t["chain text"]);
  Report("window encrypt file", t["window file"], "chain -e", t["chain file"]);
  std::printf("  the window's pieces, medians (lowest-highest):\n");
  for (const char* piece : {"read the window's text", "write the work file", "status window", "read back",
                            "wipe the work file", "show the result"})
    std::printf("    %-24s %s\n", piece, Spread(t[piece], "ms").c_str());
}

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  ui::Application application("Sealwright 32", "sealwr32.hlp");
  const std::string what = argc > 1 ? argv[1] : "";
  auto number = [&](int i, double otherwise) { return argc > i ? std::atof(argv[i]) : otherwise; };
  if (what == "one" && argc > 3) return BigTextOperation(argv[2], std::atof(argv[3]));
  if (what == "bigtext") {
    BigText(number(2, 10), std::max(1, static_cast<int>(number(3, 3))), {argv + std::min(argc, 4), argv + argc});
  } else if (what == "startup") {
    StartUp(std::max(1, static_cast<int>(number(2, 9))), argc > 3 ? argv[3] : "");
  } else if (what == "encrypt") {
    Encrypt(std::max(1, static_cast<int>(number(2, 5))), argc > 3 ? argv[3] : "");
  } else {
    std::printf(
        "usage: bench_window95 bigtext [MB] [rounds] [open|save|encrypt|decrypt|mail...] | startup [rounds] [other"
        " folder] | encrypt [rounds] [text|file]\n");
    return 2;
  }
  return 0;
}

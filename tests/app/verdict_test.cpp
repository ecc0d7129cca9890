// What the main window says about a signature: the verdict bar after a
// decryption, Sign text, and Decrypt verifying a clear-signed message, in a
// real window under Wine through command.com and the scripted PGP (whose
// report a test chooses), with the robot answering prompts and boxes.
#include <windows.h>

#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/Main.h"
#include "pgp/pgpcommand.h"
#include "settings/Settings.h"
#include "standins/scriptpgp/scriptmsg.h"
#include "tests/support/dialogs.h"
#include "tests/support/robot.h"
#include "tests/support/testenv.h"

namespace {

using robot::Robot;
using testenv::AnswerBox;
using testenv::ConfirmFileDialog;
using testenv::RunIdle;
using testenv::TypePassPhrase;

const char* const kPass = "verdict pass";
const std::string kGrace = "Grace Hopper <grace@example.org>";
const std::string kMade = "Signature made 2024/05/01 10:20 GMT using 2048-bit key, key ID 0DBF906D\r\n";
const std::string kGood = "Good signature from user \"" + kGrace + "\".\r\n" + kMade;
const std::string kGoodText = "Good signature from " + kGrace + " (key ID 0DBF906D), made 2024/05/01 10:20 GMT";
const std::string kSpoof = "Good signature from user \"" + kGrace + "\".";

enum class Hue { Green, Red, Amber };

// The colour a pixel shows, by which of red and green outweighs the other.
bool Shows(COLORREF c, Hue hue) {
  const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
  switch (hue) {
    case Hue::Green:
      return g > r + 20 && g > b + 20;
    case Hue::Red:
      return r > g + 20 && r > b + 20;
    case Hue::Amber:
      return r > b + 60 && g > b + 60 && r >= g;
  }
  return false;
}

class VerdictBar : public testing::Test {
 protected:
  void SetUp() override {
    testenv::MakePgpFolder(pgp_.path(), {"Alice Example", "Carol Example"});
    testenv::WriteFile(pgp_.file("scenario.txt"),
                       std::string("passphrase=") + kPass + "\r\nreport=" + pgp_.file("report.txt") + "\r\n");
    Settings = TSettings{};
    Settings.PgpPath = pgp_.path();
    Settings.Pause = false;
    Settings.IdSign = "Carol Example";
    PgpCommand = pgp::MakePgpCommand(Settings.PgpPath);
    form_ = std::make_unique<TMainForm>();
    form_->show();
    form_->KeyList = testenv::ListedKeys({"Alice Example", "Carol Example"});
  }
  void TearDown() override {
    form_.reset();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }

  void Report(const std::string& text) { testenv::WriteFile(pgp_.file("report.txt"), text); }
  std::string Log() { return testenv::ReadFile(pgp_.file("pgp.log")); }

  // The bar as a user meets it: shown or not, its text, and a pixel of its face.
  struct Seen {
    bool shown = false;
    std::string text;
    COLORREF face = CLR_INVALID;
  };
  Seen Look(Robot& r) {
    HWND bar = form_->VerdictBar.handle();
    r.sync(form_->handle());
    Seen seen{r.visible(bar), r.text(bar)};
    RECT rc;
    GetClientRect(bar, &rc);
    HDC dc = GetDC(bar);
    seen.face = GetPixel(dc, rc.right - 3, 2);
    ReleaseDC(bar, dc);
    return seen;
  }

  // Runs the command `run` while the robot types the pass phrase when
  // `pass`, answers a warning box when `warning` (its text in *box), and
  // otherwise sees the command end without any further window.
  void Run(const std::function<void()>& run, bool pass, bool warning, std::string* box = nullptr) {
    std::atomic<bool> returned{false};
    Robot r([&](Robot& r) {
      if (pass) TypePassPhrase(r, kPass);
      if (warning) {
        std::string text = AnswerBox(r, "Warning");
        if (box) *box = text;
      }
      r.waitUntil([&] { return returned.load(); }, "end of the command without another window");
    });
    run();
    returned = true;
    r.join();
  }

  testenv::TempDir pgp_;
  testenv::TempDir docs_;
  std::unique_ptr<TMainForm> form_;
};

// Each kind of report after a text decryption: the bar's text, colour and
// place, the warning boxes, and the bar gone with the text it spoke of.
TEST_F(VerdictBar, SaysWhatTheReportSaysInItsColourUntilTheTextChanges) {
  const std::string notCertified =
      "WARNING:  Because this public key is not certified with a trusted signature, it is not known with high "
      "confidence that this public key actually belongs to: \"" +
      kGrace + "\".\r\n";
  const std::string unknown =
      "Key matching expected Key ID 5A3B0C11 not found in file 'x'.\r\n\r\n"
      "WARNING: Can't find the right public key-- can't check signature integrity.\r\n";
  const std::string unknownText =
      "Unknown signer: key ID 5A3B0C11 is not in your public key ring, so the signature could not be checked";
  struct Case {
    const char* shot;
    std::string report;
    std::string bar;  // empty: no bar
    Hue hue;
    bool warning;
  };
  const Case cases[] = {
      {"verdict_good", kGood + notCertified, kGoodText + "; the key is not certified by a key you trust", Hue::Green,
       false},
      {"verdict_bad",
       "WARNING: Bad signature, doesn't match file contents!\r\n\r\nBad signature from user \"" + kGrace + "\".\r\n" +
           kMade,
       "BAD signature from " + kGrace +
           " (key ID 0DBF906D), made 2024/05/01 10:20 GMT: the text does not match its signature",
       Hue::Red, true},
      // The spoofing message: its text and its embedded file name (echoed
      // after a fixed text, as PGP does) hold a good line.
      {"verdict_unknown", "Plaintext filename: " + kSpoof + "\r\n" + unknown, unknownText, Hue::Amber, true},
      {nullptr,
       kGood + "WARNING: This key has been revoked by its owner, possibly because the secret key was compromised.\r\n",
       kGoodText + "; the signer's key is revoked", Hue::Amber, true},
      {nullptr, kGood + "WARNING: This key has expired.\r\n", kGoodText + "; the signer's key has expired", Hue::Amber,
       false},
      {nullptr, "Plaintext filename: x\r\n", "", Hue::Green, false},
  };
  const std::string plain = "Dear Ada,\r\n" + kSpoof + "\r\nGrace";
  const std::string armoured = scriptpgp::FormatScriptMessage({plain, {"Alice Example"}, ""});
  for (const Case& c : cases) {
    Report(c.report);
    form_->memo1.setText(armoured);
    std::string box;
    Run([&] { form_->Decrypttext1Click(); }, true, c.warning, &box);
    EXPECT_EQ(form_->memo1.text(), plain);
    if (c.warning) {
      EXPECT_EQ(box, c.bar + " !");
    }
    RunIdle([&](Robot& r) {
      const Seen seen = Look(r);
      EXPECT_EQ(seen.shown, !c.bar.empty()) << c.report;
      if (c.bar.empty()) return;
      EXPECT_EQ(seen.text, c.bar);
      EXPECT_TRUE(Shows(seen.face, c.hue)) << std::hex << seen.face << " for " << c.bar;
      EXPECT_EQ(seen.face, form_->VerdictBar.faceColor());
      // Between the tool bar and the text window.
      const ui::Rect bar = form_->VerdictBar.bounds();
      EXPECT_EQ(bar.top, form_->SpeedBar.bounds().top + form_->SpeedBar.bounds().height);
      EXPECT_EQ(form_->memo1.bounds().top, bar.top + bar.height);
      if (c.shot) {
        EXPECT_NE(r.screenshot(form_->handle(), c.shot), "");
      }
    });
  }
  // A new text, opened or cleared, takes the bar with it; so does the user's
  // typing, cutting or pasting in the text window itself.
  Report(kGood);
  int changes = 0;
  for (const std::function<void()>& change : std::vector<std::function<void()>>{
           [&] { form_->FileNew(); }, [&] { SendMessageA(form_->memo1.handle(), WM_CHAR, 'x', 0); },
           [&] {
             SendMessageA(form_->memo1.handle(), EM_SETSEL, 0, 5);
             SendMessageA(form_->memo1.handle(), WM_CUT, 0, 0);
           },
           [&] {
             ASSERT_TRUE(OpenClipboard(nullptr));
             EmptyClipboard();
             HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof L"ab");
             memcpy(GlobalLock(block), L"ab", sizeof L"ab");
             GlobalUnlock(block);
             SetClipboardData(CF_UNICODETEXT, block);
             CloseClipboard();
             form_->EditPaste();
           },
           [&] {
             testenv::WriteFile(docs_.file("new.txt"), "new");
             form_->OpenDialog.fileName = docs_.file("new.txt");
             Robot r([&](Robot& r) { ConfirmFileDialog(r, "Open text file"); });
             form_->FileOpen();
             r.join();
           }}) {
    form_->memo1.setText(armoured);
    Run([&] { form_->Decrypttext1Click(); }, true, false);
    ASSERT_TRUE(form_->VerdictBar.visible());
    change();
    EXPECT_FALSE(form_->VerdictBar.visible()) << "change " << changes;
    ++changes;
  }
}

// Sign text signs the window's text as a clear-signed message; Decrypt on it
// checks it without a pass phrase and keeps the text, also when the text was
// changed or has unsigned text around it. A window with an encrypted message
// beside a signed one is decrypted.
TEST_F(VerdictBar, SignTextThenDecryptVerifiesItWithoutAPassPhrase) {
  testenv::WriteFile(pgp_.file("scenario.txt"), std::string("passphrase=") + kPass + "\r\n");
  // The pop-up menu's Sign follows its Decrypt entries.
  std::vector<std::string> popup;
  for (int i = 0; i < GetMenuItemCount(form_->PopupMenu1.handle()); ++i) {
    char caption[64] = "";
    GetMenuStringA(form_->PopupMenu1.handle(), i, caption, sizeof caption, MF_BYPOSITION);
    popup.push_back(caption);
  }
  EXPECT_EQ(popup, (std::vector<std::string>{"Clear", "", "Copy", "Cut", "Paste", "", "Decrypt", "Sign", "Encrypt",
                                             "Send", "", "Exit"}));
  const std::set<std::string> before = testenv::TempFiles();
  const std::string text = "Pay Bob 10.\r\n-- \r\nCarol";
  form_->memo1.setText(text);
  Run([&] { form_->Signtext1Click(); }, true, false);
  const std::string signedText = form_->memo1.text();
  auto parsed = scriptpgp::ParseClearSigned(signedText);
  ASSERT_TRUE(parsed) << signedText;
  EXPECT_EQ(parsed->text, text);
  EXPECT_EQ(parsed->signer, "Carol Example");
  EXPECT_TRUE(parsed->intact);
  const std::string log = Log();
  EXPECT_EQ(log.rfind("\"" + pgp_.file("PGP.EXE") + "\" -sta \"", 0), 0u) << log;
  EXPECT_TRUE(log.ends_with("\" -u\"Carol Example\" +clearsig=on +BatchMode\r\n")) << log;
  EXPECT_EQ(testenv::TempFiles(), before);

  struct Case {
    std::string window;
    Hue hue;
    bool warning;
    std::string begins, ends;
  };
  std::string changed = signedText;
  changed.replace(changed.find("10."), 3, "99.");
  const Case cases[] = {
      {signedText, Hue::Green, false, "Good signature from Carol Example (key ID ", ", made 2024/01/02 03:04 GMT"},
      {changed, Hue::Red, true, "BAD signature from Carol Example (key ID ", ": the text does not match its signature"},
      {"Pay Mallory 1000.\r\n" + signedText, Hue::Amber, false, "Good signature from Carol Example",
       "; the text around the signed part is not covered by the signature"},
  };
  for (const Case& c : cases) {
    form_->memo1.setText(c.window);
    Run([&] { form_->Decrypttext1Click(); }, false, c.warning);
    EXPECT_EQ(form_->memo1.text(), c.window);
    RunIdle([&](Robot& r) {
      const Seen seen = Look(r);
      EXPECT_TRUE(seen.shown);
      EXPECT_EQ(seen.text.rfind(c.begins, 0), 0u) << seen.text;
      EXPECT_TRUE(seen.text.ends_with(c.ends)) << seen.text;
      EXPECT_TRUE(Shows(seen.face, c.hue)) << std::hex << seen.face;
    });
  }
  // An encrypted message beside the signed one: decrypted, as always.
  const std::string plain = "secret plan";
  form_->memo1.setText(signedText + scriptpgp::FormatScriptMessage({plain, {"Alice Example"}, ""}));
  Run([&] { form_->Decrypttext1Click(); }, true, false);
  EXPECT_EQ(form_->memo1.text(), plain);
  EXPECT_EQ(testenv::TempFiles(), before);
}

// File decryption has no text beside it: the verdict comes in a box.
TEST_F(VerdictBar, FileDecryptionTellsTheVerdictInABox) {
  const std::string input = docs_.file("LETTER.pgp");
  testenv::WriteFile(input, scriptpgp::FormatScriptMessage({"plain", {"Alice Example"}, ""}));
  for (const std::string& report :
       {kGood, "WARNING: Bad signature, doesn't match file contents!\r\n\r\nBad signature from user \"" + kGrace +
                   "\".\r\n"}) {
    Report(report);
    const bool good = report == kGood;
    const std::string output = docs_.file(good ? "good.txt" : "bad.txt");
    form_->OpenDialog.fileName = input;
    form_->SaveDialog.fileName = output;
    std::string box;
    Robot r([&](Robot& r) {
      ConfirmFileDialog(r, "Choose file to decrypt");
      ConfirmFileDialog(r, "Choose output filename");
      TypePassPhrase(r, kPass);
      box = AnswerBox(r, good ? "Information" : "Warning");
    });
    form_->DecryptFileItemClick();
    r.join();
    EXPECT_EQ(box, "Signature of " + input + " :\r\n\r\n" +
                       (good ? kGoodText : "BAD signature from " + kGrace + ": the text does not match its signature"));
    EXPECT_EQ(testenv::ReadFile(output), "plain");
    EXPECT_FALSE(form_->VerdictBar.visible());
  }
}

}  // namespace

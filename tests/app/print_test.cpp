// File > Print on a real printer: the tests' own print server (started by
// wine-run before Wine) has a PDF printer as the default, and the PDF it
// writes is read back with pdftotext. The first page is kept as a PNG beside
// the screenshots.
#include <windows.h>

#include <gtest/gtest.h>
// after windows.h
#include <shlwapi.h>

#include <memory>
#include <optional>
#include <sstream>

#include "app/Main.h"
#include "settings/Settings.h"
#include "tests/support/dialogs.h"
#include "tests/support/process.h"
#include "tests/support/robot.h"
#include "tests/support/testenv.h"

namespace {

using robot::Robot;
using testenv::RunIdle;

constexpr int kLines = 200;

std::string Number(int i) {
  char n[8];
  snprintf(n, sizeof n, "%03d", i);
  return n;
}

// Line i starts with "Start<i>" and ends with "End<i>"; every 20th is far
// wider than the page, so the page width has to break it, and another every
// 20th is as wide in Cyrillic (measured in characters, not bytes).
constexpr int kWidenings = 60;
const char* const kCyrillicWord = "расширение";

std::string Text(int lines) {
  std::string text;
  for (int i = 1; i <= lines; ++i) {
    text += "Start" + Number(i) + " line of the printed message";
    if (i % 20 == 7 || i % 20 == 13) {
      for (int w = 0; w < kWidenings; ++w) text += std::string(" ") + (i % 20 == 7 ? "widening" : kCyrillicWord);
    }
    text += " End" + Number(i) + "\r\n";
  }
  return text;
}

// How many of the Cyrillic words stand whole in `paper`.
int CyrillicWords(const std::string& paper) {
  int n = 0;
  for (size_t i = paper.find(kCyrillicWord); i != std::string::npos; i = paper.find(kCyrillicWord, i + 1)) ++n;
  return n;
}

class Printing : public testing::Test {
 protected:
  void SetUp() override {
    Settings = TSettings{};
    Settings.WordWrap = false;
    form_ = std::make_unique<TMainForm>();
    form_->setText("Sealwright test window");
    form_->memo1.setWordWrap(false);
    form_->show();
  }
  void TearDown() override { form_.reset(); }

  // File > Print, then the print dialog's `button`.
  void Print(Robot& r, const char* button) {
    r.menu(form_->handle(), {"&File", "&Print"});
    HWND dialog = r.waitWindow("Print");
    ASSERT_TRUE(dialog);
    r.clickButton(dialog, button);
    r.waitGone(dialog);
    r.sync(form_->handle());
  }

  std::unique_ptr<TMainForm> form_;
  testenv::TempDir dir_;
};

// What File > Print put on paper: the PDF's page count and its text, page
// breaks as form feeds. `cancelFirst` tries Cancel in the dialog first. The
// first page is kept as `shot`.png beside the screenshots.
struct Paper {
  int pages = 0;
  std::string text;
};

// Line i of `text` (1-based, `lines` of them) found whole and in order:
// "Start<i>" before "End<i>", after line i-1. The number of lines found.
int LinesInOrder(const std::string& text, int lines) {
  size_t at = 0;
  int found = 0;
  for (int i = 1; i <= lines; ++i) {
    size_t start = text.find("Start" + Number(i), at);
    size_t end = start == std::string::npos ? start : text.find("End" + Number(i), start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "line " << i << " missing or out of order";
      continue;
    }
    at = end;
    ++found;
  }
  return found;
}

class PrintingToPaper : public Printing {
 protected:
  std::optional<Paper> PrintWindowText(bool cancelFirst, const std::string& shot) {
    const char* pdfDir = getenv("SW_PDF_DIR");
    if (!pdfDir) {
      ADD_FAILURE() << "no print server: tools/print-server needs cups and printer-driver-cups-pdf";
      return std::nullopt;
    }
    // PDFs newer than this mark are this test's.
    const std::string mark = dir_.file("mark");
    testenv::WriteFile(mark, "");
    RunIdle([&](Robot& r) {
      if (cancelFirst) Print(r, "Cancel");
      // Wine's PostScript driver sends the all-scripts face glyph by glyph
      // (its tables are too large for a whole-font download): seconds a page.
      r.setReplyTimeout(60000);
      Print(r, "OK");
    });
    const std::string page1 = testproc::UnixPath(testenv::BinDir() + "..\\screenshots") + "/" + shot;
    const std::string script = "d=" + testproc::ShQuote(pdfDir) +
                               "; mark=" + testproc::ShQuote(testproc::UnixPath(mark)) + "; mkdir -p \"$(dirname " +
                               testproc::ShQuote(page1) +
                               ")\"\n"
                               // The PDF printer writes asynchronously: wait until the queue is empty.
                               "for i in $(seq 300); do\n"
                               "  new=$(find \"$d\" -maxdepth 1 -name '*.pdf' -newer \"$mark\")\n"
                               "  [ -n \"$new\" ] && [ -z \"$(lpstat -o 2>/dev/null)\" ] && break\n"
                               "  sleep 0.2\n"
                               "done\n"
                               "[ \"$(echo \"$new\" | grep -c .)\" = 1 ] || { echo \"PDFs: $new\"; exit 1; }\n"
                               "pdfinfo \"$new\" | sed -n 's/^Pages: *//p'\n"
                               "pdftotext \"$new\" -\n"
                               "pdftoppm -png -r 60 -f 1 -l 1 -singlefile \"$new\" " +
                               testproc::ShQuote(page1) + "\nrm -f \"$new\"\n";
    auto outcome = testproc::RunHostShell(script, 90000);
    if (!outcome || outcome->status != 0) {
      ADD_FAILURE() << (outcome ? outcome->out : "sh did not run");
      return std::nullopt;
    }
    Paper paper;
    std::istringstream in(outcome->out);
    in >> paper.pages;
    paper.text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return paper;
  }
};

TEST_F(PrintingToPaper, EveryLineReachesThePaperAndCancelPrintsNothing) {
  form_->memo1.setText(Text(kLines));
  auto paper = PrintWindowText(true, "print_page1");
  ASSERT_TRUE(paper);
  const int found = LinesInOrder(paper->text, kLines);
  // Pages are separated by form feeds; every page but the last is full.
  std::vector<int> rows(1, 0);
  std::istringstream lines(paper->text);
  for (std::string line; std::getline(lines, line);) {
    for (char c : line) {
      if (c == '\f') rows.push_back(0);
    }
    if (line.find_first_not_of(" \f") != std::string::npos) ++rows.back();
  }
  while (!rows.empty() && rows.back() == 0) rows.pop_back();
  int total = 0;
  for (int n : rows) total += n;
  ASSERT_FALSE(rows.empty());
  const int perPage = rows.front();
  const int pages = paper->pages;
  EXPECT_EQ(pages, static_cast<int>(rows.size()));
  EXPECT_EQ(pages, (total + perPage - 1) / perPage) << "rows " << total << ", " << perPage << " on page 1";
  for (size_t p = 0; p + 1 < rows.size(); ++p) EXPECT_EQ(rows[p], perPage) << "page " << p + 1;
  EXPECT_EQ(CyrillicWords(paper->text), kLines / 20 * kWidenings);
  std::printf("printed: %d pages, %d rows (%d on a full page), %d of %d lines found\n", pages, total, perPage, found,
              kLines);
}

// One page, whole: the 32-bit build's smoke case (its Wine needs the 32-bit
// printing library to find a printer at all).
TEST_F(PrintingToPaper, OnePageReachesThePaperWhole) {
  form_->memo1.setText(Text(20));
  auto paper = PrintWindowText(false, "print_one_page");
  ASSERT_TRUE(paper);
  EXPECT_EQ(paper->pages, 1);
  EXPECT_EQ(LinesInOrder(paper->text, 20), 20);
  EXPECT_EQ(CyrillicWords(paper->text), kWidenings);
}

// With no printer at all the default error box says so and nothing is
// printed. The printers are kept aside in a key of their own meanwhile.
TEST_F(Printing, WithoutAPrinterTheErrorBoxNamesTheProblem) {
  const char* printers = "System\\CurrentControlSet\\Control\\Print\\Printers";
  const char* aside = "Software\\Sealwright printers aside";
  const char* windows = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
  HKEY from = nullptr, to = nullptr, win = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, printers, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &from, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, aside, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &to, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, windows, 0, KEY_ALL_ACCESS, &win), ERROR_SUCCESS);
  char device[512] = {};
  DWORD size = sizeof device - 1;
  const bool hadDefault =
      RegQueryValueExA(win, "Device", nullptr, nullptr, reinterpret_cast<BYTE*>(device), &size) == 0;
  ASSERT_EQ(SHCopyKeyA(from, nullptr, to, 0), ERROR_SUCCESS);
  RegCloseKey(from);
  SHDeleteKeyA(HKEY_LOCAL_MACHINE, printers);
  RegDeleteValueA(win, "Device");
  form_->memo1.setText("text\r\n");
  std::string box;
  RunIdle([&](Robot& r) {
    r.menu(form_->handle(), {"&File", "&Print"});
    box = testenv::AnswerBox(r, "Sealwright 32");
    r.sync(form_->handle());
    EXPECT_FALSE(r.exists("Print"));
  });
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, printers, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &from, nullptr);
  SHCopyKeyA(to, nullptr, from, 0);
  if (hadDefault) {
    RegSetValueExA(win, "Device", 0, REG_SZ, reinterpret_cast<BYTE*>(device), static_cast<DWORD>(strlen(device) + 1));
  }
  RegCloseKey(win);
  RegCloseKey(from);
  RegCloseKey(to);
  SHDeleteKeyA(HKEY_CURRENT_USER, aside);
  EXPECT_EQ(box, "No printers are installed.");
}

}  // namespace

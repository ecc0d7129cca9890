// The program's own message boxes: captions, buttons, placement, and Enter
// and Escape as the program's conventions have them.
#include "ui/msgbox.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/dialogs.h"
#include "tests/support/robot.h"
#include "ui/handles.h"

namespace {

using robot::Robot;

struct Outcome {
  ui::ModalResult result = ui::ModalResult::None;
  std::vector<std::string> buttons;
  std::string text;
  bool centred = false;
};

// A main window for the boxes to return to: key strokes that end a box go
// on to the window that has the focus next.
class MessageBoxes : public testing::Test {
 protected:
  void SetUp() override {
    ui::Form::Args a;
    a.caption = "message box owner";
    a.border = ui::Border::Sizeable;
    a.mainWindow = true;
    owner_ = std::make_unique<ui::Form>(a);
    owner_->show();
    ui::Application::Get().setMainForm(owner_.get());
  }
  void TearDown() override {
    ui::Application::Get().setMainForm(nullptr);
    owner_.reset();
  }
  std::unique_ptr<ui::Form> owner_;
};

// Shows a box with `text` and answers it with `key` (0: nothing pressed, the
// robot only looks); its screenshot is msgbox_<caption><shot>.
Outcome Show(ui::MsgKind kind, unsigned buttons, const char* caption, UINT key,
             const std::string& text = "Really go on ?", const std::string& shot = "") {
  Outcome out;
  std::atomic<bool> done{false};
  Robot r([&](Robot& rb) {
    HWND box = rb.waitWindow(caption);
    if (!box) return;
    for (HWND b : rb.children(box, "Button")) out.buttons.push_back(rb.text(b));
    out.text = testenv::BoxText(rb, box);
    RECT rc = rb.screenRect(box);
    int cx = (rc.left + rc.right) / 2, cy = (rc.top + rc.bottom) / 2;
    out.centred =
        std::abs(cx - GetSystemMetrics(SM_CXSCREEN) / 2) <= 1 && std::abs(cy - GetSystemMetrics(SM_CYSCREEN) / 2) <= 1;
    rb.screenshot(box, std::string("msgbox_") + caption + shot);
    if (key)
      rb.key(box, key);
    else
      rb.close(box);
  });
  out.result = ui::MessageDlg(text, kind, buttons);
  // The box closes on the key going down; the robot waits for it coming up,
  // which this thread must still handle.
  std::thread([&] {
    r.join();
    done = true;
  }).detach();
  testenv::PumpUntil(done);
  return out;
}

TEST_F(MessageBoxes, YesNoTakesYesOnEnterAndNoOnEscape) {
  Outcome enter = Show(ui::MsgKind::Confirm, ui::mbYes | ui::mbNo, "Confirm", VK_RETURN);
  EXPECT_EQ(enter.result, ui::ModalResult::Yes);
  EXPECT_EQ(enter.buttons, (std::vector<std::string>{"&Yes", "&No"}));
  EXPECT_EQ(enter.text, "Really go on ?");
  EXPECT_TRUE(enter.centred);
  EXPECT_EQ(Show(ui::MsgKind::Confirm, ui::mbYes | ui::mbNo, "Confirm", VK_ESCAPE).result, ui::ModalResult::No);
}

TEST_F(MessageBoxes, OkCancelAndOkAlone) {
  EXPECT_EQ(Show(ui::MsgKind::Warning, ui::mbOK | ui::mbCancel, "Warning", VK_RETURN).result, ui::ModalResult::Ok);
  EXPECT_EQ(Show(ui::MsgKind::Warning, ui::mbOK | ui::mbCancel, "Warning", VK_ESCAPE).result, ui::ModalResult::Cancel);
  Outcome ok = Show(ui::MsgKind::Information, ui::mbOK, "Information", VK_ESCAPE);
  EXPECT_EQ(ok.result, ui::ModalResult::Ok);
  EXPECT_EQ(ok.buttons, (std::vector<std::string>{"OK"}));
  // A Yes/No/Cancel box: Escape is Cancel, and Enter (no OK) is Yes.
  EXPECT_EQ(Show(ui::MsgKind::Confirm, ui::mbYes | ui::mbNo | ui::mbCancel, "Confirm", VK_ESCAPE).result,
            ui::ModalResult::Cancel);
  EXPECT_EQ(Show(ui::MsgKind::Error, ui::mbOK, "Error", 0).result, ui::ModalResult::Ok);
}

// The faces the windows ask for have Cyrillic, Greek and CJK glyphs in the
// prefix (Wine's Western-only bitmap "MS Sans Serif" there would show bars),
// bold as well, and a box shows such a text whole. An emoji is drawn as boxes
// by Wine 8's controls; its text stays exact.
TEST_F(MessageBoxes, EveryScriptHasGlyphsAndIsShownWhole) {
  ui::Dc dc(CreateCompatibleDC(nullptr));
  const struct {
    const char* face;
    int height;
    bool bold;
  } fonts[] = {{"MS Sans Serif", -11, false}, {"MS Sans Serif", -11, true}, {"System", 16, true}};
  for (const auto& f : fonts) {
    ui::Font font(CreateFontA(f.height, 0, 0, 0, f.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, f.face));
    ui::SelectObjectScope use(dc.get(), font.get());
    WORD glyphs[3] = {};
    ASSERT_EQ(GetGlyphIndicesW(dc.get(), L"\x41F\x3BB\x4E16", 3, glyphs, GGI_MARK_NONEXISTING_GLYPHS), 3u);
    EXPECT_NE(glyphs[0], 0xFFFF) << f.face << (f.bold ? " bold" : "") << ": no Cyrillic";
    EXPECT_NE(glyphs[1], 0xFFFF) << f.face << (f.bold ? " bold" : "") << ": no Greek";
    EXPECT_NE(glyphs[2], 0xFFFF) << f.face << (f.bold ? " bold" : "") << ": no CJK";
  }
  const std::string text = "Ключ «Алиса Пример <alice@example.ru>», Ελληνικά, 山田太郎 😀 !";
  Outcome shown = Show(ui::MsgKind::Information, ui::mbOK, "Information", VK_RETURN, text, "_scripts");
  EXPECT_EQ(shown.text, text);
}

TEST_F(MessageBoxes, DefaultErrorBoxAddsAFullStop) {
  std::string text;
  std::vector<std::string> buttons;
  std::atomic<bool> done{false};
  Robot r([&](Robot& rb) {
    HWND box = rb.waitWindow("Sealwright 32");
    if (!box) return;
    for (HWND b : rb.children(box, "Button")) buttons.push_back(rb.text(b));
    text = testenv::BoxText(rb, box);
    rb.clickButton(box, "OK");
  });
  ui::Application::Get().handleException(std::make_exception_ptr(std::runtime_error("Disk full")));
  r.join();
  EXPECT_EQ(text, "Disk full.");
  EXPECT_EQ(buttons, (std::vector<std::string>{"OK"}));
}

}  // namespace

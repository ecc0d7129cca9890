#include "ui/msgbox.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "ui/codepage.h"
#include "ui/controls.h"

namespace ui {

namespace {

class MessageForm : public Form {
 public:
  MessageForm(std::string_view caption, std::string_view text, LPCSTR icon, unsigned buttons)
      : Form(Args{std::string(caption), 300, 100, FontSpec{"MS Sans Serif", -11, false}, Border::Dialog, true, true}),
        icon_(*this, {.bounds = {12, 12, 32, 32}, .icon = LoadIconA(nullptr, icon)}),
        label_(*this, {.left = 56, .top = 12, .caption = std::string(text)}) {
    // Measure the text to size the form around it.
    RECT tr{0, 0, GetSystemMetrics(SM_CXSCREEN) / 2, 0};
    {
      WindowDc dc(handle());
      SelectObjectScope useFont(dc.get(), Window::font());
      const std::wstring t = Widen(text);
      DrawTextW(dc.get(), t.c_str(), static_cast<int>(t.size()), &tr, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    }
    int textW = tr.right;
    int textH = std::max<int>(tr.bottom, 32);
    label_.setBounds({56, 12 + (textH > 32 ? 0 : (32 - tr.bottom) / 2), textW, static_cast<int>(tr.bottom)});

    struct Def {
      unsigned flag;
      const char* caption;
      ModalResult result;
    };
    const Def defs[] = {{mbYes, "&Yes", ModalResult::Yes},
                        {mbNo, "&No", ModalResult::No},
                        {mbOK, "OK", ModalResult::Ok},
                        {mbCancel, "Cancel", ModalResult::Cancel}};
    std::vector<const Def*> shown;
    for (const auto& d : defs) {
      if (buttons & d.flag) shown.push_back(&d);
    }
    const int bw = 75, bh = 25, gap = 8;
    int rowW = static_cast<int>(shown.size()) * bw + (static_cast<int>(shown.size()) - 1) * gap;
    int clientW = std::max(56 + textW + 16, rowW + 24);
    int top = 12 + textH + 16;
    int x = (clientW - rowW) / 2;
    unsigned enter = (buttons & mbOK) ? mbOK : mbYes;
    unsigned escape = (buttons & mbCancel) ? mbCancel : (buttons & mbNo) ? mbNo : mbOK;
    for (const Def* d : shown) {
      buttons_.push_back(std::make_unique<Button>(*this, Button::Args{.bounds = {x, top, bw, bh},
                                                                      .caption = d->caption,
                                                                      .modalResult = d->result,
                                                                      .isDefault = d->flag == enter,
                                                                      .isCancel = d->flag == escape}));
      x += bw + gap;
    }
    setClientSize(clientW, top + bh + 12);
    Rect b = bounds();
    setBounds({(GetSystemMetrics(SM_CXSCREEN) - b.width) / 2, (GetSystemMetrics(SM_CYSCREEN) - b.height) / 2, b.width,
               b.height});
  }

 protected:
  void onClose() override {
    // The close box acts like Escape.
    if (cancelButton) cancelButton->click();
  }

 private:
  Image icon_;
  Label label_;
  std::vector<std::unique_ptr<Button>> buttons_;
};

}  // namespace

ModalResult MessageDlg(std::string_view text, MsgKind kind, unsigned buttons) {
  static const char* const captions[] = {"Warning", "Error", "Information", "Confirm"};
  static const LPCSTR icons[] = {IDI_EXCLAMATION, IDI_HAND, IDI_ASTERISK, IDI_QUESTION};
  auto k = static_cast<size_t>(kind);
  MessageForm form(captions[k], text, icons[k], buttons);
  return form.showModal();
}

void ShowDefaultError(std::string_view text) {
  std::string t(text);
  t += '.';
  MessageForm form(Application::Get().title(), t, IDI_HAND, mbOK);
  form.showModal();
}

}  // namespace ui

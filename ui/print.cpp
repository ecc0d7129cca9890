#include "ui/print.h"

#include <algorithm>
#include <vector>

#include "ui/codepage.h"
#include "ui/errors.h"
#include "ui/handles.h"
#include "ui/printrows.h"

namespace ui {

// The rich-edit control's own printing (EM_FORMATRANGE) is not there under
// Wine, so the text is laid out here: the screen font at the printer's
// resolution, rows broken at the printable width, as many rows a page as fit
// its height.
void PrintText(HDC printer, HFONT screenFont, std::string_view text, const std::string& title) {
  LOGFONTA lf{};
  GetObjectA(screenFont ? screenFont : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), sizeof lf, &lf);
  {
    WindowDc screen(nullptr);
    lf.lfHeight = MulDiv(lf.lfHeight, GetDeviceCaps(printer, LOGPIXELSY), GetDeviceCaps(screen.get(), LOGPIXELSY));
  }
  lf.lfWidth = 0;
  lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;  // a bitmap face does not print: its outline look-alike does
  Font printerFont(CreateFontIndirectA(&lf));
  SelectObjectScope select(printer, printerFont.get());
  // The printable area, from its own origin: the physical page is larger by
  // the hardware margins, and text placed over it is cut.
  const int width = GetDeviceCaps(printer, HORZRES);
  const int height = GetDeviceCaps(printer, VERTRES);
  TEXTMETRICA tm{};
  GetTextMetricsA(printer, &tm);
  const int rowHeight = std::max<int>(1, tm.tmHeight + tm.tmExternalLeading);
  const size_t rowsPerPage = static_cast<size_t>(std::max(1, height / rowHeight));
  // Measured and drawn in UTF-16: the ANSI calls convert with the font's code
  // page, not a UTF-8 process code page.
  const std::vector<std::wstring> rows = PrintRows(Widen(text), [&](std::wstring_view row) {
    int fit = 0;
    SIZE size{};
    GetTextExtentExPointW(printer, row.data(), static_cast<int>(row.size()), width, &fit, nullptr, &size);
    return static_cast<size_t>(std::max(fit, 0));
  });

  DOCINFOA doc{};
  doc.cbSize = sizeof doc;
  doc.lpszDocName = title.c_str();
  if (StartDocA(printer, &doc) <= 0) throw Error("Printer error");
  bool ok = true;
  size_t next = 0;
  do {
    ok = StartPage(printer) > 0;
    for (size_t row = 0; ok && row < rowsPerPage && next < rows.size(); ++row, ++next) {
      const std::wstring& r = rows[next];
      if (!r.empty()) TextOutW(printer, 0, static_cast<int>(row) * rowHeight, r.data(), static_cast<int>(r.size()));
    }
    ok = ok && EndPage(printer) > 0;
  } while (ok && next < rows.size());
  if (ok) ok = EndDoc(printer) > 0;
  if (!ok) {
    AbortDoc(printer);
    throw Error("Printer error");
  }
}

}  // namespace ui

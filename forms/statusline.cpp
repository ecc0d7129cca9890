#include "forms/statusline.h"

void StatusLine::show(const std::string& text) const {
  if (!panel) return;
  panel->setCaption(text);
  panel->repaint();
}

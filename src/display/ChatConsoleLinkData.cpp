#include "display/ChatConsoleLinkData.h"

#include <QGuiApplication>

namespace tessra {

TLinkData::TLinkData(std::function<void()> changed) : Changed(std::move(changed)) {
  LinkFont.Font = QGuiApplication::font();
  LinkFont.Color = QColor(0, 0, 255);
  LinkHoverFont = LinkFont;
  LinkHoverFont.Font.setUnderline(true);
}

void TLinkData::Assign(const TLinkData& other) {
  if (&other == this) {
    return;
  }
  LinkFont = other.LinkFont;
  LinkHoverFont = other.LinkHoverFont;
  if (Changed) {
    Changed();
  }
}

void TLinkData::SetFont(const TChatFont& font) {
  LinkFont = font;
  if (Changed) {
    Changed();
  }
}

void TLinkData::SetHoverFont(const TChatFont& font) {
  LinkHoverFont = font;
  if (Changed) {
    Changed();
  }
}

} // namespace tessra

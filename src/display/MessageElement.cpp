#include "display/MessageElement.h"

namespace tessra {

TMessageElement::TMessageElement(const TMessageElement& other)
    : Line(other.Line), Text(other.Text), Value(other.Value), SizeStep(other.SizeStep),
      Row(other.Row), Width(other.Width), Height(other.Height), Color(other.Color),
      Background(other.Background), Kind(other.Kind), Style(other.Style), Blink(other.Blink),
      Selected(other.Selected), NoSelect(other.NoSelect), NotURL(other.NotURL),
      Effect(other.Effect), HoverEffect(other.HoverEffect),
      LinkTexts(other.LinkTexts ? std::make_unique<TLinkTexts>(*other.LinkTexts) : nullptr) {}

TMessageElement& TMessageElement::operator=(const TMessageElement& other) {
  if (this != &other) {
    TMessageElement copy(other);
    *this = std::move(copy);
  }
  return *this;
}

const QString& TMessageElement::Params() const {
  static const QString kEmpty;
  return LinkTexts ? LinkTexts->Params : kEmpty;
}

const QString& TMessageElement::Hint() const {
  static const QString kEmpty;
  return LinkTexts ? LinkTexts->Hint : kEmpty;
}

void TMessageElement::SetLinkTexts(QString params, QString hint) {
  if (params.isEmpty() && hint.isEmpty()) {
    LinkTexts.reset();
    return;
  }
  LinkTexts = std::make_unique<TLinkTexts>(TLinkTexts{std::move(params), std::move(hint)});
}

} // namespace tessra

#include "display/MessageNode.h"

#include <algorithm>
#include <limits>

namespace tessra {

namespace {

// The hint URL detection gives each address it turns into a link; such hints are not stored but
// made again from the address when asked for.
QString DerivedUrlHint(const QString& address) {
  if (address.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)) {
    return QLatin1String("Open ") + address + QLatin1String(" in default browser");
  }
  if (address.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive)) {
    return QLatin1String("Send email to ") + address + QLatin1String(" via default mail client");
  }
  if (address.startsWith(QLatin1String("news://"), Qt::CaseInsensitive)) {
    return QLatin1String("Read news from ") + address + QLatin1String(" in default news client");
  }
  return QString();
}

std::uint32_t PackColor(TColorValue color) {
  switch (color.Kind()) {
  case TColorKind::None:
    return 0;
  case TColorKind::Rgb:
    return (1u << 24) | color.Rgb();
  case TColorKind::System:
    return (2u << 24) | std::uint32_t(color.SystemIndex());
  case TColorKind::Default:
    return 3u << 24;
  }
  return 0;
}

TColorValue UnpackColor(std::uint32_t packed) {
  switch (packed >> 24) {
  case 1:
    return TColorValue::FromRgb(packed & 0xFFFFFFu);
  case 2:
    return TColorValue::FromSystem(int(packed & 0xFFu));
  case 3:
    return TColorValue::Default();
  default:
    return TColorValue::None();
  }
}

} // namespace

std::uint32_t TMessageNode::Store(QStringView text) {
  if (text.isEmpty()) {
    return 0;
  }
  QByteArray encoded;
  if (Wide) {
    encoded = QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
  } else {
    encoded = text.toLatin1();
  }
  const qsizetype unit = Wide ? 2 : 1;
  if (Texts.endsWith(encoded)) {
    return static_cast<std::uint32_t>((Texts.size() - encoded.size()) / unit);
  }
  const auto offset = static_cast<std::uint32_t>(Texts.size() / unit);
  Texts += encoded;
  return offset;
}

QString TMessageNode::Stored(std::uint32_t offset, std::uint32_t length) const {
  const qsizetype unit = Wide ? 2 : 1;
  if (length == 0 || (qsizetype(offset) + qsizetype(length)) * unit > Texts.size()) {
    return QString();
  }
  if (Wide) {
    return QString::fromRawData(reinterpret_cast<const QChar*>(Texts.constData()) + offset,
                                qsizetype(length));
  }
  return QString::fromLatin1(Texts.constData() + offset, qsizetype(length));
}

QString TMessageNode::Copied(std::uint32_t offset, std::uint32_t length) const {
  QString text = Stored(offset, length);
  text.detach();
  return text;
}

void TMessageNode::Assign(const std::vector<TMessageElement>& parsed) {
  Items.clear();
  Side.clear();
  Texts.clear();

  // Size the text store once; sharing only makes it smaller.
  qsizetype textSize = 0;
  Wide = false;
  const auto latin1 = [](const QString& text) {
    for (QChar c : text) {
      if (c.unicode() > 0xFF) {
        return false;
      }
    }
    return true;
  };
  for (const TMessageElement& element : parsed) {
    textSize += element.Text.size() + element.Params().size() + element.Hint().size();
    if (!Wide && !(latin1(element.Text) && latin1(element.Params()) && latin1(element.Hint()))) {
      Wide = true;
    }
  }
  Texts.reserve(textSize * (Wide ? 2 : 1));
  Items.reserve(parsed.size());

  const auto length = [](const QString& text) {
    return static_cast<std::uint32_t>(
        std::min<qsizetype>(text.size(), std::numeric_limits<std::uint32_t>::max()));
  };

  for (const TMessageElement& element : parsed) {
    TNodeElement item;
    item.Kind = element.Kind;
    item.Flags = static_cast<std::uint8_t>((element.Style & TNodeElement::kStyleMask) |
                                           (element.Blink ? TNodeElement::kBlink : 0) |
                                           (element.NoSelect ? TNodeElement::kNoSelect : 0));
    switch (element.Kind) {
    case ekText: {
      // A text longer than an element can hold goes into several elements in a row.
      const QString& text = element.Text;
      qsizetype at = 0;
      do {
        const qsizetype piece = std::min<qsizetype>(text.size() - at, 0xFFFF);
        TNodeElement part = item;
        part.Data = Store(QStringView(text).mid(at, piece));
        part.Length = static_cast<std::uint16_t>(piece);
        at += piece;
        if (at < text.size()) {
          Items.push_back(part);
        } else {
          item = part;
        }
      } while (at < text.size());
      break;
    }
    case ekImage:
    case ekColumn:
    case ekRule:
      item.Data = static_cast<std::uint32_t>(element.Value);
      break;
    case ekLinkStart: {
      item.Data = static_cast<std::uint32_t>(Side.size());
      const QString& params = element.Params();
      const QString& hint = element.Hint();
      const bool derived = !hint.isEmpty() && hint == DerivedUrlHint(params);
      const std::uint32_t nameAt = Store(element.Text);
      const std::uint32_t paramsAt = Store(params);
      const std::uint32_t hintAt = derived ? 0 : Store(hint);
      std::uint32_t flags = 0;
      flags |= element.NotURL ? kLinkNotURL : 0;
      flags |= element.Effect ? kLinkEffect : 0;
      flags |= element.HoverEffect ? kLinkHoverEffect : 0;
      flags |= derived ? kLinkDerivedHint : 0;
      Side.insert(Side.end(), {nameAt, length(element.Text), paramsAt, length(params), hintAt,
                               derived ? 0u : length(hint), flags});
      break;
    }
    case ekFontStart: {
      item.Data = static_cast<std::uint32_t>(Side.size());
      const std::uint32_t faceAt = Store(element.Text);
      Side.insert(Side.end(),
                  {faceAt, length(element.Text), static_cast<std::uint32_t>(element.Value),
                   static_cast<std::uint32_t>(element.SizeStep), PackColor(element.Color),
                   PackColor(element.Background)});
      break;
    }
    default:
      break;
    }
    Items.push_back(item);
  }
  Texts.squeeze();
  Side.shrink_to_fit();
  Items.shrink_to_fit();
  ResetLayout();
}

QString TMessageNode::ElementText(const TNodeElement& element) const {
  return Stored(element.Data, element.Length);
}

TNodeLink TMessageNode::Link(const TNodeElement& element) const {
  TNodeLink link;
  if (element.Kind != ekLinkStart || std::size_t(element.Data) + 7 > Side.size()) {
    return link;
  }
  const std::uint32_t* words = Side.data() + element.Data;
  // Copies, so that a caller may keep them after the line is gone.
  link.Name = Copied(words[0], words[1]);
  link.Params = Copied(words[2], words[3]);
  link.Hint =
      (words[6] & kLinkDerivedHint) != 0 ? DerivedUrlHint(link.Params) : Copied(words[4], words[5]);
  link.NotURL = (words[6] & kLinkNotURL) != 0;
  link.Effect = (words[6] & kLinkEffect) != 0;
  link.HoverEffect = (words[6] & kLinkHoverEffect) != 0;
  return link;
}

TNodeFont TMessageNode::Font(const TNodeElement& element) const {
  TNodeFont font;
  if (element.Kind != ekFontStart || std::size_t(element.Data) + 6 > Side.size()) {
    return font;
  }
  const std::uint32_t* words = Side.data() + element.Data;
  font.Face = Copied(words[0], words[1]);
  font.Size = static_cast<int>(words[2]);
  font.Step = static_cast<int>(words[3]);
  font.Color = UnpackColor(words[4]);
  font.Background = UnpackColor(words[5]);
  return font;
}

void TMessageNode::ResetLayout() {
  LayoutWidth = 0;
  Height = 0;
  for (TNodeElement& item : Items) {
    item.Width = 0;
    item.Height = 0;
  }
}

void TMessageNode::ResetTimestampSizes() {
  for (TNodeElement& item : Items) {
    if (item.Kind == ekTimestamp) {
      item.Width = 0;
      item.Height = 0;
    }
  }
}

std::size_t TMessageNode::MemoryUsage() const {
  std::size_t bytes = sizeof(*this);
  bytes += Items.capacity() * sizeof(TNodeElement);
  bytes += Side.capacity() * sizeof(std::uint32_t);
  bytes += std::size_t(Texts.capacity());
  bytes += std::size_t(Text.capacity()) * sizeof(QChar);
  if (RowHeights.capacity() > 2) {
    bytes += std::size_t(RowHeights.capacity()) * sizeof(int);
  }
  return bytes;
}

} // namespace tessra

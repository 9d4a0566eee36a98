// Feeds arbitrary received bytes through the text transforms: ReplaceLiterals with and without
// emoticons, the codec, colour codes, tag stripping and the outgoing escape, and checks what
// each promises about its result.

#include <cstddef>
#include <cstdint>

#include <QByteArrayView>
#include <QColor>
#include <QString>

#include "display/ChatTextCodec.h"
#include "display/ColorCodes.h"
#include "display/Emoticons.h"
#include "display/TextTransforms.h"

namespace {

void Check(bool condition) {
  if (!condition) {
    __builtin_trap();
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  const QString text = tessra::DecodeChatText(bytes);
  // One character per byte at most: UTF-8 shrinks, the Windows-1252 read is one to one.
  Check(text.size() <= bytes.size());
  Check(tessra::DecodeChatText(tessra::EncodeChatText(text)) == text || text.isEmpty() ||
        text.contains(QChar(0xFFFD)));

  tessra::TReplaceLiteralsSettings settings;
  settings.ParseEmoticons = size % 2 == 0;
  settings.BackgroundColor = QColor(0, 0, 0);
  const QString markup = tessra::ReplaceLiterals(bytes, nullptr, QColor(0xFF, 0xFF, 0), settings);
  Check(!markup.contains(QChar(0x12)) && !markup.contains(QChar(0x11)));

  // Protection matches without case and restores the lower-case forms.
  Check(tessra::RestoreSpecials(tessra::ProtectSpecials(text)).compare(text, Qt::CaseInsensitive) ==
        0);
  const QString stripped = tessra::StripColorCodes(text);
  Check(!stripped.contains(QChar(0x12)) && !stripped.contains(QChar(0x11)));
  Check(tessra::StripTags(text).size() <= text.size());

  const QString escaped = tessra::EscapeMarkup(text);
  Check(!escaped.contains(QLatin1Char('<')) && !escaped.contains(QLatin1Char('"')));
  // The user's own text never sends a tag unless it spells an entity name.
  const QByteArray sent = tessra::PrepareOutgoingText(text);
  if (!text.contains(QLatin1String("&lt;"), Qt::CaseInsensitive)) {
    Check(!sent.contains('<'));
  }
  return 0;
}

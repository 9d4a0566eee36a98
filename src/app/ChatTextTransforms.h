#pragma once

#include <functional>
#include <optional>

#include <QByteArray>
#include <QByteArrayView>
#include <QColor>
#include <QString>

namespace tessra {

class TBlob;

// The text transforms the chat presenter builds its lines with. The main window binds them to the
// shared transforms together with the settings they read (emoticons, the console's background,
// the reference parsers), so the presenter itself stays free of those.
struct TChatTextTransforms {
  // Wire text (UTF-8) to text; never fails.
  std::function<QString(QByteArrayView bytes)> DecodeChatText;
  // Text to wire text (UTF-8).
  std::function<QByteArray(const QString& text)> EncodeChatText;
  // A received message and its blob to console mark-up shown in the message colour (none for
  // server system messages).
  std::function<QString(QByteArrayView message, const TBlob* blob,
                        const std::optional<QColor>& messageColor)>
      ReplaceLiterals;
  // The text without the game's colour codes.
  std::function<QString(const QString& text)> StripColorCodes;
  // "RRGGBB", upper case.
  std::function<QString(const QColor& color)> ColorToHex;
};

} // namespace tessra

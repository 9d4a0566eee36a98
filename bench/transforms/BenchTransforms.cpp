// Speed of the text transforms. Every figure is a ratio against a baseline measured in the same
// run: ReplaceLiterals and PrepareOutgoingText per byte against DecodeChatText alone, and the
// time per byte of a 64 KiB message against a 1 KiB message of the same kind (about 1 when the
// transform is linear). Hostile text is dense with codes, placeholders and half emoticons.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

#include <QByteArray>
#include <QColor>
#include <QString>

#include "display/ChatTextCodec.h"
#include "display/TextTransforms.h"

namespace {

using TClock = std::chrono::steady_clock;

// Nanoseconds per byte, best of five rounds of at least 40 ms.
double NanosecondsPerByte(const QByteArray& message, const std::function<qsizetype()>& run) {
  double best = 1e300;
  for (int round = 0; round < 5; ++round) {
    std::size_t repeats = 0;
    qsizetype sink = 0;
    const TClock::time_point start = TClock::now();
    TClock::duration spent{};
    do {
      sink += run();
      ++repeats;
      spent = TClock::now() - start;
    } while (spent < std::chrono::milliseconds(40));
    if (sink == 0) {
      std::puts("");
    }
    const double ns = double(std::chrono::duration_cast<std::chrono::nanoseconds>(spent).count());
    best = std::min(best, ns / double(repeats) / double(message.size()));
  }
  return best;
}

QByteArray Repeat(const QByteArray& piece, qsizetype size) {
  QByteArray text;
  while (text.size() < size) {
    text += piece;
  }
  text.truncate(size);
  return text;
}

} // namespace

int main() {
  const QByteArray chat("Selling <font color=\"#FFFF00\">\x10\x04"
                        "shiny</font> sword :) see "
                        "http://shop.example/ &amp; ask me 8) \xC3\x84 ok\n");
  const QByteArray hostile(":\x10\x17&\x17<=:o8\x11;\x12\xC3&lt;http:/:O\x10");
  tessra::TReplaceLiteralsSettings settings;
  settings.BackgroundColor = QColor(0, 0, 0);
  const QColor message(0xFF, 0xFF, 0xFF);

  auto literals = [&](const QByteArray& text) {
    return NanosecondsPerByte(
        text, [&] { return tessra::ReplaceLiterals(text, nullptr, message, settings).size(); });
  };
  auto decode = [&](const QByteArray& text) {
    return NanosecondsPerByte(text, [&] { return tessra::DecodeChatText(text).size(); });
  };
  auto outgoing = [&](const QByteArray& text) {
    const QString typed = QString::fromUtf8(text);
    return NanosecondsPerByte(text, [&] { return tessra::PrepareOutgoingText(typed).size(); });
  };

  const QByteArray chatSmall = Repeat(chat, 1024);
  const QByteArray chatLarge = Repeat(chat, 64 * 1024);
  const QByteArray hostileSmall = Repeat(hostile, 1024);
  const QByteArray hostileLarge = Repeat(hostile, 64 * 1024);

  const double decodeChat = decode(chatSmall);
  const double literalsChat = literals(chatSmall);
  const double literalsChatLarge = literals(chatLarge);
  const double literalsHostile = literals(hostileSmall);
  const double literalsHostileLarge = literals(hostileLarge);
  const double outgoingChat = outgoing(chatSmall);
  const double outgoingChatLarge = outgoing(chatLarge);

  std::printf("decode 1KiB chat: %.2f ns/byte\n", decodeChat);
  std::printf("ReplaceLiterals 1KiB chat: %.2f ns/byte, 64KiB: %.2f\n", literalsChat,
              literalsChatLarge);
  std::printf("ReplaceLiterals 1KiB hostile: %.2f ns/byte, 64KiB: %.2f\n", literalsHostile,
              literalsHostileLarge);
  std::printf("PrepareOutgoingText 1KiB chat: %.2f ns/byte, 64KiB: %.2f\n", outgoingChat,
              outgoingChatLarge);
  std::printf("literals_vs_decode=%.1f hostile_vs_chat=%.2f literals_64k_vs_1k=%.2f "
              "hostile_64k_vs_1k=%.2f outgoing_vs_decode=%.1f outgoing_64k_vs_1k=%.2f\n",
              literalsChat / decodeChat, literalsHostile / literalsChat,
              literalsChatLarge / literalsChat, literalsHostileLarge / literalsHostile,
              outgoingChat / decodeChat, outgoingChatLarge / outgoingChat);
  return 0;
}

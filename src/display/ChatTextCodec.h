#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace tessra {

// Chat protocol text is UTF-8 on the wire. Inside the program it is full Unicode, so decoding
// valid UTF-8 loses nothing.
//
// Some senders put text of a single-byte code page, or UTF-8 that a code-page conversion has
// damaged, on the wire. Such bytes are not valid UTF-8: they are repaired with the two fix-up
// tables (UTF-8 pairs of the usual accented letters become the letter's single byte, a letter
// followed by the underscores a damaged conversion left behind becomes the letter alone) and
// then read as Windows-1252. Decoding never fails.
QString DecodeChatText(QByteArrayView bytes);

// UTF-8.
QByteArray EncodeChatText(const QString& text);

// The repair step of DecodeChatText on its own: both fix-up tables applied to the raw bytes.
QByteArray ApplyFixUpTables(QByteArrayView bytes);

// Windows-1252 to Unicode; the five bytes the code page leaves undefined keep their value as
// a code point.
QString DecodeWindows1252(QByteArrayView bytes);

} // namespace tessra

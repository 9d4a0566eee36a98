#pragma once

#include <QByteArray>

class QTextDocument;

namespace tessra {

// Writes a QTextDocument as Rich Text Format in the style of a rich edit control, the form of
// ".ref" files:
//   {\rtf1\ansi\ansicpg1252\deff0\deflang1033{\fonttbl{\f0\fnil\fcharset0 Arial;}}
//   {\colortbl ;\red255\green0\blue0;}
//   \viewkind4\uc1\pard\f0\fs18 plain \cf1 red\cf0  plain\par
//   }
// Per character it keeps the foreground and background colour (\cf, \highlight), bold, italic,
// underline, strike-out and point size. The output is plain ASCII: braces and backslashes are
// escaped, and every other character is written as \uN followed by its Windows-1252 byte (or
// "?") for readers without Unicode. Pictures and other objects are left out.
class TRtfWriter {
public:
  static QByteArray Write(const QTextDocument& document);
};

} // namespace tessra

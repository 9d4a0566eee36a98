#pragma once

#include <map>
#include <memory>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>
#include <QColor>
#include <QString>

class QStringDecoder;
class QTextDocument;

namespace tessra {

// Reads Rich Text Format documents, the format of ".ref" files, into a QTextDocument: the text
// with per-character foreground and background colour, bold, italic, underline, strike-out and
// point size. Everything else RTF can express (fonts, paragraph layout, pictures, tables,
// fields' instructions, document information) is skipped; the text of tables and fields stays.
//
// A damaged file never stops the reader beyond two clear errors, both raised before the
// document is touched:
// - "Not an RTF document" when the data does not start with "{\rtf" (leading white space
//   allowed);
// - "RTF document nests groups too deeply" when more than kMaxGroupDepth groups are open at
//   once.
// Everything else is recovered silently: a file that ends inside a group keeps the text read so
// far, text after the document's closing brace is ignored, unknown control words and broken
// escapes are dropped, and impossible Unicode values become U+FFFD. Reading is one pass over
// the bytes with an explicit group stack, so its time is linear in the input.
class TRtfReader {
public:
  static constexpr int kMaxGroupDepth = 512;

  // Replaces the document's content with the RTF document's text. The document's undo history
  // is cleared, as loading a file into an editor does.
  static void Read(QByteArrayView rtf, QTextDocument& document);

  explicit TRtfReader(QByteArrayView rtf);
  ~TRtfReader();
  TRtfReader(const TRtfReader&) = delete;
  TRtfReader& operator=(const TRtfReader&) = delete;

  void ReadInto(QTextDocument& document);

private:
  // Where the text of the current group goes.
  enum class TDestination { Text, Skip, FontTable, ColorTable };

  // The character properties that end up in the document. Colours are indexes into the colour
  // table (-1 = automatic), the size is in half points (0 = the document's default).
  struct TCharProps {
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    int HalfPoints = 0;
    int Foreground = -1;
    int Background = -1;
    bool operator==(const TCharProps&) const = default;
  };

  struct TGroupState {
    TDestination Destination = TDestination::Text;
    TCharProps Props;
    int Font = -1; // -1 = the document's default font (\deff)
    int UnicodeSkip = 1;
  };

  struct TFontEntry {
    int Charset = 0;
    int CodePage = 0;
  };

  // One piece of the result: a run of equally formatted text, or a paragraph break.
  struct TRun {
    QString Text;
    TCharProps Props;
    bool ParagraphBreak = false;
  };

  void Parse();
  void OpenGroup();
  bool CloseGroup();
  void ReadControl();
  void ControlWord(QByteArrayView word, bool hasParam, int param);
  void ControlSymbol(char symbol);
  void TextByte(unsigned char byte);
  bool TakeFallback();

  TGroupState& Current() { return Stack.back(); }
  void PrepareRun();
  void AppendByte(unsigned char byte);
  void AppendText(QStringView text);
  void AppendCodePoint(qint64 value);
  void AppendParagraphBreak();
  void DecodePendingBytes();
  void FlushRun();
  int CurrentCodePage() const;
  QString DecodeBytes(QByteArrayView bytes, int codePage);
  QColor ColorAt(int index) const;
  void Build(QTextDocument& document) const;

  QByteArrayView Data;
  qsizetype Pos = 0;
  std::vector<TGroupState> Stack;
  bool Finished = false;

  int DocumentCodePage = 1252;
  int DefaultFont = 0;
  std::map<int, TFontEntry> Fonts;
  int FontTableEntry = 0;

  std::vector<QColor> Colors;
  int PendingRed = 0;
  int PendingGreen = 0;
  int PendingBlue = 0;
  bool PendingColorSet = false;

  int FallbackLeft = 0; // characters still to skip after a \u
  QByteArray PendingBytes;
  int PendingCodePage = 1252;
  TRun Run;
  std::vector<TRun> Runs;
  std::map<int, std::unique_ptr<QStringDecoder>> Decoders;
};

} // namespace tessra

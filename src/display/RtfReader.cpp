#include "display/RtfReader.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <unordered_map>

#include <QStringDecoder>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include "common/ChatException.h"
#include "display/ChatTextCodec.h"

namespace tessra {

namespace {

constexpr const char* kNotRtf = "Not an RTF document";
constexpr const char* kTooDeep = "RTF document nests groups too deeply";

// Control words longer than this are nobody's; they are read to their end and dropped.
constexpr qsizetype kMaxWordLength = 32;
// Parameters saturate here, so that long digit runs neither overflow nor wrap around.
constexpr int kParamLimit = 1'000'000'000;
// 1638 points is the largest size word processors offer.
constexpr int kMaxHalfPoints = 3276;
constexpr int kMaxUnicodeSkip = 255;
constexpr std::size_t kMaxDecoders = 8;

enum class TWord {
  Ansi,
  AnsiCodePage,
  Mac,
  Pc,
  Pca,
  DefaultFont,
  Font,
  FontCharset,
  CodePage,
  Red,
  Green,
  Blue,
  FontTable,
  ColorTable,
  SkipDestination,
  Plain,
  Bold,
  Italic,
  Underline,
  UnderlineNone,
  StrikeOut,
  Foreground,
  Background,
  Highlight,
  FontSize,
  Unicode,
  UnicodeSkip,
  Paragraph,
  Line,
  Tab,
  Character,
};

struct TWordEntry {
  TWord Kind;
  char16_t Character = 0;
};

const std::unordered_map<std::string_view, TWordEntry>& WordTable() {
  static const std::unordered_map<std::string_view, TWordEntry> table = [] {
    std::unordered_map<std::string_view, TWordEntry> words = {
        {"ansi", {TWord::Ansi}},
        {"ansicpg", {TWord::AnsiCodePage}},
        {"mac", {TWord::Mac}},
        {"pc", {TWord::Pc}},
        {"pca", {TWord::Pca}},
        {"deff", {TWord::DefaultFont}},
        {"f", {TWord::Font}},
        {"fcharset", {TWord::FontCharset}},
        {"cpg", {TWord::CodePage}},
        {"red", {TWord::Red}},
        {"green", {TWord::Green}},
        {"blue", {TWord::Blue}},
        {"fonttbl", {TWord::FontTable}},
        {"colortbl", {TWord::ColorTable}},
        {"plain", {TWord::Plain}},
        {"b", {TWord::Bold}},
        {"i", {TWord::Italic}},
        {"ulnone", {TWord::UnderlineNone}},
        {"strike", {TWord::StrikeOut}},
        {"striked", {TWord::StrikeOut}},
        {"cf", {TWord::Foreground}},
        {"cb", {TWord::Background}},
        {"chcbpat", {TWord::Background}},
        {"highlight", {TWord::Highlight}},
        {"fs", {TWord::FontSize}},
        {"u", {TWord::Unicode}},
        {"uc", {TWord::UnicodeSkip}},
        {"par", {TWord::Paragraph}},
        {"sect", {TWord::Paragraph}},
        {"page", {TWord::Paragraph}},
        {"row", {TWord::Paragraph}},
        {"nestrow", {TWord::Paragraph}},
        {"line", {TWord::Line}},
        {"tab", {TWord::Tab}},
        {"cell", {TWord::Tab}},
        {"nestcell", {TWord::Tab}},
        {"emdash", {TWord::Character, u'\u2014'}},
        {"endash", {TWord::Character, u'\u2013'}},
        {"emspace", {TWord::Character, u'\u2003'}},
        {"enspace", {TWord::Character, u'\u2002'}},
        {"qmspace", {TWord::Character, u'\u2005'}},
        {"bullet", {TWord::Character, u'\u2022'}},
        {"lquote", {TWord::Character, u'\u2018'}},
        {"rquote", {TWord::Character, u'\u2019'}},
        {"ldblquote", {TWord::Character, u'\u201C'}},
        {"rdblquote", {TWord::Character, u'\u201D'}},
        {"zwbo", {TWord::Character, u'\u200B'}},
        {"zwnj", {TWord::Character, u'\u200C'}},
        {"zwj", {TWord::Character, u'\u200D'}},
        {"ltrmark", {TWord::Character, u'\u200E'}},
        {"rtlmark", {TWord::Character, u'\u200F'}},
    };
    // Every underline style shows as an underline; \ulc is the underline's colour, not a style.
    for (const char* style : {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave",
                              "ulldash", "ulth", "ulthd", "ulthdash", "ulthdashd", "ulthdashdd",
                              "ulthldash", "ululdbwave", "ulw", "ulwave"}) {
      words.emplace(style, TWordEntry{TWord::Underline});
    }
    // Destinations whose text is not part of the document's body.
    for (const char* destination : {"stylesheet",   "info",      "pict",
                                    "header",       "headerl",   "headerr",
                                    "headerf",      "footer",    "footerl",
                                    "footerr",      "footerf",   "footnote",
                                    "annotation",   "atnid",     "atnauthor",
                                    "author",       "operator",  "title",
                                    "subject",      "keywords",  "comment",
                                    "doccomm",      "category",  "company",
                                    "manager",      "hlinkbase", "buptim",
                                    "creatim",      "printim",   "revtim",
                                    "filetbl",      "listtable", "listoverridetable",
                                    "revtbl",       "rsidtbl",   "nonshppict",
                                    "object",       "objdata",   "objclass",
                                    "objname",      "private",   "fldinst",
                                    "xe",           "tc",        "txe",
                                    "template",     "docvar",    "userprops",
                                    "xmlnstbl",     "themedata", "colorschememapping",
                                    "latentstyles", "datastore", "pgdsctbl",
                                    "ftnsep",       "ftnsepc",   "aftnsep",
                                    "aftnsepc",     "bkmkstart", "bkmkend",
                                    "shp",          "generator", "mmathPr",
                                    "pnseclvl"}) {
      words.emplace(destination, TWordEntry{TWord::SkipDestination});
    }
    return words;
  }();
  return table;
}

bool IsLetter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}

int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

// The Windows code page behind a font's \fcharset; 0 means the document's own code page.
int CharsetCodePage(int charset) {
  switch (charset) {
  case 77:
    return 10000;
  case 128:
    return 932;
  case 129:
    return 949;
  case 130:
    return 1361;
  case 134:
    return 936;
  case 136:
    return 950;
  case 161:
    return 1253;
  case 162:
    return 1254;
  case 163:
    return 1258;
  case 177:
    return 1255;
  case 178:
    return 1256;
  case 186:
    return 1257;
  case 204:
    return 1251;
  case 222:
    return 874;
  case 238:
    return 1250;
  case 255:
    return 437;
  default:
    return 0;
  }
}

// Control characters have no place in the text; a tab is the one that stays.
bool KeepCharacter(char16_t c) {
  return c >= 0x20 || c == u'\t';
}

// Lone halves of surrogate pairs cannot be shown or saved; they become U+FFFD.
void RepairSurrogates(QString& text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      ++i;
    } else if (c.isSurrogate()) {
      text[i] = QChar::ReplacementCharacter;
    }
  }
}

} // namespace

void TRtfReader::Read(QByteArrayView rtf, QTextDocument& document) {
  TRtfReader reader(rtf);
  reader.ReadInto(document);
}

TRtfReader::TRtfReader(QByteArrayView rtf) : Data(rtf) {}

TRtfReader::~TRtfReader() = default;

void TRtfReader::ReadInto(QTextDocument& document) {
  Parse();
  Build(document);
}

void TRtfReader::Parse() {
  while (Pos < Data.size() &&
         (Data[Pos] == ' ' || Data[Pos] == '\t' || Data[Pos] == '\r' || Data[Pos] == '\n')) {
    ++Pos;
  }
  if (!Data.sliced(Pos).startsWith("{\\rtf")) {
    throw TChatException(kNotRtf);
  }
  while (Pos < Data.size() && !Finished) {
    const auto c = static_cast<unsigned char>(Data[Pos++]);
    switch (c) {
    case '{':
      OpenGroup();
      break;
    case '}':
      Finished = CloseGroup();
      break;
    case '\\':
      ReadControl();
      break;
    case '\r':
    case '\n':
      break;
    default:
      TextByte(c);
      break;
    }
  }
  // A file that ends inside a group keeps what was read: the usual damage is a cut-off tail.
  FlushRun();
  // Every paragraph ends with \par, the last one too; it does not open another paragraph.
  if (!Runs.empty() && Runs.back().ParagraphBreak) {
    Runs.pop_back();
  }
}

void TRtfReader::OpenGroup() {
  if (Stack.size() >= std::size_t(kMaxGroupDepth)) {
    throw TChatException(kTooDeep);
  }
  Stack.push_back(Stack.empty() ? TGroupState{} : Stack.back());
  FallbackLeft = 0;
}

bool TRtfReader::CloseGroup() {
  if (Stack.back().Destination == TDestination::ColorTable &&
      (Stack.size() < 2 || Stack[Stack.size() - 2].Destination != TDestination::ColorTable) &&
      PendingColorSet) {
    // A last entry without its ";" still counts.
    Colors.push_back(QColor(PendingRed, PendingGreen, PendingBlue));
    PendingColorSet = false;
  }
  Stack.pop_back();
  FallbackLeft = 0;
  // The brace that closes the document's own group ends the document.
  return Stack.empty();
}

void TRtfReader::ReadControl() {
  if (Pos >= Data.size()) {
    return;
  }
  const auto first = static_cast<unsigned char>(Data[Pos]);
  if (!IsLetter(first)) {
    ++Pos;
    ControlSymbol(char(first));
    return;
  }
  const qsizetype start = Pos;
  while (Pos < Data.size() && IsLetter(static_cast<unsigned char>(Data[Pos]))) {
    ++Pos;
  }
  const QByteArrayView word =
      Pos - start <= kMaxWordLength ? Data.sliced(start, Pos - start) : QByteArrayView();
  bool negative = false;
  if (Pos + 1 < Data.size() && Data[Pos] == '-' &&
      IsDigit(static_cast<unsigned char>(Data[Pos + 1]))) {
    negative = true;
    ++Pos;
  }
  bool hasParam = false;
  int param = 0;
  while (Pos < Data.size() && IsDigit(static_cast<unsigned char>(Data[Pos]))) {
    hasParam = true;
    param = param >= kParamLimit / 10 ? kParamLimit : param * 10 + (Data[Pos] - '0');
    ++Pos;
  }
  if (negative) {
    param = -param;
  }
  // One space is the control word's delimiter, not text.
  if (Pos < Data.size() && Data[Pos] == ' ') {
    ++Pos;
  }
  ControlWord(word, hasParam, param);
}

// A character in the text destination that falls into the fallback of the last \u is dropped.
bool TRtfReader::TakeFallback() {
  if (FallbackLeft > 0) {
    --FallbackLeft;
    return true;
  }
  return false;
}

void TRtfReader::ControlWord(QByteArrayView word, bool hasParam, int param) {
  TGroupState& state = Current();
  if (word == "bin") {
    // Binary data, in pictures mostly: its bytes are never read as RTF.
    if (hasParam && param > 0) {
      Pos += std::min<qsizetype>(param, Data.size() - Pos);
    }
    if (state.Destination == TDestination::Text) {
      TakeFallback();
    }
    return;
  }
  if (state.Destination == TDestination::Skip) {
    return;
  }
  const auto& table = WordTable();
  const auto found = table.find(std::string_view(word.data(), std::size_t(word.size())));
  if (found == table.end()) {
    if (state.Destination == TDestination::Text) {
      TakeFallback();
    }
    return;
  }
  const TWordEntry entry = found->second;
  switch (entry.Kind) {
  case TWord::SkipDestination:
    state.Destination = TDestination::Skip;
    return;
  case TWord::FontTable:
    state.Destination = TDestination::FontTable;
    return;
  case TWord::ColorTable:
    state.Destination = TDestination::ColorTable;
    PendingRed = PendingGreen = PendingBlue = 0;
    PendingColorSet = false;
    return;
  default:
    break;
  }

  if (state.Destination == TDestination::FontTable) {
    switch (entry.Kind) {
    case TWord::Font:
      FontTableEntry = param;
      Fonts.try_emplace(param);
      break;
    case TWord::FontCharset:
      Fonts[FontTableEntry].Charset = param;
      break;
    case TWord::CodePage:
      Fonts[FontTableEntry].CodePage = param;
      break;
    default:
      break;
    }
    return;
  }
  if (state.Destination == TDestination::ColorTable) {
    const int component = std::clamp(param, 0, 255);
    switch (entry.Kind) {
    case TWord::Red:
      PendingRed = component;
      PendingColorSet = true;
      break;
    case TWord::Green:
      PendingGreen = component;
      PendingColorSet = true;
      break;
    case TWord::Blue:
      PendingBlue = component;
      PendingColorSet = true;
      break;
    default:
      break;
    }
    return;
  }

  if (TakeFallback()) {
    return;
  }
  // A toggle without a parameter switches on; with 0 it switches off.
  const bool on = !hasParam || param != 0;
  TCharProps& props = state.Props;
  switch (entry.Kind) {
  case TWord::Ansi:
    DocumentCodePage = 1252;
    break;
  case TWord::AnsiCodePage:
    DocumentCodePage = param > 0 ? param : 1252;
    break;
  case TWord::Mac:
    DocumentCodePage = 10000;
    break;
  case TWord::Pc:
    DocumentCodePage = 437;
    break;
  case TWord::Pca:
    DocumentCodePage = 850;
    break;
  case TWord::DefaultFont:
    DefaultFont = param;
    break;
  case TWord::Font:
    state.Font = param;
    break;
  case TWord::Plain:
    props = TCharProps{};
    break;
  case TWord::Bold:
    props.Bold = on;
    break;
  case TWord::Italic:
    props.Italic = on;
    break;
  case TWord::Underline:
    props.Underline = on;
    break;
  case TWord::UnderlineNone:
    props.Underline = false;
    break;
  case TWord::StrikeOut:
    props.StrikeOut = on;
    break;
  case TWord::Foreground:
    props.Foreground = hasParam ? param : -1;
    break;
  case TWord::Background:
    props.Background = hasParam ? param : -1;
    break;
  case TWord::Highlight:
    // \highlight0 is "no highlight", whatever the table's first entry holds.
    props.Background = hasParam && param > 0 ? param : -1;
    break;
  case TWord::FontSize:
    props.HalfPoints = hasParam && param > 0 ? std::min(param, kMaxHalfPoints) : 0;
    break;
  case TWord::Unicode:
    if (hasParam) {
      // Negative values are how 16-bit writers spell the upper half of the range.
      AppendCodePoint(param < 0 ? qint64(param) + 65536 : qint64(param));
      FallbackLeft = state.UnicodeSkip;
    }
    break;
  case TWord::UnicodeSkip:
    state.UnicodeSkip = std::clamp(param, 0, kMaxUnicodeSkip);
    break;
  case TWord::Paragraph:
    AppendParagraphBreak();
    break;
  case TWord::Line:
    AppendText(u"\u2028");
    break;
  case TWord::Tab:
    AppendText(u"\t");
    break;
  case TWord::Character:
    AppendText(QStringView(&entry.Character, 1));
    break;
  default:
    break;
  }
}

void TRtfReader::ControlSymbol(char symbol) {
  TGroupState& state = Current();
  if (symbol == '*') {
    // An ignorable destination: readers that do not know it skip the whole group.
    state.Destination = TDestination::Skip;
    return;
  }
  if (symbol == '\'') {
    int value = -1;
    if (Pos + 1 < Data.size()) {
      const int high = HexValue(static_cast<unsigned char>(Data[Pos]));
      const int low = HexValue(static_cast<unsigned char>(Data[Pos + 1]));
      if (high >= 0 && low >= 0) {
        value = high * 16 + low;
        Pos += 2;
      }
    }
    // A broken escape is dropped; the characters after it are read as they come.
    if (state.Destination != TDestination::Text || TakeFallback() || value < 0) {
      return;
    }
    AppendByte(static_cast<unsigned char>(value));
    return;
  }
  if (state.Destination != TDestination::Text || TakeFallback()) {
    return;
  }
  switch (symbol) {
  case '\\':
  case '{':
  case '}': {
    const char16_t c = char16_t(symbol);
    AppendText(QStringView(&c, 1));
    break;
  }
  case '~':
    AppendText(u"\u00A0");
    break;
  case '-':
    AppendText(u"\u00AD");
    break;
  case '_':
    AppendText(u"\u2011");
    break;
  case '\t':
    AppendText(u"\t");
    break;
  case '\r':
  case '\n':
    AppendParagraphBreak();
    break;
  default:
    break;
  }
}

void TRtfReader::TextByte(unsigned char byte) {
  TGroupState& state = Current();
  switch (state.Destination) {
  case TDestination::Skip:
  case TDestination::FontTable:
    return;
  case TDestination::ColorTable:
    if (byte == ';') {
      Colors.push_back(PendingColorSet ? QColor(PendingRed, PendingGreen, PendingBlue) : QColor());
      PendingRed = PendingGreen = PendingBlue = 0;
      PendingColorSet = false;
    }
    return;
  case TDestination::Text:
    break;
  }
  if (TakeFallback()) {
    return;
  }
  if (byte >= 0x80 || !PendingBytes.isEmpty()) {
    // Bytes of the code page; an ASCII byte right after them may be the trail byte of a
    // double-byte character, so it joins them.
    AppendByte(byte);
  } else if (KeepCharacter(byte)) {
    const char16_t c = byte;
    AppendText(QStringView(&c, 1));
  }
}

void TRtfReader::PrepareRun() {
  if (!(Current().Props == Run.Props)) {
    FlushRun();
    Run.Props = Current().Props;
  }
}

void TRtfReader::AppendByte(unsigned char byte) {
  PrepareRun();
  const int codePage = CurrentCodePage();
  if (!PendingBytes.isEmpty() && codePage != PendingCodePage) {
    DecodePendingBytes();
  }
  PendingCodePage = codePage;
  PendingBytes.append(char(byte));
}

void TRtfReader::AppendText(QStringView text) {
  PrepareRun();
  DecodePendingBytes();
  Run.Text += text;
}

void TRtfReader::AppendCodePoint(qint64 value) {
  if (value >= 0 && value <= 0xFFFF) {
    const auto c = char16_t(value);
    if (KeepCharacter(c)) {
      AppendText(QStringView(&c, 1));
    }
  } else if (value > 0xFFFF && value <= 0x10FFFF) {
    const char32_t c = char32_t(value);
    AppendText(QString::fromUcs4(&c, 1));
  } else {
    AppendText(u"\uFFFD");
  }
}

void TRtfReader::AppendParagraphBreak() {
  FlushRun();
  Runs.push_back(TRun{QString(), Current().Props, true});
}

void TRtfReader::DecodePendingBytes() {
  if (PendingBytes.isEmpty()) {
    return;
  }
  const QString decoded = DecodeBytes(PendingBytes, PendingCodePage);
  PendingBytes.clear();
  for (const QChar c : decoded) {
    if (KeepCharacter(c.unicode())) {
      Run.Text += c;
    }
  }
}

void TRtfReader::FlushRun() {
  DecodePendingBytes();
  if (!Run.Text.isEmpty()) {
    RepairSurrogates(Run.Text);
    Runs.push_back(Run);
    Run.Text.clear();
  }
}

int TRtfReader::CurrentCodePage() const {
  const int font = Stack.back().Font >= 0 ? Stack.back().Font : DefaultFont;
  const auto found = Fonts.find(font);
  if (found != Fonts.end()) {
    if (found->second.CodePage > 0) {
      return found->second.CodePage;
    }
    if (const int codePage = CharsetCodePage(found->second.Charset); codePage != 0) {
      return codePage;
    }
  }
  return DocumentCodePage;
}

QString TRtfReader::DecodeBytes(QByteArrayView bytes, int codePage) {
  if (codePage == 1252) {
    return DecodeWindows1252(bytes);
  }
  auto found = Decoders.find(codePage);
  if (found == Decoders.end()) {
    // Real documents use one or two code pages; a file that names thousands must not make the
    // reader hold a converter for each.
    if (Decoders.size() >= kMaxDecoders) {
      Decoders.clear();
    }
    std::unique_ptr<QStringDecoder> decoder;
    std::vector<QByteArray> names;
    if (codePage == 10000) {
      names.push_back("macintosh");
    } else if (codePage == 65001) {
      names.push_back("UTF-8");
    }
    const QByteArray number = QByteArray::number(codePage);
    names.push_back("windows-" + number);
    names.push_back("cp" + number);
    names.push_back("IBM" + number);
    for (const QByteArray& name : names) {
      auto candidate =
          std::make_unique<QStringDecoder>(name.constData(), QStringConverter::Flag::Stateless);
      if (candidate->isValid()) {
        decoder = std::move(candidate);
        break;
      }
    }
    found = Decoders.emplace(codePage, std::move(decoder)).first;
  }
  // A code page this system does not know is read as Windows-1252, the common case.
  if (!found->second) {
    return DecodeWindows1252(bytes);
  }
  return found->second->decode(bytes);
}

QColor TRtfReader::ColorAt(int index) const {
  if (index < 0 || std::size_t(index) >= Colors.size()) {
    return QColor();
  }
  return Colors[std::size_t(index)];
}

void TRtfReader::Build(QTextDocument& document) const {
  const bool undo = document.isUndoRedoEnabled();
  document.setUndoRedoEnabled(false);
  document.clear();
  QTextCursor cursor(&document);
  // One edit block: the cursor does not lay out the text after every insertion.
  cursor.beginEditBlock();
  for (const TRun& run : Runs) {
    if (run.ParagraphBreak) {
      cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
      continue;
    }
    QTextCharFormat format;
    if (run.Props.Bold) {
      format.setFontWeight(QFont::Bold);
    }
    if (run.Props.Italic) {
      format.setFontItalic(true);
    }
    if (run.Props.Underline) {
      format.setFontUnderline(true);
    }
    if (run.Props.StrikeOut) {
      format.setFontStrikeOut(true);
    }
    if (run.Props.HalfPoints > 0) {
      format.setFontPointSize(run.Props.HalfPoints / 2.0);
    }
    if (const QColor foreground = ColorAt(run.Props.Foreground); foreground.isValid()) {
      format.setForeground(foreground);
    }
    if (const QColor background = ColorAt(run.Props.Background); background.isValid()) {
      format.setBackground(background);
    }
    cursor.insertText(run.Text, format);
  }
  cursor.endEditBlock();
  document.setUndoRedoEnabled(undo);
  document.setModified(false);
}

} // namespace tessra

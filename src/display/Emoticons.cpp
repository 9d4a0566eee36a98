#include "display/Emoticons.h"

#include <array>

namespace tessra {

namespace {

constexpr std::array<TEmoticonCode, 120> kEmoticonTable = {{
    {":-)", 0},   {":)", 0},    {"=)", 0},   {"=-)", 0},   {":o)", 0},  {"=o)", 0},  {":-]", 0},
    {":]", 0},    {"=]", 0},    {"=-]", 0},  {":o]", 0},   {"=o]", 0},  {":-}", 0},  {":}", 0},
    {"=}", 0},    {"=-}", 0},   {":o}", 0},  {"=o}", 0},   {":-D", 1},  {":D", 1},   {"=D", 1},
    {"=-D", 1},   {":oD", 1},   {"=oD", 1},  {";-)", 2},   {";)", 2},   {";o)", 2},  {";-]", 2},
    {";]", 2},    {";o]", 2},   {";-}", 2},  {";}", 2},    {";o}", 2},  {":-P", 3},  {":P", 3},
    {"=P", 3},    {"=-P", 3},   {":oP", 3},  {"=oP", 3},   {":-p", 3},  {":p", 3},   {"=p", 3},
    {"=-p", 3},   {":op", 3},   {"=op", 3},  {"8-)", 4},   {"8)", 4},   {"8o)", 4},  {"8-]", 4},
    {"8]", 4},    {"8o]", 4},   {"8-}", 4},  {"8}", 4},    {"8o}", 4},  {":-O", 5},  {":O", 5},
    {"=O", 5},    {"=-O", 5},   {":oO", 5},  {"=oO", 5},   {":-o", 5},  {":o", 5},   {"=o", 5},
    {"=-o", 5},   {":Oo", 5},   {"=Oo", 5},  {":-(", 6},   {":(", 6},   {"=(", 6},   {"=-(", 6},
    {":o(", 6},   {"=o(", 6},   {":-S", 7},  {":S", 7},    {"=S", 7},   {"=-S", 7},  {":oS", 7},
    {"=oS", 7},   {":-s", 7},   {":s", 7},   {"=s", 7},    {"=-s", 7},  {":os", 7},  {"=os", 7},
    {":-[", 8},   {":[", 8},    {"=[", 8},   {"=-[", 8},   {":o[", 8},  {"=o[", 8},  {":'-(", 9},
    {":'(", 9},   {"='(", 9},   {"='-(", 9}, {":'o(", 9},  {"='o(", 9}, {":-|", 10}, {":|", 10},
    {"=|", 10},   {"=-|", 10},  {":o|", 10}, {"=o|", 10},  {":-/", 10}, {":/", 10},  {"=/", 10},
    {"=-/", 10},  {":o/", 10},  {"=o/", 10}, {":-\\", 10}, {":\\", 10}, {"=\\", 10}, {"=-\\", 10},
    {":o\\", 10}, {"=o\\", 10}, {":-@", 11}, {":@", 11},   {"=@", 11},  {"=-@", 11}, {":o@", 11},
    {"=o@", 11},
}};

constexpr char16_t kPlaceholderLead = 0x17;

struct TPlaceholder {
  const char* Text;
  char16_t Code;
};

// Protection order: the entities before their bare characters, then the link schemes.
// "https://" is protected like "http://": its ":/" would otherwise become a picture and break
// the address.
constexpr std::array<TPlaceholder, 12> kPlaceholders = {{
    {"&amp;", 0x1B},
    {"&lt;", 0x1C},
    {"&gt;", 0x1D},
    {"&", 0x18},
    {"<", 0x19},
    {">", 0x1A},
    {"http://", 0x1E},
    {"itemref://", 0x1F},
    {"charref://", 0x20},
    {"text://", 0x21},
    {"chatcmd://", 0x22},
    {"https://", 0x23},
}};

} // namespace

std::span<const TEmoticonCode> EmoticonTable() {
  return kEmoticonTable;
}

QString FirstEmoticonCode(int picture) {
  for (const TEmoticonCode& entry : kEmoticonTable) {
    if (entry.Picture == picture) {
      return QString::fromLatin1(entry.Code);
    }
  }
  return QString();
}

QString ProtectSpecials(const QString& text) {
  const QChar lead(kPlaceholderLead);
  QString result = text;
  result.replace(lead, QString(2, lead));
  for (const TPlaceholder& placeholder : kPlaceholders) {
    const QString replacement = QString(lead) + QChar(placeholder.Code);
    result.replace(QLatin1String(placeholder.Text), replacement, Qt::CaseInsensitive);
  }
  return result;
}

namespace {

QString ReplaceCodes(QString text) {
  for (const TEmoticonCode& entry : kEmoticonTable) {
    // No code can match inside an inserted tag: codes hold no quote, no space and no ">".
    text.replace(QLatin1String(entry.Code), QStringLiteral("<img index=\"%1\">").arg(entry.Picture),
                 Qt::CaseSensitive);
  }
  return text;
}

} // namespace

QString InsertEmoticons(const QString& text) {
  // Codes are replaced only outside tags. Inside one ("<a hint="Sword (QL 8)">") a picture tag
  // would end the outer tag early and spill the rest of it onto the line as text. In protected
  // text a tag runs from the "<" placeholder to the ">" placeholder; a doubled lead character is a
  // lead character of the message itself.
  QString result;
  result.reserve(text.size());
  qsizetype segment = 0;
  bool inTag = false;
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {
    if (text[i].unicode() != kPlaceholderLead) {
      continue;
    }
    const char16_t code = text[i + 1].unicode();
    if (code == kPlaceholderLead) {
      ++i;
    } else if (!inTag && code == 0x19) {
      result += ReplaceCodes(text.mid(segment, i - segment));
      segment = i;
      inTag = true;
      ++i;
    } else if (inTag && code == 0x1A) {
      result += text.mid(segment, i + 2 - segment);
      segment = i + 2;
      inTag = false;
      ++i;
    }
  }
  const QString rest = text.mid(segment);
  result += inTag ? rest : ReplaceCodes(rest);
  return result;
}

QString RestoreSpecials(const QString& text) {
  // One scan from the left reads each placeholder as a whole, so the doubled lead character of
  // ProtectSpecials and the placeholder after it can never be mistaken for each other.
  QString result;
  result.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i].unicode() != kPlaceholderLead || i + 1 == text.size()) {
      result += text[i];
      continue;
    }
    const char16_t code = text[i + 1].unicode();
    if (code == kPlaceholderLead) {
      result += text[i];
      ++i;
      continue;
    }
    const TPlaceholder* match = nullptr;
    for (const TPlaceholder& placeholder : kPlaceholders) {
      if (placeholder.Code == code) {
        match = &placeholder;
        break;
      }
    }
    if (match == nullptr) {
      result += text[i];
      continue;
    }
    result += QLatin1String(match->Text);
    ++i;
  }
  return result;
}

} // namespace tessra

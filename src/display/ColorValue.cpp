#include "display/ColorValue.h"

#include <array>
#include <optional>

#include "common/ChatException.h"

namespace tessra {

namespace {

struct TSystemColorRole {
  QPalette::ColorGroup Group;
  QPalette::ColorRole Role;
};

// The platform's system colours by index, taken from the application palette. Memo-like windows
// (the console) use Base/Text, so clWindow and clWindowText map there.
constexpr std::array<TSystemColorRole, kSystemColorCount> kSystemColorRoles = {{
    {QPalette::Active, QPalette::Button},          // 0 clScrollBar
    {QPalette::Active, QPalette::Dark},            // 1 clBackground
    {QPalette::Active, QPalette::Highlight},       // 2 clActiveCaption
    {QPalette::Active, QPalette::Mid},             // 3 clInactiveCaption
    {QPalette::Active, QPalette::Window},          // 4 clMenu
    {QPalette::Active, QPalette::Base},            // 5 clWindow
    {QPalette::Active, QPalette::Shadow},          // 6 clWindowFrame
    {QPalette::Active, QPalette::WindowText},      // 7 clMenuText
    {QPalette::Active, QPalette::Text},            // 8 clWindowText
    {QPalette::Active, QPalette::HighlightedText}, // 9 clCaptionText
    {QPalette::Active, QPalette::Button},          // 10 clActiveBorder
    {QPalette::Active, QPalette::Button},          // 11 clInactiveBorder
    {QPalette::Active, QPalette::Mid},             // 12 clAppWorkSpace
    {QPalette::Active, QPalette::Highlight},       // 13 clHighlight
    {QPalette::Active, QPalette::HighlightedText}, // 14 clHighlightText
    {QPalette::Active, QPalette::Button},          // 15 clBtnFace
    {QPalette::Active, QPalette::Dark},            // 16 clBtnShadow
    {QPalette::Disabled, QPalette::Text},          // 17 clGrayText
    {QPalette::Active, QPalette::ButtonText},      // 18 clBtnText
    {QPalette::Disabled, QPalette::WindowText},    // 19 clInactiveCaptionText
    {QPalette::Active, QPalette::Light},           // 20 clBtnHighlight
    {QPalette::Active, QPalette::Shadow},          // 21 cl3DDkShadow
    {QPalette::Active, QPalette::Midlight},        // 22 cl3DLight
    {QPalette::Active, QPalette::ToolTipText},     // 23 clInfoText
    {QPalette::Active, QPalette::ToolTipBase},     // 24 clInfoBk
    {QPalette::Active, QPalette::Window},          // 25 (no identifier)
    {QPalette::Active, QPalette::Link},            // 26 clHotLight
    {QPalette::Active, QPalette::Highlight},       // 27 clGradientActiveCaption
    {QPalette::Active, QPalette::Midlight},        // 28 clGradientInactiveCaption
    {QPalette::Active, QPalette::Highlight},       // 29 clMenuHighlight
    {QPalette::Active, QPalette::Window},          // 30 clMenuBar
}};

struct TColorIdentifier {
  const char* Name;
  TColorValue Color;
};

constexpr std::array<TColorIdentifier, 52> kColorIdentifiers = {{
    {"clBlack", TColorValue::FromRgb(0x000000)},
    {"clMaroon", TColorValue::FromRgb(0x800000)},
    {"clGreen", TColorValue::FromRgb(0x008000)},
    {"clOlive", TColorValue::FromRgb(0x808000)},
    {"clNavy", TColorValue::FromRgb(0x000080)},
    {"clPurple", TColorValue::FromRgb(0x800080)},
    {"clTeal", TColorValue::FromRgb(0x008080)},
    {"clGray", TColorValue::FromRgb(0x808080)},
    {"clSilver", TColorValue::FromRgb(0xC0C0C0)},
    {"clRed", TColorValue::FromRgb(0xFF0000)},
    {"clLime", TColorValue::FromRgb(0x00FF00)},
    {"clYellow", TColorValue::FromRgb(0xFFFF00)},
    {"clBlue", TColorValue::FromRgb(0x0000FF)},
    {"clFuchsia", TColorValue::FromRgb(0xFF00FF)},
    {"clAqua", TColorValue::FromRgb(0x00FFFF)},
    {"clWhite", TColorValue::FromRgb(0xFFFFFF)},
    {"clMoneyGreen", TColorValue::FromRgb(0xC0DCC0)},
    {"clSkyBlue", TColorValue::FromRgb(0xA6CAF0)},
    {"clCream", TColorValue::FromRgb(0xFFFBF0)},
    {"clMedGray", TColorValue::FromRgb(0xA0A0A4)},
    {"clNone", TColorValue::None()},
    {"clDefault", TColorValue::Default()},
    {"clScrollBar", TColorValue::FromSystem(0)},
    {"clBackground", TColorValue::FromSystem(1)},
    {"clActiveCaption", TColorValue::FromSystem(2)},
    {"clInactiveCaption", TColorValue::FromSystem(3)},
    {"clMenu", TColorValue::FromSystem(4)},
    {"clWindow", TColorValue::FromSystem(5)},
    {"clWindowFrame", TColorValue::FromSystem(6)},
    {"clMenuText", TColorValue::FromSystem(7)},
    {"clWindowText", TColorValue::FromSystem(8)},
    {"clCaptionText", TColorValue::FromSystem(9)},
    {"clActiveBorder", TColorValue::FromSystem(10)},
    {"clInactiveBorder", TColorValue::FromSystem(11)},
    {"clAppWorkSpace", TColorValue::FromSystem(12)},
    {"clHighlight", TColorValue::FromSystem(13)},
    {"clHighlightText", TColorValue::FromSystem(14)},
    {"clBtnFace", TColorValue::FromSystem(15)},
    {"clBtnShadow", TColorValue::FromSystem(16)},
    {"clGrayText", TColorValue::FromSystem(17)},
    {"clBtnText", TColorValue::FromSystem(18)},
    {"clInactiveCaptionText", TColorValue::FromSystem(19)},
    {"clBtnHighlight", TColorValue::FromSystem(20)},
    {"cl3DDkShadow", TColorValue::FromSystem(21)},
    {"cl3DLight", TColorValue::FromSystem(22)},
    {"clInfoText", TColorValue::FromSystem(23)},
    {"clInfoBk", TColorValue::FromSystem(24)},
    {"clHotLight", TColorValue::FromSystem(26)},
    {"clGradientActiveCaption", TColorValue::FromSystem(27)},
    {"clGradientInactiveCaption", TColorValue::FromSystem(28)},
    {"clMenuHighlight", TColorValue::FromSystem(29)},
    {"clMenuBar", TColorValue::FromSystem(30)},
}};

constexpr std::array<TVeyraColorName, 100> kVeyraColorNames = {{
    {"Black", 0x000000},
    {"Grey", 0x808080},
    {"White", 0xFFFFFF},
    {"Ivory", 0xFFFFCF},
    {"Cream", 0xFFE7A6},
    {"Olive", 0x808000},
    {"Tan", 0xCFAD41},
    {"Wheat", 0xDFDF41},
    {"Goldenrod", 0xFFFF41},
    {"Yellow", 0xFFFF00},
    {"Lime", 0x00FF00},
    {"Lawn Green", 0x00EF00},
    {"Green", 0x008000},
    {"Sea Green", 0x61E78E},
    {"Hunter", 0x61AD61},
    {"Forest", 0x00A551},
    {"Cyan", 0x00FFFF},
    {"Sky", 0x30D7FF},
    {"Slate Blue", 0x9ED7DF},
    {"Lavender", 0x8EB5FF},
    {"Periwinkle", 0x9C9CFF},
    {"Blue", 0x0000FF},
    {"Fuchsia", 0xFF00FF},
    {"Magenta", 0xFF009E},
    {"Red", 0xFF0000},
    {"Silver", 0xC0C0C0},
    {"Gray", 0x808080},
    {"Maroon", 0x800000},
    {"Navy", 0x000080},
    {"Purple", 0x800080},
    {"Teal", 0x008080},
    {"Aqua", 0x00FFFF},
    {"ct_error", 0xFF0000},
    {"ct_system", 0xFFFFFF},
    {"ct_cmd_feedback", 0xFFFF00},
    {"ct_otell", 0xFFFF00},
    {"ct_itell", 0x00FFFF},
    {"ctch_admin", 0xFF8CFC},
    {"ctch_clan", 0x0FF20B},
    {"ctch_emote", 0xFF0099},
    {"ctch_gm", 0xFF61A6},
    {"ctch_misc", 0xFFFFFF},
    {"ctch_newbie", 0x66FF99},
    {"ctch_news", 0x00F000},
    {"ctch_pgroup", 0xFFFFFF},
    {"ctch_seekingteam", 0x6699FF},
    {"ctch_shout", 0xFFFFC9},
    {"ctch_team", 0x63E689},
    {"ctch_tell", 0x00FFFF},
    {"ctch_vicinity", 0xFFFF45},
    {"ctch_whisper", 0x30D2FF},
    {"ctch_tower", 0xFF63FF},
    {"ctch_mypet", 0xFF7718},
    {"ctch_otherpet", 0xDF6718},
    {"CCNoneColor", 0xFF00FF},
    {"CCMenubarColor", 0x15E0A0},
    {"CCWhisperColor", 0x30D2FF},
    {"CCTellColor", 0x00FFFF},
    {"CCShoutColor", 0xFFFFC9},
    {"CCVicinityColor", 0xFFFF45},
    {"CCCommColor", 0x00A651},
    {"CCTeamColor", 0x63E689},
    {"CCClanColor", 0x0FF20B},
    {"CCTowerColor", 0xFF63FF},
    {"CCAdminColor", 0xFF8CFC},
    {"CCMiscColor", 0xFFFFFF},
    {"CCGMColor", 0xFF61A6},
    {"CCSeekingTeamColor", 0x6699FF},
    {"CCNewbieColor", 0x66FF99},
    {"CCNewsColor", 0x00F000},
    {"CCEmoteColor", 0xFF0099},
    {"CCMeHitByTavrinColor", 0xFFFFFF},
    {"CCOtherHitByTavrinColor", 0x9AD5D9},
    {"CCMonsterHitMeColor", 0xFF0000},
    {"CCPlayerHitMeColor", 0xFF0000},
    {"CCMeHitOtherColor", 0xD9D9D2},
    {"CCOtherHitOtherColor", 0x999926},
    {"CCOtherHitOtherMyPetColor", 0xFF7718},
    {"CCMeHealedColor", 0x8CB6FF},
    {"CCMeGotXpColor", 0xFFFF00},
    {"CCSkillColor", 0xFFE3A1},
    {"CCShowFullNameColor", 0x00EE00},
    {"CCLinkColor", 0x2299FF},
    {"CCToolTipColor", 0x000000},
    {"CCRed", 0xFF0000},
    {"CCGreen", 0x00F000},
    {"CCBlue", 0x0000FF},
    {"CCWhite", 0xFFFFFF},
    {"CCYellow", 0xFFFF00},
    {"CCCashColor", 0xCCAA44},
    {"CCInfoHeadline", 0xDDDD44},
    {"CCInfoHeader", 0x00DD44},
    {"CCInfoText", 0x66AA66},
    {"CCInfoTextBold", 0xEEEEEE},
    {"CCCCTextColor", 0xCCCCCC},
    {"CCCCHeaderColor", 0xEEEEEE},
    {"CCChatCmdFeedbackError", 0x00FFFF},
    {"CCChatCmdFeedbackInfo", 0xFFFF00},
    {"CCNPCChatEmote", 0xFF0040},
    {"CCNPCChatSystem", 0xFF0040},
}};

// The toolkit's own numbers for "no colour", "default colour" and the system colours
// (0x80000000 + index), which a numeric colour value may spell out.
constexpr std::uint32_t kNumberNone = 0x1FFFFFFF;
constexpr std::uint32_t kNumberDefault = 0x20000000;
constexpr std::uint32_t kNumberSystemBase = 0x80000000;

int HexDigit(QChar c) {
  const char16_t u = c.unicode();
  if (u >= '0' && u <= '9') {
    return u - '0';
  }
  if (u >= 'a' && u <= 'f') {
    return u - 'a' + 10;
  }
  if (u >= 'A' && u <= 'F') {
    return u - 'A' + 10;
  }
  return -1;
}

// Reads hexadecimal digits; nothing, a non-digit or more than 32 bits is not a number.
std::optional<std::uint32_t> ParseHex(QStringView digits) {
  if (digits.isEmpty()) {
    return std::nullopt;
  }
  std::uint64_t value = 0;
  for (QChar c : digits) {
    const int digit = HexDigit(c);
    if (digit < 0) {
      return std::nullopt;
    }
    value = value * 16 + std::uint64_t(digit);
    if (value > 0xFFFFFFFFu) {
      return std::nullopt;
    }
  }
  return std::uint32_t(value);
}

// An integer as the toolkit's string-to-integer conversion reads it: an optional sign, then
// decimal digits, or hexadecimal digits after "$" or "0x". Decimal values must fit 32 signed bits;
// hexadecimal ones may use all 32 bits.
std::optional<std::uint32_t> ParseColorNumber(QStringView text) {
  bool negative = false;
  if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
    negative = text.front() == u'-';
    text = text.mid(1);
  }
  std::optional<std::uint32_t> value;
  if (text.startsWith(u'$')) {
    value = ParseHex(text.mid(1));
  } else if (text.startsWith(u"0x", Qt::CaseInsensitive)) {
    value = ParseHex(text.mid(2));
  } else {
    if (text.isEmpty()) {
      return std::nullopt;
    }
    std::uint64_t decimal = 0;
    for (QChar c : text) {
      if (c < u'0' || c > u'9') {
        return std::nullopt;
      }
      decimal = decimal * 10 + std::uint64_t(c.unicode() - u'0');
      if (decimal > (negative ? 0x80000000u : 0x7FFFFFFFu)) {
        return std::nullopt;
      }
    }
    value = std::uint32_t(decimal);
  }
  if (value && negative) {
    value = std::uint32_t(0u - *value);
  }
  return value;
}

TColorValue ColorFromBgr(std::uint32_t bbggrr) {
  return TColorValue::FromRgb(int(bbggrr & 0xFF), int((bbggrr >> 8) & 0xFF),
                              int((bbggrr >> 16) & 0xFF));
}

// A numeric colour: the toolkit's special numbers, else the low three bytes in BBGGRR order.
TColorValue ColorFromNumber(std::uint32_t number) {
  if (number == kNumberNone) {
    return TColorValue::None();
  }
  if (number == kNumberDefault) {
    return TColorValue::Default();
  }
  if ((number & 0xFF000000u) == kNumberSystemBase && (number & 0xFFFFFFu) < kSystemColorCount) {
    return TColorValue::FromSystem(int(number & 0xFF));
  }
  return ColorFromBgr(number & 0xFFFFFFu);
}

[[noreturn]] void ThrowConversionError(const QString& value) {
  throw TChatException(FormatMessage("'%s' is not a valid integer value", {value.toStdString()}));
}

// "#RRGGBB": characters 6-7, 4-5 and 2-3 (as far as they exist) form a BBGGRR number.
TColorValue ColorFromHash(const QString& value) {
  QString digits = value.mid(5, 2);
  digits += value.mid(3, 2);
  digits += value.mid(1, 2);
  const std::optional<std::uint32_t> bgr = ParseHex(digits);
  if (!bgr) {
    ThrowConversionError(value);
  }
  return ColorFromBgr(*bgr);
}

TColorValue ResolveColor(const QString& value, bool useNameTable) {
  if (value.isEmpty()) {
    return TColorValue::None();
  }
  if (value.front() == u'#') {
    return ColorFromHash(value);
  }
  TColorValue color;
  if (useNameTable && FindVeyraColorName(value, color)) {
    return color;
  }
  if (FindColorIdentifier(value, color)) {
    return color;
  }
  if (const std::optional<std::uint32_t> number = ParseColorNumber(value)) {
    return ColorFromNumber(*number);
  }
  ThrowConversionError(value);
}

} // namespace

QColor TColorValue::Resolve(const QPalette& palette) const {
  switch (Kind()) {
  case TColorKind::None:
    return QColor();
  case TColorKind::Rgb:
    return QColor(int((Rgb() >> 16) & 0xFF), int((Rgb() >> 8) & 0xFF), int(Rgb() & 0xFF));
  case TColorKind::System:
    return SystemColor(SystemIndex(), palette);
  case TColorKind::Default:
    // The toolkit's default colour is the text colour of the window the console draws in.
    return palette.color(QPalette::Active, QPalette::Text);
  }
  return QColor();
}

QColor SystemColor(int index, const QPalette& palette) {
  if (index < 0 || index >= kSystemColorCount) {
    return palette.color(QPalette::Active, QPalette::Text);
  }
  const TSystemColorRole& entry = kSystemColorRoles[std::size_t(index)];
  return palette.color(entry.Group, entry.Role);
}

std::span<const TVeyraColorName> VeyraColorNames() {
  return kVeyraColorNames;
}

bool FindVeyraColorName(const QString& name, TColorValue& color) {
  for (const TVeyraColorName& entry : kVeyraColorNames) {
    if (name.compare(QLatin1String(entry.Name), Qt::CaseInsensitive) == 0) {
      color = TColorValue::FromRgb(entry.Rgb);
      return true;
    }
  }
  return false;
}

bool FindColorIdentifier(const QString& name, TColorValue& color) {
  for (const TColorIdentifier& entry : kColorIdentifiers) {
    if (name.compare(QLatin1String(entry.Name), Qt::CaseInsensitive) == 0) {
      color = entry.Color;
      return true;
    }
  }
  return false;
}

TColorValue ResolveFontColor(const QString& value) {
  return ResolveColor(value, true);
}

TColorValue ResolveColorTagColor(const QString& value) {
  return ResolveColor(value, false);
}

} // namespace tessra

#include "engine/VeyraBlob.h"

#include <array>
#include <cstddef>
#include <initializer_list>
#include <string_view>

#include <QDir>
#include <QFileInfo>

#include "common/ChatException.h"

namespace tessra {

namespace {

// Incoming packet kinds that change the layout.
constexpr int kIncomingMessagePrivate = 8;
constexpr int kIncomingPrivategroupMessage = 20;
constexpr int kIncomingGroupMessage = 24;
// The outgoing private message carries two lead bytes instead of one.
constexpr int kOutgoingMessagePrivate = 3;

constexpr std::uint32_t kTextMarker = 50000; // 00 00 C3 50
constexpr char kStringMarker = 0x53;         // 'S'
constexpr char kVoiceMarker = 0x01;
constexpr std::size_t kPrivateItemSize = 18;
constexpr std::size_t kGroupItemSize = 17;
constexpr std::size_t kMaxVoiceField = 255;
constexpr std::size_t kMaxString = 0xFFFF;
constexpr std::size_t kMaxText = 0x7FFFFFFF;

const char* const kReadError = "Stream read error";

// The content starts after the lead bytes: two in a private message, one
// in the other kinds.
std::size_t ContentOffset(int incomingKind) {
  return incomingKind == kIncomingMessagePrivate ? 2 : 1;
}

// Big-endian reader over a byte string. A read past the end sets the
// failure flag and yields zeros; nothing is ever read out of bounds.
class TBlobReader {
public:
  TBlobReader(const TBytes& data, std::size_t position) : Data(data), Position(position) {
    if (Position > Data.size()) {
      Failed = true;
      Position = Data.size();
    }
  }

  bool Ok() const { return !Failed; }
  bool AtEnd() const { return Position >= Data.size(); }
  std::uint8_t Peek() const { return AtEnd() ? 0 : static_cast<std::uint8_t>(Data[Position]); }

  bool Take(std::size_t count) {
    if (Failed || count > Data.size() - Position) {
      Failed = true;
      return false;
    }
    return true;
  }

  std::uint32_t ReadNumber(std::size_t width) {
    if (!Take(width)) {
      return 0;
    }
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
      value = (value << 8) | static_cast<std::uint8_t>(Data[Position++]);
    }
    return value;
  }

  std::uint8_t ReadByte() { return static_cast<std::uint8_t>(ReadNumber(1)); }
  std::uint16_t ReadWord() { return static_cast<std::uint16_t>(ReadNumber(2)); }
  std::uint32_t ReadLong() { return ReadNumber(4); }
  std::int32_t ReadInt() { return static_cast<std::int32_t>(ReadNumber(4)); }

  void Skip(std::size_t count) {
    if (Take(count)) {
      Position += count;
    }
  }

  TBytes ReadBytes(std::size_t count) {
    if (!Take(count)) {
      return {};
    }
    TBytes result = Data.substr(Position, count);
    Position += count;
    return result;
  }

private:
  const TBytes& Data;
  std::size_t Position;
  bool Failed = false;
};

void AppendNumber(TBytes& out, std::uint32_t value, int width) {
  for (int shift = (width - 1) * 8; shift >= 0; shift -= 8) {
    out.push_back(static_cast<char>((value >> shift) & 0xFF));
  }
}

void AppendLead(TBytes& out, int outgoingKind) {
  out.push_back('\0');
  if (outgoingKind == kOutgoingMessagePrivate) {
    out.push_back('\0');
  }
}

bool EqualsIgnoringCase(const TBytes& a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) {
      return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    if (lower(a[i]) != lower(b[i])) {
      return false;
    }
  }
  return true;
}

constexpr std::array<std::string_view, 5> kBreedNames = {"", "oskan", "brevit", "tavrin", "drusk"};

TBytes BreedFromCode(std::uint8_t code) {
  return code < kBreedNames.size() ? TBytes(kBreedNames[code]) : TBytes();
}

std::uint8_t BreedToCode(const TBytes& breed) {
  for (std::size_t code = 1; code < kBreedNames.size(); ++code) {
    if (EqualsIgnoringCase(breed, kBreedNames[code])) {
      return static_cast<std::uint8_t>(code);
    }
  }
  return 0;
}

// Decoding knows no neuter: 1 and 2 both read as male.
TBytes GenderFromCode(std::uint8_t code) {
  switch (code) {
  case 1:
  case 2:
    return "male";
  case 3:
    return "female";
  default:
    return {};
  }
}

std::uint8_t GenderToCode(const TBytes& gender) {
  if (EqualsIgnoringCase(gender, "neuter")) {
    return 1;
  }
  if (EqualsIgnoringCase(gender, "male")) {
    return 2;
  }
  if (EqualsIgnoringCase(gender, "female")) {
    return 3;
  }
  return 0;
}

// Each layout is read by one function; with a null target it only checks
// that every declared length fits in the bytes present, so that the test of
// CanDecode and the decoding itself can never disagree.

bool ReadItem(int incomingKind, const TBytes& data, TItemBlob* target) {
  TBlobReader reader(data, ContentOffset(incomingKind));
  const std::int32_t lowId = reader.ReadInt();
  const std::int32_t hiId = reader.ReadInt();
  reader.Skip(3);
  const std::uint8_t ql = reader.ReadByte();
  if (!reader.Ok()) {
    return false;
  }
  if (target != nullptr) {
    target->LowID = lowId;
    target->HiID = hiId;
    target->QL = ql;
  }
  return true;
}

bool ReadText(int incomingKind, const TBytes& data, TTextBlob* target) {
  TBlobReader reader(data, ContentOffset(incomingKind));
  reader.Skip(4); // the marker
  const std::int32_t value = reader.ReadInt();
  reader.Skip(4);
  const std::uint32_t length = reader.ReadLong();
  if (!reader.Ok() || !reader.Take(length)) {
    return false;
  }
  if (target != nullptr) {
    target->Value = value;
    target->Text = reader.ReadBytes(length);
  }
  return true;
}

bool ReadVoice(int incomingKind, const TBytes& data, TVoiceBlob* target) {
  TBlobReader reader(data, ContentOffset(incomingKind));
  const std::uint8_t breed = reader.ReadByte();
  const std::uint8_t gender = reader.ReadByte();
  reader.Skip(1);
  TBytes qualifier = reader.ReadBytes(reader.ReadByte());
  reader.Skip(1);
  TBytes sound = reader.ReadBytes(reader.ReadByte());
  if (!reader.Ok()) {
    return false;
  }
  if (target != nullptr) {
    target->Breed = BreedFromCode(breed);
    target->Gender = GenderFromCode(gender);
    target->Qualifier = std::move(qualifier);
    target->Sound = std::move(sound);
  }
  return true;
}

bool ReadStrings(const TBytes& data, TStringsBlob* target) {
  TBlobReader reader(data, 0);
  std::vector<TBytes> strings;
  while (!reader.AtEnd() && reader.Peek() == static_cast<std::uint8_t>(kStringMarker)) {
    reader.Skip(1);
    const std::uint16_t length = reader.ReadWord();
    if (target != nullptr) {
      strings.push_back(reader.ReadBytes(length));
    } else {
      reader.Skip(length);
    }
    if (!reader.Ok()) {
      return false;
    }
  }
  if (target != nullptr) {
    target->Strings = std::move(strings);
  }
  return true;
}

template <class TClass> std::unique_ptr<TBlob> CreateAs(int incomingKind, const TBytes& data) {
  return TClass::CreateFromData(incomingKind, data);
}

template <class TClass> bool AssignSame(TClass& destination, const TBlob& source) {
  const auto* same = dynamic_cast<const TClass*>(&source);
  if (same == nullptr) {
    return false;
  }
  destination = *same;
  return true;
}

} // namespace

void TBlob::Assign(const TBlob& source) {
  throw TChatException(FormatMessage("Object of class %s cannot be assigned to object of class %s",
                                     {source.ClassName(), ClassName()}));
}

// TUnknownBlob

bool TUnknownBlob::CanDecode(int, const TBytes&) {
  return true;
}

std::unique_ptr<TUnknownBlob> TUnknownBlob::CreateFromData(int, const TBytes& data) {
  return std::make_unique<TUnknownBlob>(data);
}

TBytes TUnknownBlob::Encode(int) const {
  return Data;
}

std::unique_ptr<TBlob> TUnknownBlob::Clone() const {
  return std::make_unique<TUnknownBlob>(*this);
}

// TItemBlob

bool TItemBlob::CanDecode(int incomingKind, const TBytes& data) {
  const bool privateItem =
      incomingKind == kIncomingMessagePrivate && data.size() == kPrivateItemSize;
  const bool groupItem =
      (incomingKind == kIncomingPrivategroupMessage || incomingKind == kIncomingGroupMessage) &&
      data.size() == kGroupItemSize;
  return (privateItem || groupItem) && ReadItem(incomingKind, data, nullptr);
}

std::unique_ptr<TItemBlob> TItemBlob::CreateFromData(int incomingKind, const TBytes& data) {
  auto blob = std::make_unique<TItemBlob>();
  if (!ReadItem(incomingKind, data, blob.get())) {
    throw TChatException(kReadError);
  }
  return blob;
}

TBytes TItemBlob::Encode(int outgoingKind) const {
  TBytes out;
  AppendLead(out, outgoingKind);
  AppendNumber(out, static_cast<std::uint32_t>(LowID), 4);
  AppendNumber(out, static_cast<std::uint32_t>(HiID), 4);
  AppendNumber(out, 0, 3);
  AppendNumber(out, QL, 1);
  AppendNumber(out, 0, 4);
  return out;
}

void TItemBlob::Assign(const TBlob& source) {
  if (!AssignSame(*this, source)) {
    TBlob::Assign(source);
  }
}

std::unique_ptr<TBlob> TItemBlob::Clone() const {
  return std::make_unique<TItemBlob>(*this);
}

// TTextBlob

bool TTextBlob::CanDecode(int incomingKind, const TBytes& data) {
  TBlobReader reader(data, ContentOffset(incomingKind));
  return reader.ReadLong() == kTextMarker && reader.Ok() && ReadText(incomingKind, data, nullptr);
}

std::unique_ptr<TTextBlob> TTextBlob::CreateFromData(int incomingKind, const TBytes& data) {
  auto blob = std::make_unique<TTextBlob>();
  if (!ReadText(incomingKind, data, blob.get())) {
    throw TChatException(kReadError);
  }
  return blob;
}

TBytes TTextBlob::Encode(int outgoingKind) const {
  if (Text.size() > kMaxText) {
    throw TChatException(FormatMessage("Reference text too long: %s bytes (at most %s)",
                                       {std::to_string(Text.size()), std::to_string(kMaxText)}));
  }
  TBytes out;
  AppendLead(out, outgoingKind);
  AppendNumber(out, kTextMarker, 4);
  AppendNumber(out, static_cast<std::uint32_t>(Value), 4);
  AppendNumber(out, 0, 4);
  AppendNumber(out, static_cast<std::uint32_t>(Text.size()), 4);
  out += Text;
  return out;
}

void TTextBlob::Assign(const TBlob& source) {
  if (!AssignSame(*this, source)) {
    TBlob::Assign(source);
  }
}

std::unique_ptr<TBlob> TTextBlob::Clone() const {
  return std::make_unique<TTextBlob>(*this);
}

// TVoiceBlob

bool TVoiceBlob::CanDecode(int incomingKind, const TBytes& data) {
  const std::size_t offset = ContentOffset(incomingKind);
  return data.size() >= offset && data[offset - 1] == kVoiceMarker &&
         ReadVoice(incomingKind, data, nullptr);
}

std::unique_ptr<TVoiceBlob> TVoiceBlob::CreateFromData(int incomingKind, const TBytes& data) {
  auto blob = std::make_unique<TVoiceBlob>();
  if (!ReadVoice(incomingKind, data, blob.get())) {
    throw TChatException(kReadError);
  }
  return blob;
}

TBytes TVoiceBlob::Encode(int outgoingKind) const {
  if (Qualifier.size() > kMaxVoiceField) {
    throw TChatException(FormatMessage("Voice qualifier too long: %s bytes (at most 255)",
                                       {std::to_string(Qualifier.size())}));
  }
  if (Sound.size() > kMaxVoiceField) {
    throw TChatException(FormatMessage("Voice sound too long: %s bytes (at most 255)",
                                       {std::to_string(Sound.size())}));
  }
  TBytes out;
  // A private message puts one lead byte before the marker, so that the
  // receiver finds the marker where it looks for it (at offset 1).
  if (outgoingKind == kOutgoingMessagePrivate) {
    out.push_back('\0');
  }
  out.push_back(kVoiceMarker);
  AppendNumber(out, BreedToCode(Breed), 1);
  AppendNumber(out, GenderToCode(Gender), 1);
  out.push_back('\0');
  AppendNumber(out, static_cast<std::uint32_t>(Qualifier.size()), 1);
  out += Qualifier;
  out.push_back('\0');
  AppendNumber(out, static_cast<std::uint32_t>(Sound.size()), 1);
  out += Sound;
  return out;
}

void TVoiceBlob::Assign(const TBlob& source) {
  if (!AssignSame(*this, source)) {
    TBlob::Assign(source);
  }
}

std::unique_ptr<TBlob> TVoiceBlob::Clone() const {
  return std::make_unique<TVoiceBlob>(*this);
}

std::optional<QString> TVoiceBlob::SoundFileName(const QString& gameDirectory) const {
  if (gameDirectory.isEmpty()) {
    return std::nullopt;
  }
  // The parts come from the sender; one holding a separator (or a drive or
  // stream colon) would leave the sound folder, so such a name is not tried.
  const auto isPlainName = [](const TBytes* part) {
    return part->find_first_of(std::string_view("/\\:\0", 4)) == TBytes::npos;
  };
  QString folder = QDir::fromNativeSeparators(gameDirectory);
  if (!folder.endsWith(QLatin1Char('/'))) {
    folder += QLatin1Char('/');
  }
  folder += QStringLiteral("cd_image/sound/sfx/player/");

  const std::array<std::vector<const TBytes*>, 4> candidates = {{
      {&Breed, &Gender, &Qualifier, &Sound},
      {&Breed, &Gender, &Sound},
      {&Gender, &Sound},
      {&Sound},
  }};
  for (const auto& parts : candidates) {
    bool plain = true;
    QString name;
    for (const TBytes* part : parts) {
      plain = plain && isPlainName(part);
      name += QString::fromUtf8(part->data(), static_cast<qsizetype>(part->size()));
      name += QLatin1Char('_');
    }
    if (!plain) {
      continue;
    }
    const QString path = QDir::cleanPath(folder + name + QStringLiteral("01.wav"));
    if (QFileInfo(path).isFile()) {
      return QDir::toNativeSeparators(path);
    }
  }
  return std::nullopt;
}

// TStringsBlob

bool TStringsBlob::CanDecode(int, const TBytes& data) {
  return !data.empty() && data[0] == kStringMarker && ReadStrings(data, nullptr);
}

std::unique_ptr<TStringsBlob> TStringsBlob::CreateFromData(int, const TBytes& data) {
  auto blob = std::make_unique<TStringsBlob>();
  if (!ReadStrings(data, blob.get())) {
    throw TChatException(kReadError);
  }
  return blob;
}

TBytes TStringsBlob::Encode(int) const {
  if (Strings.empty()) {
    return TBytes(1, '\0');
  }
  TBytes out;
  for (const TBytes& text : Strings) {
    if (text.size() > kMaxString) {
      throw TChatException(FormatMessage("String too long: %s bytes (at most 65535)",
                                         {std::to_string(text.size())}));
    }
    out.push_back(kStringMarker);
    AppendNumber(out, static_cast<std::uint32_t>(text.size()), 2);
    out += text;
  }
  return out;
}

void TStringsBlob::Assign(const TBlob& source) {
  if (!AssignSame(*this, source)) {
    TBlob::Assign(source);
  }
}

std::unique_ptr<TBlob> TStringsBlob::Clone() const {
  return std::make_unique<TStringsBlob>(*this);
}

// Registry and decoding

std::span<const TBlobClass> BlobClasses() {
  static const std::array<TBlobClass, 5> kClasses = {{
      {"TUnknownBlob", &TUnknownBlob::CanDecode, &CreateAs<TUnknownBlob>},
      {"TItemBlob", &TItemBlob::CanDecode, &CreateAs<TItemBlob>},
      {"TTextBlob", &TTextBlob::CanDecode, &CreateAs<TTextBlob>},
      {"TVoiceBlob", &TVoiceBlob::CanDecode, &CreateAs<TVoiceBlob>},
      {"TStringsBlob", &TStringsBlob::CanDecode, &CreateAs<TStringsBlob>},
  }};
  return kClasses;
}

std::unique_ptr<TBlob> CreateBlob(int incomingKind, const std::optional<TBytes>& data) {
  if (!data.has_value() || (data->size() == 1 && (*data)[0] == '\0')) {
    return nullptr;
  }
  const auto classes = BlobClasses();
  for (auto it = classes.rbegin(); it != classes.rend(); ++it) {
    if (it->CanDecode(incomingKind, *data)) {
      return it->CreateFromData(incomingKind, *data);
    }
  }
  return nullptr; // not reached: TUnknownBlob accepts everything
}

} // namespace tessra

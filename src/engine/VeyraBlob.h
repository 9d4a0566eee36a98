#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <QString>

#include "engine/Bytes.h"

namespace tessra {

// The extra content of a chat message: the data parameter of private,
// private-group, group and offline messages, decoded into a typed object.
// Decoding takes the incoming packet kind (8 private, 12 offline, 20 private
// group, 24 group), encoding the outgoing one (3 private, 13 private group,
// 15 group); the layouts differ by the lead bytes the kinds carry.
class TBlob {
public:
  virtual ~TBlob() = default;

  // The blob's bytes for a message of the outgoing packet kind.
  virtual TBytes Encode(int outgoingKind) const = 0;
  virtual std::string ClassName() const = 0;
  // Copies Source into this blob; only a blob of the same class can be
  // assigned, anything else fails with "Object of class %s cannot be
  // assigned to object of class %s".
  virtual void Assign(const TBlob& source);
  virtual std::unique_ptr<TBlob> Clone() const = 0;

protected:
  TBlob() = default;
  TBlob(const TBlob&) = default;
  TBlob& operator=(const TBlob&) = default;
};

// Data no other class recognises, kept unchanged.
class TUnknownBlob : public TBlob {
public:
  TUnknownBlob() = default;
  explicit TUnknownBlob(TBytes data) : Data(std::move(data)) {}

  static bool CanDecode(int incomingKind, const TBytes& data);
  static std::unique_ptr<TUnknownBlob> CreateFromData(int incomingKind, const TBytes& data);

  TBytes Encode(int outgoingKind) const override;
  std::string ClassName() const override { return "TUnknownBlob"; }
  std::unique_ptr<TBlob> Clone() const override;

  TBytes Data;
};

// A reference to a game item: its two ids and its quality level.
class TItemBlob : public TBlob {
public:
  TItemBlob() = default;
  TItemBlob(std::int32_t lowId, std::int32_t hiId, std::uint8_t ql)
      : LowID(lowId), HiID(hiId), QL(ql) {}

  static bool CanDecode(int incomingKind, const TBytes& data);
  static std::unique_ptr<TItemBlob> CreateFromData(int incomingKind, const TBytes& data);

  TBytes Encode(int outgoingKind) const override;
  std::string ClassName() const override { return "TItemBlob"; }
  void Assign(const TBlob& source) override;
  std::unique_ptr<TBlob> Clone() const override;

  std::int32_t LowID = 0;
  std::int32_t HiID = 0;
  std::uint8_t QL = 0;
};

// An attached text (a text reference), with a number the sender chose.
class TTextBlob : public TBlob {
public:
  TTextBlob() = default;
  explicit TTextBlob(TBytes text, std::int32_t value = 0) : Text(std::move(text)), Value(value) {}

  static bool CanDecode(int incomingKind, const TBytes& data);
  static std::unique_ptr<TTextBlob> CreateFromData(int incomingKind, const TBytes& data);

  TBytes Encode(int outgoingKind) const override;
  std::string ClassName() const override { return "TTextBlob"; }
  void Assign(const TBlob& source) override;
  std::unique_ptr<TBlob> Clone() const override;

  TBytes Text;
  std::int32_t Value = 0;
};

// A voice emote: which of the game's player sounds to play.
class TVoiceBlob : public TBlob {
public:
  TVoiceBlob() = default;
  TVoiceBlob(TBytes breed, TBytes gender, TBytes qualifier, TBytes sound)
      : Breed(std::move(breed)), Gender(std::move(gender)), Qualifier(std::move(qualifier)),
        Sound(std::move(sound)) {}

  static bool CanDecode(int incomingKind, const TBytes& data);
  static std::unique_ptr<TVoiceBlob> CreateFromData(int incomingKind, const TBytes& data);

  // Encoding refuses a qualifier or sound of more than 255 bytes (their
  // length travels in one byte).
  TBytes Encode(int outgoingKind) const override;
  std::string ClassName() const override { return "TVoiceBlob"; }
  void Assign(const TBlob& source) override;
  std::unique_ptr<TBlob> Clone() const override;

  // The sound file to play from the game's folder: the most specific of the
  // candidate names that exists, or nothing. Names containing a path
  // separator are never tried, so a sender cannot point outside the folder.
  std::optional<QString> SoundFileName(const QString& gameDirectory) const;

  TBytes Breed;
  TBytes Gender;
  TBytes Qualifier;
  TBytes Sound;
};

// A list of strings, the payload of offline messages.
class TStringsBlob : public TBlob {
public:
  TStringsBlob() = default;
  explicit TStringsBlob(std::vector<TBytes> strings) : Strings(std::move(strings)) {}

  static bool CanDecode(int incomingKind, const TBytes& data);
  static std::unique_ptr<TStringsBlob> CreateFromData(int incomingKind, const TBytes& data);

  // Encoding refuses a string of more than 65535 bytes.
  TBytes Encode(int outgoingKind) const override;
  std::string ClassName() const override { return "TStringsBlob"; }
  void Assign(const TBlob& source) override;
  std::unique_ptr<TBlob> Clone() const override;

  std::vector<TBytes> Strings;
};

// One entry of the blob class registry.
struct TBlobClass {
  const char* Name;
  bool (*CanDecode)(int incomingKind, const TBytes& data);
  std::unique_ptr<TBlob> (*CreateFromData)(int incomingKind, const TBytes& data);
};

// The blob classes in registration order (unknown, item, text, voice,
// strings); CreateBlob searches them from the last to the first.
std::span<const TBlobClass> BlobClasses();

// Decodes a message's data parameter. No data, or the single byte 00 that a
// message without extra content carries, gives no blob; anything else gives
// the last registered class that recognises it, TUnknownBlob at worst.
std::unique_ptr<TBlob> CreateBlob(int incomingKind, const std::optional<TBytes>& data);

} // namespace tessra

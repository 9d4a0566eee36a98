#include "engine/VeyraBlob.h"

#include <cctype>
#include <string>
#include <vector>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/ChatException.h"

namespace tessra {
namespace {

// "00 00 C3 50" -> bytes; 'text' in single quotes is taken literally.
TBytes Hex(const std::string& spec) {
  TBytes out;
  for (std::size_t i = 0; i < spec.size();) {
    if (spec[i] == ' ') {
      ++i;
    } else if (spec[i] == '\'') {
      const std::size_t end = spec.find('\'', i + 1);
      out += spec.substr(i + 1, end - i - 1);
      i = end + 1;
    } else {
      out.push_back(static_cast<char>(std::stoi(spec.substr(i, 2), nullptr, 16)));
      i += 2;
    }
  }
  return out;
}

std::string ToHex(const TBytes& bytes) {
  static const char* const kDigits = "0123456789ABCDEF";
  std::string out;
  for (char c : bytes) {
    if (!out.empty()) {
      out += ' ';
    }
    out += kDigits[(static_cast<unsigned char>(c) >> 4) & 0xF];
    out += kDigits[static_cast<unsigned char>(c) & 0xF];
  }
  return out;
}

std::string ClassOf(const std::unique_ptr<TBlob>& blob) {
  return blob == nullptr ? "none" : blob->ClassName();
}

template <class T> const T& As(const std::unique_ptr<TBlob>& blob) {
  const T* typed = dynamic_cast<const T*>(blob.get());
  if (typed == nullptr) {
    throw std::runtime_error("blob is " + ClassOf(blob));
  }
  return *typed;
}

// Item content after the lead bytes: LowID 0x01020304, HiID -2, QL 200.
const std::string kItemContent = "01 02 03 04 FF FF FF FE 00 00 00 C8 00 00 00 00";

struct TDecodeCase {
  const char* Name;
  int Kind;
  std::string Data;
  std::string Expected;
};

std::ostream& operator<<(std::ostream& os, const TDecodeCase& c) {
  return os << c.Name;
}

class CreateBlobClassTest : public testing::TestWithParam<TDecodeCase> {};

TEST_P(CreateBlobClassTest, PicksClass) {
  const TDecodeCase& c = GetParam();
  const TBytes data = Hex(c.Data);
  EXPECT_EQ(ClassOf(CreateBlob(c.Kind, data)), c.Expected)
      << "kind " << c.Kind << ", data " << ToHex(data);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, CreateBlobClassTest,
    testing::Values(
        TDecodeCase{"SingleZeroIsNoBlob", 8, "00", "none"},
        TDecodeCase{"SingleZeroInGroupIsNoBlob", 24, "00", "none"},
        TDecodeCase{"TwoZerosAreUnknown", 8, "00 00", "TUnknownBlob"},
        TDecodeCase{"TwoZerosInGroupAreUnknown", 24, "00 00", "TUnknownBlob"},
        TDecodeCase{"PrivateItem18", 8, "00 00 " + kItemContent, "TItemBlob"},
        TDecodeCase{"GroupItem17", 24, "00 " + kItemContent, "TItemBlob"},
        TDecodeCase{"PrivategroupItem17", 20, "00 " + kItemContent, "TItemBlob"},
        TDecodeCase{"Item17InPrivateIsUnknown", 8, "00 " + kItemContent, "TUnknownBlob"},
        TDecodeCase{"Item18InGroupIsUnknown", 24, "00 00 " + kItemContent, "TUnknownBlob"},
        TDecodeCase{"Item17InOfflineIsUnknown", 12, "00 " + kItemContent, "TUnknownBlob"},
        TDecodeCase{"GroupText", 24, "00 00 00 C3 50 00 00 00 07 00 00 00 00 00 00 00 02 'hi'",
                    "TTextBlob"},
        TDecodeCase{"PrivateText", 8, "00 00 00 00 C3 50 00 00 00 07 00 00 00 00 00 00 00 02 'hi'",
                    "TTextBlob"},
        TDecodeCase{"EmptyText", 24, "00 00 00 C3 50 00 00 00 00 00 00 00 00 00 00 00 00",
                    "TTextBlob"},
        TDecodeCase{"TextMarkerAtWrongOffset", 8,
                    "00 00 00 C3 50 00 00 00 07 00 00 00 00 00 00 00 02 'hi' 00", "TUnknownBlob"},
        TDecodeCase{"TextShorterThanDeclared", 24,
                    "00 00 00 C3 50 00 00 00 00 00 00 00 00 00 00 00 05 'abcd'", "TUnknownBlob"},
        TDecodeCase{"TextLengthHuge", 24, "00 00 00 C3 50 00 00 00 00 00 00 00 00 FF FF FF FF 'ab'",
                    "TUnknownBlob"},
        TDecodeCase{"TextLengthFieldCut", 24, "00 00 00 C3 50 00 00 00 00 00 00 00 00 00 00",
                    "TUnknownBlob"},
        TDecodeCase{"TextMarkerOnly", 24, "00 00 00 C3 50", "TUnknownBlob"},
        TDecodeCase{"GroupVoice", 24, "01 01 02 00 03 'hap' 00 04 'laff'", "TVoiceBlob"},
        TDecodeCase{"PrivateVoice", 8, "00 01 01 02 00 00 00 04 'laff'", "TVoiceBlob"},
        TDecodeCase{"PrivateVoiceMarkerFirst", 8, "01 00 01 02 00 00 00 04 'laff'", "TUnknownBlob"},
        TDecodeCase{"VoiceQualifierCut", 24, "01 01 02 00 09 'hap'", "TUnknownBlob"},
        TDecodeCase{"VoiceSoundCut", 24, "01 01 02 00 03 'hap' 00 04 'la'", "TUnknownBlob"},
        TDecodeCase{"VoiceSoundLengthMissing", 24, "01 01 02 00 03 'hap' 00", "TUnknownBlob"},
        TDecodeCase{"VoiceMarkerOnly", 20, "01", "TUnknownBlob"},
        TDecodeCase{"Strings", 12, "53 00 03 'abc' 53 00 00", "TStringsBlob"},
        TDecodeCase{"StringsInAnyKind", 8, "53 00 01 'x'", "TStringsBlob"},
        TDecodeCase{"StringsLastShort", 12, "53 00 03 'abc' 53 00 05 'ab'", "TUnknownBlob"},
        TDecodeCase{"StringsLengthCut", 12, "53 00 03 'abc' 53 00", "TUnknownBlob"},
        TDecodeCase{"StringsMarkerOnly", 12, "53", "TUnknownBlob"}),
    [](const testing::TestParamInfo<TDecodeCase>& caseInfo) {
      return std::string(caseInfo.param.Name);
    });

TEST(CreateBlobTest, NullDataIsNoBlob) {
  EXPECT_EQ(CreateBlob(8, std::nullopt), nullptr);
  EXPECT_EQ(CreateBlob(12, std::nullopt), nullptr);
}

TEST(CreateBlobTest, UnknownKeepsDataAndEncodesItUnchanged) {
  const TBytes data = Hex("00 00 C3 50 'a truncated text blob' FF");
  const auto blob = CreateBlob(24, data);
  EXPECT_EQ(ToHex(As<TUnknownBlob>(blob).Data), ToHex(data));
  EXPECT_EQ(ToHex(blob->Encode(15)), ToHex(data));
  EXPECT_EQ(ToHex(blob->Encode(3)), ToHex(data));
}

TEST(CreateBlobTest, RegistryIsInRegistrationOrder) {
  std::vector<std::string> names;
  for (const TBlobClass& blobClass : BlobClasses()) {
    names.emplace_back(blobClass.Name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"TUnknownBlob", "TItemBlob", "TTextBlob", "TVoiceBlob",
                                             "TStringsBlob"}));
}

TEST(CreateBlobTest, TruncatedLayoutsFailWhenDecodedDirectly) {
  const TBytes shortText = Hex("00 00 00 C3 50 00 00 00 00 00 00 00 00 00 00 00 05 'abcd'");
  const TBytes shortStrings = Hex("53 00 03 'abc' 53 00 05 'ab'");
  const TBytes shortVoice = Hex("01 01 02 00 09 'hap'");
  EXPECT_THROW(TTextBlob::CreateFromData(24, shortText), TChatException);
  EXPECT_THROW(TStringsBlob::CreateFromData(12, shortStrings), TChatException);
  EXPECT_THROW(TVoiceBlob::CreateFromData(24, shortVoice), TChatException);
  EXPECT_THROW(TItemBlob::CreateFromData(8, Hex("00 00 01 02")), TChatException);
}

TEST(ItemBlobTest, PrivateAndGroupLayoutsDecodeAlike) {
  for (const auto& [kind, data] :
       {std::pair{8, Hex("00 00 " + kItemContent)}, std::pair{24, Hex("00 " + kItemContent)},
        std::pair{20, Hex("00 " + kItemContent)}}) {
    SCOPED_TRACE("kind " + std::to_string(kind));
    const auto blob = CreateBlob(kind, data);
    const auto& item = As<TItemBlob>(blob);
    EXPECT_EQ(item.LowID, 0x01020304);
    EXPECT_EQ(item.HiID, -2);
    EXPECT_EQ(item.QL, 200);
  }
}

TEST(ItemBlobTest, EncodesSeventeenOrEighteenBytesAndRoundTrips) {
  const TItemBlob item(0x01020304, -2, 200);
  EXPECT_EQ(ToHex(item.Encode(15)), ToHex(Hex("00 " + kItemContent)));
  EXPECT_EQ(ToHex(item.Encode(13)), ToHex(Hex("00 " + kItemContent)));
  EXPECT_EQ(ToHex(item.Encode(3)), ToHex(Hex("00 00 " + kItemContent)));
  const auto back = CreateBlob(8, item.Encode(3));
  EXPECT_EQ(As<TItemBlob>(back).HiID, -2);
}

TEST(TextBlobTest, EncodesForGroupAndPrivateMessages) {
  const TTextBlob text("hello", 0);
  const TBytes group = text.Encode(15);
  EXPECT_EQ(group.size(), 22u);
  EXPECT_EQ(ToHex(group), ToHex(Hex("00 00 00 C3 50 00 00 00 00 00 00 00 00 00 00 00 05 'hello'")));
  EXPECT_EQ(ToHex(text.Encode(3)),
            ToHex(Hex("00 00 00 00 C3 50 00 00 00 00 00 00 00 00 00 00 00 05 'hello'")));
}

TEST(TextBlobTest, DecodesValueAndOnlyTheDeclaredText) {
  const TTextBlob text("<font color=#FF0000>ref</font>", -7);
  for (const auto& [outKind, inKind] : {std::pair{3, 8}, std::pair{15, 24}, std::pair{13, 20}}) {
    SCOPED_TRACE("kind " + std::to_string(inKind));
    const auto back = CreateBlob(inKind, text.Encode(outKind) + "trailing");
    EXPECT_EQ(As<TTextBlob>(back).Text, text.Text);
    EXPECT_EQ(As<TTextBlob>(back).Value, -7);
  }
}

TEST(VoiceBlobTest, DecodesBreedAndGenderCodes) {
  struct TCase {
    int Breed;
    int Gender;
    const char* ExpectedBreed;
    const char* ExpectedGender;
  };
  for (const TCase& c : {TCase{1, 1, "oskan", "male"}, TCase{2, 2, "brevit", "male"},
                         TCase{3, 3, "tavrin", "female"}, TCase{4, 0, "drusk", ""},
                         TCase{9, 4, "", ""}, TCase{0, 255, "", ""}}) {
    TBytes data = Hex("01 00 00 00 01 'q' 00 02 'hi'");
    data[1] = static_cast<char>(c.Breed);
    data[2] = static_cast<char>(c.Gender);
    SCOPED_TRACE(ToHex(data));
    const auto blob = CreateBlob(24, data);
    const auto& voice = As<TVoiceBlob>(blob);
    EXPECT_EQ(voice.Breed, c.ExpectedBreed);
    EXPECT_EQ(voice.Gender, c.ExpectedGender);
    EXPECT_EQ(voice.Qualifier, "q");
    EXPECT_EQ(voice.Sound, "hi");
  }
}

TEST(VoiceBlobTest, EncodesCodesIgnoringCase) {
  struct TCase {
    const char* Breed;
    const char* Gender;
    std::string ExpectedCodes;
  };
  for (const TCase& c : {TCase{"OSKAN", "neuter", "01 01"}, TCase{"brevit", "Male", "02 02"},
                         TCase{"Tavrin", "FEMALE", "03 03"}, TCase{"drusk", "", "04 00"},
                         TCase{"elf", "other", "00 00"}}) {
    SCOPED_TRACE(std::string(c.Breed) + "/" + c.Gender);
    const TVoiceBlob voice(c.Breed, c.Gender, "hap", "laff");
    EXPECT_EQ(ToHex(voice.Encode(15)),
              ToHex(Hex("01 " + c.ExpectedCodes + " 00 03 'hap' 00 04 'laff'")));
  }
}

TEST(VoiceBlobTest, PrivateEncodingPutsTheMarkerWhereThePrivateDecoderLooks) {
  const TVoiceBlob voice("drusk", "female", "", "cheer");
  EXPECT_EQ(ToHex(voice.Encode(3)), ToHex(Hex("00 01 04 03 00 00 00 05 'cheer'")));
  const auto back = CreateBlob(8, voice.Encode(3));
  EXPECT_EQ(As<TVoiceBlob>(back).Sound, "cheer");
  EXPECT_EQ(As<TVoiceBlob>(back).Breed, "drusk");
  EXPECT_EQ(As<TVoiceBlob>(CreateBlob(20, voice.Encode(13))).Gender, "female");
}

TEST(VoiceBlobTest, RefusesFieldsLongerThan255Bytes) {
  EXPECT_NO_THROW(TVoiceBlob("", "", TBytes(255, 'q'), TBytes(255, 's')).Encode(15));
  try {
    TVoiceBlob("", "", TBytes(300, 'q'), "s").Encode(15);
    FAIL() << "long qualifier accepted";
  } catch (const TChatException& e) {
    EXPECT_STREQ(e.what(), "Voice qualifier too long: 300 bytes (at most 255)");
  }
  try {
    TVoiceBlob("", "", "q", TBytes(256, 's')).Encode(3);
    FAIL() << "long sound accepted";
  } catch (const TChatException& e) {
    EXPECT_STREQ(e.what(), "Voice sound too long: 256 bytes (at most 255)");
  }
}

TEST(StringsBlobTest, DecodesUntilTheEndOrANonMarkerByte) {
  struct TCase {
    std::string Data;
    std::vector<TBytes> Expected;
  };
  for (const TCase& c :
       {TCase{"53 00 03 'abc' 53 00 00", {"abc", ""}}, TCase{"53 00 01 'x' 00 53 00 01 'y'", {"x"}},
        TCase{"53 00 01 'x' 53", {}}, // cut header: unknown, checked below
        TCase{"53 00 00", {""}}}) {
    const TBytes data = Hex(c.Data);
    SCOPED_TRACE(ToHex(data));
    const auto blob = CreateBlob(12, data);
    if (c.Expected.empty()) {
      EXPECT_EQ(ClassOf(blob), "TUnknownBlob");
    } else {
      EXPECT_EQ(As<TStringsBlob>(blob).Strings, c.Expected);
    }
  }
}

TEST(StringsBlobTest, EncodesEachStringAndTheEmptyListAsOneZero) {
  EXPECT_EQ(ToHex(TStringsBlob({"abc", ""}).Encode(15)), ToHex(Hex("53 00 03 'abc' 53 00 00")));
  EXPECT_EQ(ToHex(TStringsBlob().Encode(3)), "00");
  const TStringsBlob big({TBytes(300, 'x')});
  EXPECT_EQ(ToHex(big.Encode(15).substr(0, 3)), "53 01 2C");
  EXPECT_EQ(As<TStringsBlob>(CreateBlob(12, big.Encode(15))).Strings, big.Strings);
  EXPECT_THROW(TStringsBlob({TBytes(65536, 'x')}).Encode(15), TChatException);
}

TEST(AssignTest, SameClassCopiesOtherClassesFail) {
  TItemBlob item;
  item.Assign(TItemBlob(1, 2, 3));
  EXPECT_EQ(item.HiID, 2);
  TStringsBlob strings;
  {
    const TStringsBlob source({"a", "b"});
    strings.Assign(source);
  }
  EXPECT_EQ(strings.Strings, (std::vector<TBytes>{"a", "b"}));
  TVoiceBlob voice;
  voice.Assign(TVoiceBlob("oskan", "male", "q", "s"));
  EXPECT_EQ(voice.Qualifier, "q");
  TTextBlob text;
  text.Assign(TTextBlob("t", 5));
  EXPECT_EQ(text.Value, 5);

  struct TCase {
    TBlob& Destination;
    const TBlob& Source;
    const char* Message;
  };
  TUnknownBlob unknown("data");
  const TUnknownBlob otherUnknown("other");
  for (const TCase& c :
       {TCase{item, text,
              "Object of class TTextBlob cannot be assigned to object of class TItemBlob"},
        TCase{text, item,
              "Object of class TItemBlob cannot be assigned to object of class TTextBlob"},
        TCase{voice, strings,
              "Object of class TStringsBlob cannot be assigned to object of class TVoiceBlob"},
        TCase{strings, unknown,
              "Object of class TUnknownBlob cannot be assigned to object of class TStringsBlob"},
        TCase{unknown, otherUnknown,
              "Object of class TUnknownBlob cannot be assigned to object of class TUnknownBlob"},
        TCase{unknown, item,
              "Object of class TItemBlob cannot be assigned to object of class TUnknownBlob"}}) {
    try {
      c.Destination.Assign(c.Source);
      ADD_FAILURE() << "no failure for " << c.Message;
    } catch (const TChatException& e) {
      EXPECT_STREQ(e.what(), c.Message);
    }
  }
  EXPECT_EQ(item.HiID, 2);
  EXPECT_EQ(unknown.Data, "data");
}

TEST(CloneTest, ClonesKeepClassAndContent) {
  const TVoiceBlob voice("oskan", "male", "q", "s");
  const auto copy = voice.Clone();
  EXPECT_EQ(As<TVoiceBlob>(copy).Sound, "s");
  EXPECT_EQ(ToHex(copy->Encode(15)), ToHex(voice.Encode(15)));
  EXPECT_EQ(As<TUnknownBlob>(TUnknownBlob("x").Clone()).Data, "x");
}

class SoundFileNameTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Root.isValid());
    ASSERT_TRUE(QDir(Root.path()).mkpath(QStringLiteral("cd_image/sound/sfx/player")));
  }

  QString Create(const QString& name) {
    const QString path = Root.path() + QStringLiteral("/cd_image/sound/sfx/player/") + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    return QDir::toNativeSeparators(path);
  }

  QTemporaryDir Root;
  const TVoiceBlob Voice{"oskan", "female", "happy", "laugh"};
};

TEST_F(SoundFileNameTest, PrefersTheMostSpecificExistingName) {
  EXPECT_EQ(Voice.SoundFileName(Root.path()), std::nullopt);
  const QString bySound = Create(QStringLiteral("laugh_01.wav"));
  EXPECT_EQ(Voice.SoundFileName(Root.path()), bySound);
  const QString byGender = Create(QStringLiteral("female_laugh_01.wav"));
  EXPECT_EQ(Voice.SoundFileName(Root.path()), byGender);
  const QString byBreed = Create(QStringLiteral("oskan_female_laugh_01.wav"));
  EXPECT_EQ(Voice.SoundFileName(Root.path()), byBreed);
  const QString full = Create(QStringLiteral("oskan_female_happy_laugh_01.wav"));
  EXPECT_EQ(Voice.SoundFileName(Root.path()), full);
  // A trailing separator on the game folder makes no difference.
  EXPECT_EQ(Voice.SoundFileName(Root.path() + QDir::separator()), full);
}

TEST_F(SoundFileNameTest, IgnoresFoldersAndNamesThatLeaveTheSoundFolder) {
  ASSERT_TRUE(QDir(Root.path()).mkpath(QStringLiteral("cd_image/sound/sfx/player/laugh_01.wav")));
  EXPECT_EQ(Voice.SoundFileName(Root.path()), std::nullopt);

  Create(QStringLiteral("../outside_01.wav"));
  const TVoiceBlob escaping("", "", "", "../outside");
  EXPECT_EQ(escaping.SoundFileName(Root.path()), std::nullopt);
  const TVoiceBlob backslash("", "", "", "..\\outside");
  EXPECT_EQ(backslash.SoundFileName(Root.path()), std::nullopt);
  // An unsafe qualifier only rules out the name that uses it.
  const QString plain = Create(QStringLiteral("cheer_01.wav"));
  const TVoiceBlob oddQualifier("oskan", "male", "a/b", "cheer");
  EXPECT_EQ(oddQualifier.SoundFileName(Root.path()), plain);
  EXPECT_EQ(oddQualifier.SoundFileName(QString()), std::nullopt);
}

} // namespace
} // namespace tessra

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "QtPrinters.h"

#include "settings/FileRegistry.h"
#include "settings/SettingsLocation.h"

namespace tessra {
namespace {

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  return file.readAll();
}

void WriteAll(const QString& path, const QByteArray& data) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(data);
}

class FileRegistryTest : public ::testing::Test {
protected:
  QTemporaryDir Dir;
  QString Path() const { return Dir.filePath(QStringLiteral("settings.json")); }
};

TEST_F(FileRegistryTest, ValuesKeepTheirTypeAndEveryByteAcrossARestart) {
  const TBytes bytes("\x01\x00\xff\x80 z", 6);
  {
    TFileRegistry registry(Path());
    registry.Load();
    auto key = registry.OpenKey(QStringLiteral("Software\\Tessra\\Logins\\Bob"), true);
    ASSERT_TRUE(key);
    key->WriteDword(QStringLiteral("Number"), 0xFFFFFFFFU);
    key->WriteString(QStringLiteral("Text"), QStringLiteral("Grüße\r\nzwei"));
    key->WriteBytes(QStringLiteral("Bytes"), bytes);
  }
  TFileRegistry registry(Path());
  registry.Load();
  auto key = registry.OpenKey(QStringLiteral("software\\TESSRA\\logins\\bob"), false);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->ValueType(QStringLiteral("number")), TRegistryValueType::Dword);
  EXPECT_EQ(key->ReadDword(QStringLiteral("Number"), 0), 0xFFFFFFFFU);
  EXPECT_EQ(key->ReadInteger(QStringLiteral("Number"), 0), -1);
  EXPECT_EQ(key->ReadString(QStringLiteral("Text"), {}), QStringLiteral("Grüße\r\nzwei"));
  EXPECT_EQ(key->ReadBytes(QStringLiteral("Bytes"), {}), bytes);
  // A value of the other type, or none at all, yields the default.
  EXPECT_EQ(key->ReadDword(QStringLiteral("Text"), 7), 7U);
  EXPECT_EQ(key->ReadString(QStringLiteral("Number"), QStringLiteral("d")), QStringLiteral("d"));
  EXPECT_EQ(key->ReadBytes(QStringLiteral("Missing"), "x"), "x");
  EXPECT_FALSE(key->ValueExists(QStringLiteral("Missing")));
}

TEST_F(FileRegistryTest, KeysAreOpenedListedAndDeletedLikeRegistryKeys) {
  TFileRegistry registry(Path());
  registry.Load();
  EXPECT_FALSE(registry.OpenKey(QStringLiteral("Software\\Tessra"), false));
  {
    auto a = registry.OpenKey(QStringLiteral("Software\\Tessra\\Dimensions\\Zeta"), true);
    auto b = registry.OpenKey(QStringLiteral("Software\\Tessra\\Dimensions\\alpha\\Deep"), true);
    a->WriteString(QStringLiteral("Host"), QStringLiteral("h"));
    // The letters of the first creation stay.
    auto again = registry.OpenKey(QStringLiteral("software\\tessra\\dimensions\\ZETA"), true);
    again->WriteDword(QStringLiteral("Port"), 1);
  }
  auto parent = registry.OpenKey(QStringLiteral("Software\\Tessra\\Dimensions"), false);
  ASSERT_TRUE(parent);
  EXPECT_EQ(parent->SubKeyNames(), (QStringList{QStringLiteral("Zeta"), QStringLiteral("alpha")}));
  auto zeta = registry.OpenKey(QStringLiteral("Software\\Tessra\\Dimensions\\Zeta"), false);
  EXPECT_EQ(zeta->ReadDword(QStringLiteral("PORT"), 0), 1U);

  EXPECT_TRUE(parent->DeleteSubKey(QStringLiteral("ALPHA")));
  EXPECT_FALSE(parent->DeleteSubKey(QStringLiteral("alpha")));
  EXPECT_FALSE(
      registry.OpenKey(QStringLiteral("Software\\Tessra\\Dimensions\\alpha\\Deep"), false));
  EXPECT_EQ(parent->SubKeyNames(), QStringList{QStringLiteral("Zeta")});

  // A key deleted while open accepts writes but keeps nothing.
  EXPECT_TRUE(parent->DeleteSubKey(QStringLiteral("Zeta")));
  zeta->WriteString(QStringLiteral("Host"), QStringLiteral("lost"));
  EXPECT_FALSE(registry.OpenKey(QStringLiteral("Software\\Tessra\\Dimensions\\Zeta"), false));
}

TEST_F(FileRegistryTest, ChangesReachTheFileWhenTheLastKeyCloses) {
  TFileRegistry registry(Path());
  registry.Load();
  auto outer = registry.OpenKey(QStringLiteral("Software\\Tessra"), true);
  {
    auto inner = registry.OpenKey(QStringLiteral("Software\\Tessra\\Muted Channels"), true);
    inner->WriteString(QStringLiteral("Zed"), QStringLiteral("OOC\r\n"));
  }
  EXPECT_FALSE(QFile::exists(Path()));
  outer.reset();
  EXPECT_TRUE(QFile::exists(Path()));
  EXPECT_TRUE(ReadAll(Path()).contains("Muted Channels"));
}

TEST_F(FileRegistryTest, ASaveThatFailsPartWayLeavesThePreviousFile) {
  {
    TFileRegistry registry(Path());
    registry.Load();
    registry.OpenKey(QStringLiteral("Software\\Tessra"), true)
        ->WriteString(QStringLiteral("LastUser"), QStringLiteral("first"));
  }
  const QByteArray before = ReadAll(Path());

  TFileRegistry registry(Path());
  QStringList problems;
  registry.OnProblem = [&problems](TFileRegistry&, const QString& message) {
    problems.append(message);
  };
  registry.WriteHook = [](QIODevice& device, const QByteArray& data) {
    device.write(data.left(data.size() / 2));
    return false;
  };
  registry.Load();
  registry.OpenKey(QStringLiteral("Software\\Tessra"), true)
      ->WriteString(QStringLiteral("LastUser"), QStringLiteral("second"));
  EXPECT_EQ(ReadAll(Path()), before);
  ASSERT_EQ(problems.size(), 1);
  EXPECT_TRUE(problems[0].contains(QStringLiteral("could not be saved")));
  EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("settings.json")});

  // Once the disk works again the pending change goes out.
  registry.WriteHook = [](QIODevice& device, const QByteArray& data) {
    return device.write(data) == data.size();
  };
  EXPECT_TRUE(registry.Flush());
  EXPECT_TRUE(ReadAll(Path()).contains("second"));
}

TEST_F(FileRegistryTest, AnUnreadableFileIsKeptAsideAndReportedOnce) {
  const QList<QByteArray> damaged{
      "{ not json",
      "[1, 2]",
      R"({"format":"tessra-settings","version":1,"root":{"values":{"A":{"type":"dword","value":"x"}}}})",
      R"({"format":"tessra-settings","version":1,"root":{"values":{"A":{"type":"dword","value":-1}}}})",
      R"({"format":"tessra-settings","version":1,"root":{"keys":[{"values":{}}]}})",
      R"({"format":"other","version":1,"root":{}})",
      QByteArray("\x00\xff\xfe", 3),
  };
  for (const QByteArray& content : damaged) {
    SCOPED_TRACE(content.toStdString());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.json"));
    WriteAll(path, content);
    QStringList problems;
    {
      TFileRegistry registry(path);
      registry.OnProblem = [&problems](TFileRegistry&, const QString& message) {
        problems.append(message);
      };
      registry.Load();
      EXPECT_FALSE(registry.OpenKey(QStringLiteral("Software"), false));
      registry.OpenKey(QStringLiteral("Software\\Tessra"), true)
          ->WriteBool(QStringLiteral("Logging"), true);
    }
    ASSERT_EQ(problems.size(), 1);
    const QStringList backups =
        QDir(dir.path()).entryList({QStringLiteral("settings.json.bad-*")}, QDir::Files);
    ASSERT_EQ(backups.size(), 1);
    EXPECT_TRUE(problems[0].contains(backups[0]));
    EXPECT_EQ(ReadAll(dir.filePath(backups[0])), content);
    // The fresh file is a good one.
    TFileRegistry reread(path);
    reread.Load();
    auto key = reread.OpenKey(QStringLiteral("Software\\Tessra"), false);
    ASSERT_TRUE(key);
    EXPECT_TRUE(key->ReadBool(QStringLiteral("Logging"), false));
  }
}

TEST_F(FileRegistryTest, WhatIsWrittenReadsBackUnchanged) {
  TFileRegistry registry(Path());
  // Names differing only in letter case are one key and one value.
  ASSERT_TRUE(registry.LoadContent(
      R"({"format":"tessra-settings","version":1,"root":{"keys":[{"name":"A"},)"
      R"({"name":"a","values":{"X":{"type":"dword","value":4294967295},"x":{"type":"sz","value":"\u0000"}}}]}})"));
  const QByteArray written = registry.Content();
  auto key = registry.OpenKey(QStringLiteral("a"), false);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->ReadString(QStringLiteral("X"), {}), QString(QChar(0)));
  ASSERT_TRUE(registry.LoadContent(written));
  EXPECT_EQ(registry.Content(), written);
  EXPECT_FALSE(registry.LoadContent("{}"));
  EXPECT_FALSE(registry.OpenKey(QStringLiteral("a"), false));
}

TEST_F(FileRegistryTest, NoFileIsAnEmptyStoreWithoutComplaint) {
  TFileRegistry registry(Dir.filePath(QStringLiteral("sub/dir/settings.json")));
  int problems = 0;
  registry.OnProblem = [&problems](TFileRegistry&, const QString&) { ++problems; };
  registry.Load();
  registry.OpenKey(QStringLiteral("Software\\Tessra"), true)->WriteInteger(QStringLiteral("X"), 3);
  EXPECT_TRUE(registry.Flush());
  EXPECT_EQ(problems, 0);
  EXPECT_TRUE(QFile::exists(Dir.filePath(QStringLiteral("sub/dir/settings.json"))));
}

TEST(SettingsLocationTest, CommandLineBeatsEnvironmentBeatsConfigFolder) {
  QProcessEnvironment withVariable;
  withVariable.insert(QStringLiteral("TESSRA_SETTINGS"), QStringLiteral("/env/s.json"));
  const QProcessEnvironment empty;
  const QString program = QStringLiteral("tessra");
  struct TCase {
    QStringList Arguments;
    const QProcessEnvironment* Environment;
    QString Expected;
    bool Explicit;
  };
  const TCase cases[] = {
      {{program, QStringLiteral("--settings"), QStringLiteral("/a.json")},
       &withVariable,
       QStringLiteral("/a.json"),
       true},
      {{program, QStringLiteral("--settings=/b.json")},
       &withVariable,
       QStringLiteral("/b.json"),
       true},
      {{program}, &withVariable, QStringLiteral("/env/s.json"), true},
      {{program, QStringLiteral("--settings")}, &withVariable, QStringLiteral("/env/s.json"), true},
  };
  for (const TCase& c : cases) {
    bool isExplicit = false;
    EXPECT_EQ(ResolveSettingsPath(c.Arguments, *c.Environment, &isExplicit), c.Expected);
    EXPECT_EQ(isExplicit, c.Explicit);
  }
  bool isExplicit = true;
  const QString fallback = ResolveSettingsPath({program}, empty, &isExplicit);
  EXPECT_FALSE(isExplicit);
  EXPECT_TRUE(fallback.endsWith(QStringLiteral("/settings.json")));
}

} // namespace
} // namespace tessra

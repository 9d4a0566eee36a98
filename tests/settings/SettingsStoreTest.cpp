#include <QCoreApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "QtPrinters.h"

#include "settings/FileRegistry.h"
#include "settings/PasswordScramble.h"
#include "settings/SettingsStore.h"

namespace tessra {
namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
  QTemporaryDir Dir;
  QString Path() const { return Dir.filePath(QStringLiteral("settings.json")); }
  std::unique_ptr<TFileRegistry> Open() const {
    auto registry = std::make_unique<TFileRegistry>(Path());
    registry->Load();
    return registry;
  }
  std::unique_ptr<TRegistryKey> MainKey(TRegistry& registry) const {
    return registry.OpenKey(kSettingsKey, true);
  }
};

// Every field moved away from its default, so a value that is not written or
// not read back shows up.
TSettings ChangedSettings() {
  TSettings s;
  s.AwayLogging = false;
  s.AwayAutoCancel = true;
  s.AutoAway = true;
  s.AutoAwayIdle = 25;
  s.AutoAwayMessage = QStringLiteral("brb ünïcode");
  s.PlaySounds = false;
  s.VeyraDirectory = QStringLiteral("D:\\Games\\Veyra\\");
  s.IgnoreList = true;
  s.IgnoreMode = 1;
  s.IgnoreAllFolder = QStringLiteral("E:\\Shared\\");
  s.GroupPanelVisible = false;
  s.GroupsTreeViewHeight = 250;
  s.InputPanelHeight = 90;
  s.StatusBarVisible = false;
  s.SocksHost = QStringLiteral("127.0.0.1");
  s.SocksPort = QStringLiteral("1080");
  s.SocksUser = QStringLiteral("proxyuser");
  s.SocksPass = QStringLiteral("plain pass");
  s.SocksVer5 = true;
  s.SocksProxy = true;
  s.AutoReconnect = true;
  s.ReconnectTimes = -3;
  s.ReconnectDelay = 42;
  s.AutoLoginDimension = QStringLiteral("Pellis");
  s.AutoLoginUser = QStringLiteral("bob");
  s.AutoLoginPassword = QStringLiteral("secret");
  s.OnStartup = 2;
  s.LastUser = QStringLiteral("alice");
  s.LastDimension = QStringLiteral("Ostvale");
  s.ParseEmoticons = false;
  s.ParseUrls = false;
  s.LinkNames = false;
  s.LinkGroups = false;
  s.TimestampChat = false;
  s.TimestampFormat = QStringLiteral("hh:nn:ss");
  s.TimestampColor = 0x00112233;
  s.SmoothScrolling = true;
  s.TimestampIndent = false;
  s.LineSpacing = 3;
  s.FriendsTreeViewFont = {204, 0x000000FF, QStringLiteral("Arial"), 10, true, false, false, false};
  s.GroupsTreeViewFont = {0, kColorNone, QStringLiteral("Verdana"), 11, false, true, false, false};
  s.OutputMemoFont = {2, 0xFF000012, QStringLiteral("Courier New"), 9, false, false, true, false};
  s.InputEditFont = {1, 0x00FFFFFF, QStringLiteral("Segoe UI"), 12, false, false, false, true};
  s.FriendsTreeViewColor = 0x00000000;
  s.GroupsTreeViewColor = 0x00FF0000;
  s.OutputMemoColor = kColorNone;
  s.InputEditColor = 0xFF00000F;
  s.Logging = true;
  s.TimestampLogging = false;
  s.LoggingFolder = QStringLiteral("/var/log/tessra/");
  s.LogGroup = false;
  s.LogPrivate = false;
  s.LogPrivateGroup = false;
  s.LogSystem = false;
  s.LogError = false;
  s.NewSignMessages = true;
  s.ItemDb = QStringLiteral("tarvik");
  s.ItemQl = false;
  return s;
}

TEST_F(SettingsStoreTest, EveryValueSurvivesARestart) {
  TSettings saved = ChangedSettings();
  {
    auto registry = Open();
    ASSERT_TRUE(SaveSettings(*registry, saved));
  }
  auto registry = Open();
  TSettings loaded;
  ASSERT_TRUE(LoadSettings(*registry, loaded));
  EXPECT_TRUE(loaded == saved);
  EXPECT_EQ(loaded.FriendsTreeViewFont, saved.FriendsTreeViewFont);
  EXPECT_EQ(loaded.InputEditFont, saved.InputEditFont);

  // Stored with the types the registry layout gives them.
  auto key = MainKey(*registry);
  EXPECT_EQ(key->ValueType(QStringLiteral("SocksPort")), TRegistryValueType::String);
  EXPECT_EQ(key->ValueType(QStringLiteral("AutoAwayIdle")), TRegistryValueType::Dword);
  EXPECT_EQ(key->ValueType(QStringLiteral("OutputMemo_FontStrikeOut")), TRegistryValueType::Dword);
  EXPECT_EQ(key->ValueType(QStringLiteral("InputEdit_Color")), TRegistryValueType::Dword);
  // The start-up password is scrambled, the proxy password is not.
  EXPECT_EQ(key->ReadBytes(QStringLiteral("AutoLoginPassword"), {}), ScramblePassword("secret"));
  EXPECT_EQ(key->ReadString(QStringLiteral("SocksPass"), {}), QStringLiteral("plain pass"));
}

TEST_F(SettingsStoreTest, FirstStartGivesEveryDefault) {
  auto registry = Open();
  TSettings settings = ChangedSettings();
  settings.GroupsTreeViewHeight = 193;
  settings.InputPanelHeight = 73;
  ASSERT_TRUE(LoadSettings(*registry, settings));
  TSettings expected;
  expected.IgnoreAllFolder = expected.VeyraDirectory;
#ifdef Q_OS_WIN
  expected.LoggingFolder = QCoreApplication::applicationDirPath() + QStringLiteral("/Logs/");
#else
  // Not beside the program: an installed copy lives in a folder its users cannot write to.
  expected.LoggingFolder =
      QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/Logs/");
  EXPECT_FALSE(expected.LoggingFolder.startsWith(QCoreApplication::applicationDirPath()));
#endif
  EXPECT_TRUE(settings == expected);
  EXPECT_EQ(settings.OnStartup, 1);
  EXPECT_EQ(settings.LastDimension, QStringLiteral("Merovan"));
  EXPECT_EQ(settings.OutputMemoFont.Name, QStringLiteral("Tahoma"));
  EXPECT_EQ(settings.OutputMemoFont.Color, 0xFF000008U);
  EXPECT_EQ(settings.OutputMemoColor, 0xFF000005U);
  // Loading made the main key (through the tool bar key).
  EXPECT_TRUE(registry->OpenKey(kSettingsKey, false));
}

TEST_F(SettingsStoreTest, TheTwoHeightsDefaultToTheControlsCurrentHeights) {
  auto registry = Open();
  TSettings settings;
  settings.GroupsTreeViewHeight = 321;
  settings.InputPanelHeight = 54;
  LoadSettings(*registry, settings);
  EXPECT_EQ(settings.GroupsTreeViewHeight, 321);
  EXPECT_EQ(settings.InputPanelHeight, 54);
}

TEST_F(SettingsStoreTest, AValueOfTheWrongTypeYieldsItsDefault) {
  auto registry = Open();
  {
    auto key = MainKey(*registry);
    key->WriteString(QStringLiteral("AutoAwayIdle"), QStringLiteral("25"));
    key->WriteString(QStringLiteral("Logging"), QStringLiteral("1"));
    key->WriteDword(QStringLiteral("TimestampFormat"), 5);
    key->WriteString(QStringLiteral("TimestampColor"), QStringLiteral("red"));
  }
  TSettings settings;
  LoadSettings(*registry, settings);
  EXPECT_EQ(settings.AutoAwayIdle, 10);
  EXPECT_FALSE(settings.Logging);
  EXPECT_EQ(settings.TimestampFormat, QStringLiteral("[hh:nn]"));
  EXPECT_EQ(settings.TimestampColor, 0x00808080U);
}

TEST_F(SettingsStoreTest, AnyNonZeroNumberIsTrueAndTrueIsWrittenAsOne) {
  auto registry = Open();
  MainKey(*registry)->WriteDword(QStringLiteral("AwayAutoCancel"), 2);
  MainKey(*registry)->WriteDword(QStringLiteral("OutputMemo_FontBold"), 0x80000000U);
  TSettings settings;
  LoadSettings(*registry, settings);
  EXPECT_TRUE(settings.AwayAutoCancel);
  EXPECT_TRUE(settings.OutputMemoFont.Bold);
  SaveSettings(*registry, settings);
  EXPECT_EQ(MainKey(*registry)->ReadDword(QStringLiteral("AwayAutoCancel"), 0), 1U);
  EXPECT_EQ(MainKey(*registry)->ReadDword(QStringLiteral("OutputMemo_FontBold"), 0), 1U);
  EXPECT_EQ(MainKey(*registry)->ReadDword(QStringLiteral("AutoAway"), 9), 0U);
}

TEST_F(SettingsStoreTest, IgnoreAllFolderDefaultsToTheStoredGameFolder) {
  auto registry = Open();
  MainKey(*registry)->WriteString(QStringLiteral("VeyraDirectory"), QStringLiteral("G:\\Veyra\\"));
  TSettings settings;
  LoadSettings(*registry, settings);
  EXPECT_EQ(settings.IgnoreAllFolder, QStringLiteral("G:\\Veyra\\"));
  MainKey(*registry)->WriteString(QStringLiteral("IgnoreAllFolder"), QStringLiteral("H:\\"));
  LoadSettings(*registry, settings);
  EXPECT_EQ(settings.IgnoreAllFolder, QStringLiteral("H:\\"));
}

TEST_F(SettingsStoreTest, HooksRunAtTheirPointsWithTheValuesReadSoFar) {
  auto registry = Open();
  TSettings stored = ChangedSettings();
  SaveSettings(*registry, stored);

  QStringList calls;
  TSettingsHooks hooks;
  hooks.LoadAccounts = [&](TRegistry&) { calls << QStringLiteral("accounts"); };
  hooks.LoadToolbars = [&](TRegistryKey&) { calls << QStringLiteral("toolbars"); };
  hooks.ApplyLayout = [&](const TSettings& s) {
    calls << QStringLiteral("layout");
    EXPECT_FALSE(s.StatusBarVisible);
    EXPECT_TRUE(s.SocksHost.isEmpty());
  };
  hooks.SetProxy = [&](const TSettings& s) {
    calls << QStringLiteral("proxy");
    EXPECT_TRUE(s.SocksProxy);
    EXPECT_FALSE(s.AutoReconnect);
  };
  hooks.ApplyConsole = [&](const TSettings& s) {
    calls << QStringLiteral("console");
    EXPECT_EQ(s.LineSpacing, 3);
    EXPECT_EQ(s.FriendsTreeViewFont.Name, QStringLiteral("Tahoma"));
  };
  hooks.ApplyFonts = [&](const TSettings& s) {
    calls << QStringLiteral("fonts");
    EXPECT_EQ(s.InputEditColor, 0xFF00000FU);
    EXPECT_FALSE(s.Logging);
  };
  hooks.SetLogging = [&](bool logging) {
    calls << QStringLiteral("logging");
    EXPECT_TRUE(logging);
  };
  TSettings settings;
  LoadSettings(*registry, settings, hooks);
  EXPECT_EQ(calls, (QStringList{"accounts", "toolbars", "layout", "proxy", "console", "fonts",
                                "logging"}));

  // Saving takes the proxy from the engine and the layout from the controls.
  TSettingsHooks saveHooks;
  saveHooks.GetProxy = [](TSettings& s) { s.SocksHost = QStringLiteral("::1"); };
  saveHooks.GatherFromControls = [](TSettings& s) { s.InputPanelHeight = 99; };
  SaveSettings(*registry, settings, saveHooks);
  TSettings reread;
  LoadSettings(*registry, reread);
  EXPECT_EQ(reread.SocksHost, QStringLiteral("::1"));
  EXPECT_EQ(reread.InputPanelHeight, 99);
}

TEST_F(SettingsStoreTest, MutedChannelsArePerCharacterOnePerLine) {
  auto registry = Open();
  EXPECT_TRUE(LoadMutedChannels(*registry, QStringLiteral("Zed")).isEmpty());
  SaveMutedChannels(*registry, QStringLiteral("Zed"),
                    {QStringLiteral("OOC"), QStringLiteral("Clan Chat")});
  auto key = registry->OpenKey(kMutedChannelsKey, false);
  EXPECT_EQ(key->ReadString(QStringLiteral("Zed"), {}), QStringLiteral("OOC\r\nClan Chat\r\n"));
  EXPECT_EQ(LoadMutedChannels(*registry, QStringLiteral("zed")),
            (QStringList{QStringLiteral("OOC"), QStringLiteral("Clan Chat")}));
  EXPECT_TRUE(LoadMutedChannels(*registry, QStringLiteral("Other")).isEmpty());
  key->WriteString(QStringLiteral("Unix"), QStringLiteral("a\nb\n\nc"));
  EXPECT_EQ(LoadMutedChannels(*registry, QStringLiteral("Unix")),
            (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
}

TEST_F(SettingsStoreTest, SavingEverythingWritesTheFileOnce) {
  TFileRegistry registry(Path());
  registry.Load();
  int writes = 0;
  registry.WriteHook = [&writes](QIODevice& device, const QByteArray& data) {
    ++writes;
    return device.write(data) == data.size();
  };
  TSettingsHooks hooks;
  hooks.SaveAccounts = [](TRegistry& store) {
    for (const QString& name : {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}) {
      store.OpenKey(kLoginsKey + QLatin1Char('\\') + name, true)
          ->WriteString(QStringLiteral("LastChar"), name);
    }
  };
  TSettings settings;
  SaveSettings(registry, settings, hooks);
  EXPECT_EQ(writes, 1);
}

TEST(FontSettingsTest, LinkFontsHaveNoColourAndTheHoverFontFlipsTheUnderline) {
  TFontSettings console;
  console.Name = QStringLiteral("Verdana");
  console.Bold = true;
  EXPECT_EQ(LinkFontOf(console).Color, kColorNone);
  EXPECT_EQ(LinkFontOf(console).Name, QStringLiteral("Verdana"));
  EXPECT_TRUE(LinkFontOf(console).Bold);
  EXPECT_FALSE(LinkFontOf(console).Underline);
  EXPECT_TRUE(HoverLinkFontOf(console).Underline);
  console.Underline = true;
  EXPECT_FALSE(HoverLinkFontOf(console).Underline);
  EXPECT_EQ(HoverLinkFontOf(console).Color, kColorNone);
}

TEST(PasswordScrambleTest, ShiftsEachByteByItsPosition) {
  EXPECT_EQ(ScramblePassword("abc"), "bdf");
  EXPECT_EQ(UnscramblePassword("bdf"), "abc");
  EXPECT_EQ(ScramblePassword(""), "");
  // 0xFF + 1 wraps to 0; position 256 is a shift by 0.
  EXPECT_EQ(ScramblePassword("\xff"), TBytes(1, '\0'));
  const TBytes all = [] {
    TBytes bytes;
    for (int i = 0; i < 600; ++i) {
      bytes.push_back(static_cast<char>(i * 7));
    }
    return bytes;
  }();
  EXPECT_EQ(UnscramblePassword(ScramblePassword(all)), all);
  EXPECT_EQ(ScramblePassword(all).size(), all.size());
}

TEST_F(SettingsStoreTest, AScrambledPasswordHoldingZeroBytesSurvivesARestart) {
  // The UTF-8 continuation byte 0xBF at position 65 scrambles to byte 0.
  TSettings saved;
  saved.AutoLoginPassword = QString(63, QLatin1Char('a')) + QString::fromUtf8("\xc3\xbf!");
  const QByteArray utf8 = saved.AutoLoginPassword.toUtf8();
  ASSERT_EQ(ScramblePassword(TBytes(utf8.constData(), static_cast<size_t>(utf8.size())))[64], '\0');
  {
    auto registry = Open();
    SaveSettings(*registry, saved);
  }
  auto registry = Open();
  TSettings loaded;
  LoadSettings(*registry, loaded);
  EXPECT_EQ(loaded.AutoLoginPassword, saved.AutoLoginPassword);
}

} // namespace
} // namespace tessra

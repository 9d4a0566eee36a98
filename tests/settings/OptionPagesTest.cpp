#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <gtest/gtest.h>

#include "FakeOptionsHost.h"
#include "QtPrinters.h"

#include "settings/AutoConnectFrame.h"
#include "settings/AwayOptionsFrame.h"
#include "settings/ChatWindowFrame.h"
#include "settings/FontsFrame.h"
#include "settings/LoggingFrame.h"
#include "settings/SOCKSFrame.h"
#include "settings/VeyraFrame.h"

namespace tessra {
namespace {

TBytes Bytes(const char* text) {
  return TBytes(text);
}

// Each page on its own in a holder window, loaded from the fake host.
class OptionPagesTest : public ::testing::Test {
protected:
  template <class TPage> TPage& Open() {
    auto* page = new TPage(Host, &Holder);
    page->LoadOptions();
    return *page;
  }
  static QStringList Items(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) {
      items << combo->itemText(i);
    }
    return items;
  }

  test::TFakeOptionsHost Host;
  QWidget Holder;
};

// ------------------------------------------------------------- Connection

TEST_F(OptionPagesTest, ConnectionStartupChoiceTable) {
  struct TCase {
    int Stored;
    const char* Shown;
    int Applied;
  } cases[] = {{0, "Do Nothing", 0},
               {1, "Display Login Dialog", 1},
               {2, "Login on With the Following Account", 2},
               {5, "Display Login Dialog", 1},
               {-1, "Display Login Dialog", 1}};
  for (const TCase& c : cases) {
    Host.Values.OnStartup = c.Stored;
    auto& page = Open<TAutoConnectFrame>();
    QString shown;
    for (QRadioButton* radio : {page.DoNothingRadio, page.LoginDialogRadio, page.AutoLoginRadio}) {
      if (radio->isChecked()) {
        shown = radio->text();
      }
    }
    EXPECT_EQ(shown, QString::fromLatin1(c.Shown)) << c.Stored;
    page.ApplyOptions();
    EXPECT_EQ(Host.Values.OnStartup, c.Applied) << c.Stored;
  }
}

TEST_F(OptionPagesTest, ConnectionLoadsLoginsLastDimensionAndStartupAccount) {
  Host.LoginArray.SetLoginPassword(QStringLiteral("alpha"), Bytes("alphapass"));
  Host.LoginArray.SetLoginPassword(QStringLiteral("beta"), Bytes("betapass"));
  Host.Values.LastUser = QStringLiteral("BETA");
  Host.Values.LastDimension = QStringLiteral("pellis");
  Host.Values.AutoReconnect = true;
  Host.Values.ReconnectTimes = 25;
  Host.Values.ReconnectDelay = 30;
  {
    auto& page = Open<TAutoConnectFrame>();
    EXPECT_EQ(Items(page.UserNameCombo), (QStringList{"alpha", "beta"}));
    EXPECT_EQ(page.UserNameCombo->currentText(), QStringLiteral("BETA"));
    EXPECT_EQ(page.PasswordEdit->text(), QStringLiteral("betapass"));
    EXPECT_EQ(page.PasswordEdit->echoMode(), QLineEdit::Password);
    EXPECT_EQ(Items(page.DimensionCombo),
              (QStringList{"Merovan", "Pellis", "Ostvale", "Test Dimension"}));
    // With no start-up dimension stored the first entry is shown.
    EXPECT_EQ(page.DimensionCombo->currentText(), QStringLiteral("Merovan"));
    EXPECT_TRUE(page.ReconnectCheck->isChecked());
    EXPECT_EQ(page.ReconnectTimesSpin->value(), 25);
    EXPECT_EQ(page.ReconnectDelaySpin->value(), 30);
  }

  Host.Values.AutoLoginDimension = QStringLiteral("OSTVALE");
  Host.Values.AutoLoginUser = QStringLiteral("gamma");
  Host.Values.AutoLoginPassword = QStringLiteral("gammapass");
  auto& page = Open<TAutoConnectFrame>();
  EXPECT_EQ(page.DimensionCombo->currentText(), QStringLiteral("Ostvale"));
  EXPECT_EQ(page.UserNameCombo->currentText(), QStringLiteral("gamma"));
  EXPECT_EQ(page.PasswordEdit->text(), QStringLiteral("gammapass"));
}

TEST_F(OptionPagesTest, ConnectionReplacesTheStartupAccountOnlyWhenItIsChosen) {
  Host.Values.OnStartup = 2;
  Host.Values.AutoLoginDimension = QStringLiteral("Pellis");
  Host.Values.AutoLoginUser = QStringLiteral("stored");
  Host.Values.AutoLoginPassword = QStringLiteral("storedpass");
  auto& page = Open<TAutoConnectFrame>();
  page.UserNameCombo->setCurrentText(QStringLiteral("other"));
  page.PasswordEdit->setText(QStringLiteral("otherpass"));
  page.DimensionCombo->setCurrentIndex(3);

  page.LoginDialogRadio->setChecked(true);
  page.ApplyOptions();
  EXPECT_EQ(Host.Values.OnStartup, 1);
  EXPECT_EQ(Host.Values.AutoLoginDimension, QStringLiteral("Pellis"));
  EXPECT_EQ(Host.Values.AutoLoginUser, QStringLiteral("stored"));
  EXPECT_EQ(Host.Values.AutoLoginPassword, QStringLiteral("storedpass"));

  page.AutoLoginRadio->setChecked(true);
  page.ReconnectCheck->setChecked(true);
  page.ReconnectTimesSpin->setValue(12);
  page.ReconnectDelaySpin->setValue(7);
  page.ApplyOptions();
  EXPECT_EQ(Host.Values.OnStartup, 2);
  EXPECT_EQ(Host.Values.AutoLoginDimension, QStringLiteral("Test Dimension"));
  EXPECT_EQ(Host.Values.AutoLoginUser, QStringLiteral("other"));
  EXPECT_EQ(Host.Values.AutoLoginPassword, QStringLiteral("otherpass"));
  EXPECT_TRUE(Host.Values.AutoReconnect);
  EXPECT_EQ(Host.Values.ReconnectTimes, 12);
  EXPECT_EQ(Host.Values.ReconnectDelay, 7);
}

TEST_F(OptionPagesTest, ConnectionEnabledStatesFollowTheAccountChoiceAndReconnect) {
  auto& page = Open<TAutoConnectFrame>();
  const std::vector<QWidget*> account = {
      page.UserNameLabel,  page.UserNameCombo,  page.PasswordLabel,         page.PasswordEdit,
      page.DimensionLabel, page.DimensionCombo, page.ManageDimensionsButton};
  const std::vector<QWidget*> reconnect = {page.ReconnectTimesSpin, page.TimesLabel,
                                           page.DelayLabel, page.ReconnectDelaySpin,
                                           page.SecondsLabel};
  const auto all = [](const std::vector<QWidget*>& controls, bool enabled) {
    for (QWidget* control : controls) {
      if (control->isEnabled() != enabled) {
        return false;
      }
    }
    return true;
  };
  EXPECT_TRUE(all(account, false));
  EXPECT_TRUE(all(reconnect, false));
  page.AutoLoginRadio->setChecked(true);
  EXPECT_TRUE(all(account, true));
  page.DoNothingRadio->setChecked(true);
  EXPECT_TRUE(all(account, false));
  page.ReconnectCheck->setChecked(true);
  EXPECT_TRUE(all(reconnect, true));
  EXPECT_TRUE(page.ReconnectCheck->isEnabled());
}

TEST_F(OptionPagesTest, ConnectionRangesOfTheReconnectFields) {
  Host.Values.ReconnectTimes = 2;
  Host.Values.ReconnectDelay = 500;
  auto& page = Open<TAutoConnectFrame>();
  page.ApplyOptions();
  EXPECT_EQ(Host.Values.ReconnectTimes, 10);
  EXPECT_EQ(Host.Values.ReconnectDelay, 120);
  EXPECT_EQ(page.ReconnectTimesSpin->maximum(), 999);
  EXPECT_EQ(page.ReconnectDelaySpin->minimum(), 1);
}

TEST_F(OptionPagesTest, ManageDimensionsRefillsOrCreatesTheFirstDimension) {
  auto& page = Open<TAutoConnectFrame>();
  page.DimensionCombo->setCurrentIndex(2); // Ostvale
  Host.OnManageDimensions = [](TDimensionList& list) {
    list.Delete(0);
    list.AddNew(QStringLiteral("Home"), QString(), 7200, QStringLiteral("127.0.0.1"));
    return true;
  };
  page.ManageDimensionsClick();
  EXPECT_EQ(Items(page.DimensionCombo),
            (QStringList{"Pellis", "Ostvale", "Test Dimension", "Home"}));
  EXPECT_EQ(page.DimensionCombo->currentText(), QStringLiteral("Ostvale"));

  // With no dimension at all a new one is asked for, added and selected.
  Host.DimensionList.Clear();
  page.ManageDimensionsClick(); // cancelled
  EXPECT_EQ(Host.DimensionList.Count(), 0);
  Host.NewDimensions.push_back(std::make_unique<TDimensionInfo>(QStringLiteral("Fresh"), QString(),
                                                                7300, QStringLiteral("127.0.0.1")));
  page.DimensionCombo->clear();
  page.ManageDimensionsClick();
  ASSERT_EQ(Host.DimensionList.Count(), 1);
  EXPECT_EQ(Host.DimensionList.Get(0)->Name, QStringLiteral("Fresh"));
  EXPECT_EQ(page.DimensionCombo->currentText(), QStringLiteral("Fresh"));
  EXPECT_EQ(Host.Calls, (QStringList{"ManageDimensions", "NewDimension", "NewDimension"}));
}

TEST_F(OptionPagesTest, ConnectionWithoutAnyDimensionStoresNoStartupDimension) {
  Host.DimensionList.Clear();
  Host.Values.AutoLoginDimension = QStringLiteral("Gone");
  auto& page = Open<TAutoConnectFrame>();
  page.AutoLoginRadio->setChecked(true);
  page.ApplyOptions();
  EXPECT_EQ(Host.Values.AutoLoginDimension, QString());
}

// ------------------------------------------------------------ SOCKS Proxy

TEST_F(OptionPagesTest, SocksLoadsFromAndAppliesToTheEngineAsTyped) {
  Host.Proxy = {true,
                true,
                QStringLiteral("127.0.0.1"),
                QStringLiteral("1080"),
                QStringLiteral("user"),
                QStringLiteral("pass")};
  auto& page = Open<TSOCKSFrame>();
  EXPECT_TRUE(page.EnableCheck->isChecked());
  EXPECT_TRUE(page.Ver5Radio->isChecked());
  EXPECT_EQ(page.HostEdit->text(), QStringLiteral("127.0.0.1"));
  EXPECT_EQ(page.PortEdit->text(), QStringLiteral("1080"));
  EXPECT_EQ(page.UserEdit->text(), QStringLiteral("user"));
  EXPECT_EQ(page.PassEdit->text(), QStringLiteral("pass"));
  EXPECT_EQ(page.PassEdit->echoMode(), QLineEdit::Password);

  page.Ver4Radio->setChecked(true);
  page.PortEdit->setText(QStringLiteral(" 10x80 "));
  page.ApplyOptions();
  EXPECT_EQ(Host.Proxy,
            (TProxySettings{true, false, QStringLiteral("127.0.0.1"), QStringLiteral(" 10x80 "),
                            QStringLiteral("user"), QStringLiteral("pass")}));
  EXPECT_EQ(Host.Calls, QStringList{"ApplyProxy"});
}

TEST_F(OptionPagesTest, SocksEnabledStates) {
  auto& page = Open<TSOCKSFrame>();
  EXPECT_FALSE(page.Ver5Radio->isEnabled());
  EXPECT_FALSE(page.HostEdit->isEnabled());
  EXPECT_FALSE(page.PortLabel->isEnabled());
  EXPECT_FALSE(page.UserEdit->isEnabled()) << "Ver 4 is selected";
  page.EnableCheck->setChecked(true);
  EXPECT_TRUE(page.Ver4Radio->isEnabled());
  EXPECT_TRUE(page.HostLabel->isEnabled());
  EXPECT_TRUE(page.PortEdit->isEnabled());
  EXPECT_FALSE(page.PassEdit->isEnabled());
  page.Ver5Radio->setChecked(true);
  EXPECT_TRUE(page.UserLabel->isEnabled());
  EXPECT_TRUE(page.PassEdit->isEnabled());
  // The authentication fields follow the version alone.
  page.EnableCheck->setChecked(false);
  EXPECT_FALSE(page.HostEdit->isEnabled());
  EXPECT_TRUE(page.UserEdit->isEnabled());
  EXPECT_TRUE(page.PassLabel->isEnabled());
}

// ---------------------------------------------------------------- Logging

TEST_F(OptionPagesTest, LoggingMapsItsFieldsAndSwitchesLoggingWithTheNewValues) {
  Host.Values.Logging = false;
  Host.Values.TimestampLogging = false;
  Host.Values.LoggingFolder = QStringLiteral("/old/");
  Host.Values.LogPrivate = false;
  Host.Values.LogError = false;
  auto& page = Open<TLoggingFrame>();
  EXPECT_FALSE(page.EnableLoggingCheck->isChecked());
  EXPECT_FALSE(page.TimestampLogsCheck->isChecked());
  EXPECT_EQ(page.LogFolderEdit->text(), QStringLiteral("/old/"));
  ASSERT_EQ(page.LogList->count(), 5);
  QStringList rows;
  for (int i = 0; i < page.LogList->count(); ++i) {
    rows << page.LogList->item(i)->text() +
                (page.LogList->item(i)->checkState() == Qt::Checked ? "+" : "-");
  }
  EXPECT_EQ(rows, (QStringList{"Group Messages+", "Private Messages-", "Private Group Messages+",
                               "System Messages+", "Error Messages-"}));

  page.EnableLoggingCheck->setChecked(true);
  page.LogFolderEdit->setText(QStringLiteral("/new/"));
  page.SetRowChecked(TLoggingFrame::lrGroup, false);
  page.SetRowChecked(TLoggingFrame::lrError, true);
  page.ApplyOptions();
  ASSERT_EQ(Host.Calls, QStringList{"SetLogging(1)"});
  // Logging starts with the folder and files chosen on the page.
  const TSettings& atCall = Host.SettingsAtCall[0];
  EXPECT_TRUE(atCall.Logging);
  EXPECT_EQ(atCall.LoggingFolder, QStringLiteral("/new/"));
  EXPECT_FALSE(atCall.LogGroup);
  EXPECT_FALSE(atCall.LogPrivate);
  EXPECT_TRUE(atCall.LogError);
  EXPECT_FALSE(atCall.TimestampLogging);
}

TEST_F(OptionPagesTest, LoggingEnabledStatesAndFolderBrowser) {
  auto& page = Open<TLoggingFrame>();
  for (QWidget* control : std::initializer_list<QWidget*>{
           page.TimestampLogsCheck, page.LogFolderLabel, page.LogFolderEdit, page.BrowseButton,
           page.LogFollowingLabel, page.LogList}) {
    EXPECT_FALSE(control->isEnabled());
    page.EnableLoggingCheck->setChecked(true);
    EXPECT_TRUE(control->isEnabled());
    page.EnableLoggingCheck->setChecked(false);
  }
  EXPECT_TRUE(page.EnableLoggingCheck->isEnabled());

  page.LogFolderEdit->setText(QStringLiteral("typed"));
  page.BrowseClick(); // cancelled
  EXPECT_EQ(page.LogFolderEdit->text(), QStringLiteral("typed"));
  Host.Folders.push_back(QStringLiteral("/chosen/"));
  page.BrowseClick();
  EXPECT_EQ(page.LogFolderEdit->text(), QStringLiteral("/chosen/"));
  EXPECT_EQ(Host.FolderRequests,
            (QStringList{"Select your Tessra logging directory below:|typed",
                         "Select your Tessra logging directory below:|typed"}));
}

// ----------------------------------------------------------- Away Options

TEST_F(OptionPagesTest, AwayMapsItsFieldsThenUpdatesTheTimer) {
  Host.Values.AwayLogging = false;
  Host.Values.AwayAutoCancel = true;
  Host.Values.AutoAway = false;
  Host.Values.AutoAwayIdle = 0; // out of range in the store
  Host.Values.AutoAwayMessage = QStringLiteral("gone");
  auto& page = Open<TAwayOptionsFrame>();
  EXPECT_FALSE(page.LogPrivateCheck->isChecked());
  EXPECT_TRUE(page.CancelOnActivityCheck->isChecked());
  EXPECT_EQ(page.IdleSpin->value(), 1);
  EXPECT_EQ(page.MessageEdit->text(), QStringLiteral("gone"));
  EXPECT_FALSE(page.IdleSpin->isEnabled());
  EXPECT_FALSE(page.MessageLabel->isEnabled());

  page.AutoAwayCheck->setChecked(true);
  EXPECT_TRUE(page.IdleLabel->isEnabled());
  EXPECT_TRUE(page.IdleSpin->isEnabled());
  EXPECT_TRUE(page.MinutesLabel->isEnabled());
  EXPECT_TRUE(page.MessageEdit->isEnabled());
  page.IdleSpin->setValue(15);
  page.MessageEdit->setText(QStringLiteral("brb"));
  page.ApplyOptions();
  ASSERT_EQ(Host.Calls, QStringList{"UpdateAwayTimer"});
  const TSettings& atCall = Host.SettingsAtCall[0];
  EXPECT_TRUE(atCall.AutoAway);
  EXPECT_EQ(atCall.AutoAwayIdle, 15);
  EXPECT_EQ(atCall.AutoAwayMessage, QStringLiteral("brb"));
  EXPECT_FALSE(atCall.AwayLogging);
  EXPECT_TRUE(atCall.AwayAutoCancel);
  EXPECT_EQ(page.IdleSpin->maximum(), 999);
}

// ---------------------------------------------------------- Veyra Options

TEST_F(OptionPagesTest, VeyraMapsItsFields) {
  Host.Values.VeyraDirectory = QStringLiteral("/game/");
  Host.Values.PlaySounds = false;
  Host.Values.IgnoreList = true;
  Host.Values.IgnoreMode = 7;
  Host.Values.IgnoreAllFolder = QStringLiteral("/shared/");
  auto& page = Open<TVeyraFrame>();
  EXPECT_EQ(page.FolderEdit->text(), QStringLiteral("/game/"));
  EXPECT_FALSE(page.PlaySoundsCheck->isChecked());
  EXPECT_TRUE(page.ckbxIgnorelist->isChecked());
  EXPECT_TRUE(page.rbOneForAllIgnore->isChecked());
  EXPECT_EQ(page.edtIgnorelist->text(), QStringLiteral("/shared/"));
  page.ApplyOptions();
  EXPECT_EQ(Host.Values.IgnoreMode, 1);

  page.rbAcctCharIgnore->setChecked(true);
  page.FolderEdit->setText(QStringLiteral("/other/"));
  page.PlaySoundsCheck->setChecked(true);
  page.ApplyOptions();
  EXPECT_EQ(Host.Values.IgnoreMode, 0);
  EXPECT_EQ(Host.Values.VeyraDirectory, QStringLiteral("/other/"));
  EXPECT_TRUE(Host.Values.PlaySounds);
  EXPECT_TRUE(Host.Calls.isEmpty());
}

TEST_F(OptionPagesTest, VeyraEnabledStatesTable) {
  auto& page = Open<TVeyraFrame>();
  struct TCase {
    bool IgnoreList, OneForAll;
    bool RadiosEnabled, FileEnabled;
  } cases[] = {{false, false, false, false},
               {false, true, false, false},
               {true, false, true, false},
               {true, true, true, true}};
  for (const TCase& c : cases) {
    (c.OneForAll ? page.rbOneForAllIgnore : page.rbAcctCharIgnore)->setChecked(true);
    page.ckbxIgnorelist->setChecked(c.IgnoreList);
    const int row = static_cast<int>(&c - cases);
    EXPECT_EQ(page.rbAcctCharIgnore->isEnabled(), c.RadiosEnabled) << row;
    EXPECT_EQ(page.rbOneForAllIgnore->isEnabled(), c.RadiosEnabled) << row;
    EXPECT_EQ(page.lblIgnorelist->isEnabled(), c.FileEnabled) << row;
    EXPECT_EQ(page.edtIgnorelist->isEnabled(), c.FileEnabled) << row;
    EXPECT_EQ(page.spdbtnIgnorelist->isEnabled(), c.FileEnabled) << row;
  }

  Host.Folders.push_back(QStringLiteral("/ignore/"));
  page.spdbtnIgnorelist->click();
  EXPECT_EQ(page.edtIgnorelist->text(), QStringLiteral("/ignore/"));
  EXPECT_EQ(page.FolderEdit->text(), Host.Values.VeyraDirectory);
  EXPECT_EQ(Host.FolderRequests, QStringList{"Select your Veyra directory below:|"});
}

// --------------------------------------------------------- Fonts & Colors

TEST_F(OptionPagesTest, FontsShowEachControlsFontAndBackgroundAndApplyTheChosenOnes) {
  Host.Values.OutputMemoFont.Name = QStringLiteral("Courier");
  Host.Values.OutputMemoFont.Size = 11;
  Host.Values.OutputMemoFont.Color = RgbColorCode(0, 128, 0);
  Host.Values.OutputMemoColor = RgbColorCode(0, 0, 0);
  auto& page = Open<TFontsFrame>();
  const auto& chat = page.Row(TFontsFrame::frChat);
  EXPECT_EQ(chat.Label->text(), QStringLiteral("Chat Window:"));
  EXPECT_EQ(chat.Box->text(), QStringLiteral("11 pt. Courier"));
  EXPECT_TRUE(chat.Box->isReadOnly());
  EXPECT_EQ(chat.Box->palette().color(QPalette::Base), QColor(0, 0, 0));
  EXPECT_EQ(chat.Box->palette().color(QPalette::Text), QColor(0, 128, 0));
  EXPECT_EQ(chat.Box->font().pointSize(), 11);
  const auto& friends = page.Row(TFontsFrame::frFriends);
  EXPECT_EQ(friends.Box->text(), QStringLiteral("8 pt. Tahoma"));
  EXPECT_EQ(friends.Box->palette().color(QPalette::Base),
            Host.Palette().color(QPalette::Base)); // the system window colour

  TFontSettings chosen = Host.Values.InputEditFont;
  chosen.Name = QStringLiteral("Verdana");
  chosen.Size = 14;
  chosen.Bold = true;
  Host.Fonts.push_back(chosen);
  page.Row(TFontsFrame::frInput).FontButton->click();
  EXPECT_EQ(Host.FontStarts.at(0), Host.Values.InputEditFont);
  EXPECT_EQ(page.Row(TFontsFrame::frInput).Box->text(), QStringLiteral("14 pt. Verdana"));
  Host.Colors.push_back(QColor(255, 255, 224));
  page.Row(TFontsFrame::frInput).ColorButton->click();
  EXPECT_EQ(page.Row(TFontsFrame::frInput).Box->palette().color(QPalette::Base),
            QColor(255, 255, 224));
  page.Row(TFontsFrame::frGroups).ColorButton->click(); // cancelled

  page.ApplyOptions();
  EXPECT_EQ(Host.Calls, QStringList{"ApplyFonts"});
  EXPECT_EQ(Host.Values.InputEditFont, chosen);
  EXPECT_EQ(Host.Values.InputEditColor, RgbColorCode(255, 255, 224));
  EXPECT_EQ(Host.Values.GroupsTreeViewColor, kColorWindow) << "the system colour code stays";
  EXPECT_EQ(Host.Values.OutputMemoFont.Name, QStringLiteral("Courier"));
}

// ------------------------------------------------------------ Chat Window

TEST_F(OptionPagesTest, ChatWindowItemDatabaseTable) {
  struct TCase {
    const char* Stored;
    int Shown;
    const char* Applied;
  } cases[] = {{"tarvik", 1, "tarvik"},   {"TARVIK", 1, "tarvik"},   {"TaRvIk", 1, "tarvik"},
               {"veyradb", 0, "veyradb"}, {"VeyraDB", 0, "veyradb"}, {"other", 0, "veyradb"},
               {"", 0, "veyradb"}};
  for (const TCase& c : cases) {
    Host.Values.ItemDb = QString::fromLatin1(c.Stored);
    auto& page = Open<TChatWindowFrame>();
    EXPECT_EQ(Items(page.ItemDbCombo), (QStringList{"VeyraDB", "Tarvik"}));
    EXPECT_EQ(page.ItemDbCombo->currentIndex(), c.Shown) << c.Stored;
    page.ApplyOptions();
    EXPECT_EQ(Host.Values.ItemDb, QString::fromLatin1(c.Applied)) << c.Stored;
  }
}

TEST_F(OptionPagesTest, ChatWindowTimestampColourIsShownAndApplied) {
  Host.Values.TimestampColor = RgbColorCode(0x80, 0x80, 0x80);
  auto& page = Open<TChatWindowFrame>();
  EXPECT_EQ(page.TimestampFormatEdit->palette().color(QPalette::Text), QColor(0x80, 0x80, 0x80));

  Host.Colors.push_back(QColor(0xFF, 0x00, 0x80));
  page.TimestampColorButton->click();
  EXPECT_EQ(page.TimestampFormatEdit->palette().color(QPalette::Text), QColor(0xFF, 0x00, 0x80));
  page.TimestampColorButton->click(); // cancelled: the colour stays
  // The dialog opens on the window text colour first, then on the last colour chosen.
  ASSERT_EQ(Host.ColorStarts.size(), 2u);
  EXPECT_EQ(Host.ColorStarts[0], Host.Palette().color(QPalette::WindowText));
  EXPECT_EQ(Host.ColorStarts[1], QColor(0xFF, 0x00, 0x80));

  page.ApplyOptions();
  EXPECT_EQ(Host.Values.TimestampColor, RgbColorCode(0xFF, 0x00, 0x80));
  EXPECT_EQ(Host.Calls, QStringList{"ApplyChatWindow"});
}

TEST_F(OptionPagesTest, ChatWindowMapsItsFieldsAndEnablesTheStampFields) {
  TSettings& s = Host.Values;
  s.ParseEmoticons = false;
  s.ParseUrls = false;
  s.LinkNames = false;
  s.LinkGroups = true;
  s.SmoothScrolling = true;
  s.TimestampChat = false;
  s.TimestampFormat = QStringLiteral("hh:nn:ss");
  s.TimestampIndent = false;
  s.LineSpacing = 3;
  s.NewSignMessages = true;
  s.ItemQl = false;
  s.TimestampColor = kColorWindowText;
  const TSettings loaded = s;
  auto& page = Open<TChatWindowFrame>();
  EXPECT_EQ(page.TimestampFormatEdit->text(), QStringLiteral("hh:nn:ss"));
  EXPECT_EQ(page.LineSpacingSpin->value(), 3);
  for (QWidget* control :
       std::initializer_list<QWidget*>{page.TimestampFormatLabel, page.TimestampFormatEdit,
                                       page.TimestampColorButton, page.TimestampIndentCheck}) {
    EXPECT_FALSE(control->isEnabled());
    page.TimestampChatCheck->setChecked(true);
    EXPECT_TRUE(control->isEnabled());
    page.TimestampChatCheck->setChecked(false);
  }
  page.ApplyOptions();
  EXPECT_EQ(s, loaded) << "every field goes back as it came";

  page.LinkNamesCheck->setChecked(true);
  page.SmoothScrollingCheck->setChecked(false);
  page.LineSpacingSpin->setValue(9);
  page.ApplyOptions();
  EXPECT_TRUE(s.LinkNames);
  EXPECT_FALSE(s.SmoothScrolling);
  EXPECT_EQ(s.LineSpacing, 9);
}

} // namespace
} // namespace tessra

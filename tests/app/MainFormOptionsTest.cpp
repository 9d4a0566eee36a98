#include <memory>

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "app/MainForm.h"
#include "display/ChatConsole.h"
#include "display/ColorMenu.h"
#include "settings/ChatWindowFrame.h"
#include "settings/FileRegistry.h"
#include "settings/FontPickDialog.h"
#include "settings/FontsFrame.h"
#include "settings/LoggingFrame.h"
#include "settings/OptionsForm.h"
#include "settings/SOCKSFrame.h"
#include "settings/ScriptedPrompt.h"
#include "settings/SettingsStore.h"

namespace tessra {
namespace {

// The options dialog on the real main window (offscreen, no server).
class MainFormOptionsTest : public ::testing::Test {
protected:
  MainFormOptionsTest() { MakeForm(); }
  void MakeForm() {
    Form.reset();
    auto registry = std::make_unique<TFileRegistry>(Dir.filePath(QStringLiteral("settings.json")));
    registry->Load();
    TMainForm::TOptions options;
    options.Registry = std::move(registry);
    options.Prompt = &Prompt;
    options.SavePlacement = false;
    Form = std::make_unique<TMainForm>(std::move(options));
  }
  ~MainFormOptionsTest() override {
    Form.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  TOptionsForm& Open() {
    Form->Actions().OptionsAction->trigger();
    TOptionsForm* dialog = Form->OptionsWindow().OptionsForm();
    EXPECT_NE(dialog, nullptr);
    return *dialog;
  }
  template <class TPage> TPage& Show(TOptionsForm& dialog, const char* pageName) {
    const QString name = QString::fromLatin1(pageName);
    dialog.ShowPage(dialog.Node(name));
    return dynamic_cast<TPage&>(*dialog.Page(name));
  }
  static void Ok(TOptionsForm& dialog) {
    dialog.OkButtonClick();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  QTemporaryDir Dir;
  TScriptedPrompt Prompt;
  std::unique_ptr<TMainForm> Form;
};

TEST_F(MainFormOptionsTest, OptionsActionShowsOneModelessDialogAndTheProxyGoesToTheEngine) {
  TOptionsForm& dialog = Open();
  Form->Actions().OptionsAction->trigger();
  EXPECT_EQ(Form->findChildren<TOptionsForm*>().size(), 1);
  EXPECT_EQ(Form->OptionsWindow().OptionsForm(), &dialog);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_FALSE(dialog.isModal());

  auto& socks = Show<TSOCKSFrame>(dialog, "SOCKS Proxy");
  socks.EnableCheck->setChecked(true);
  socks.Ver5Radio->setChecked(true);
  socks.HostEdit->setText(QStringLiteral("127.0.0.1"));
  socks.PortEdit->setText(QStringLiteral("1080"));
  socks.UserEdit->setText(QStringLiteral("me"));
  Ok(dialog);
  EXPECT_EQ(Form->VeyraChat().GetProxy(),
            (TProxySettings{true, true, QStringLiteral("127.0.0.1"), QStringLiteral("1080"),
                            QStringLiteral("me"), QString()}));
  EXPECT_EQ(Form->OptionsWindow().OptionsForm(), nullptr) << "closing frees the dialog";

  // The next opening starts from the current values.
  auto& again = Show<TSOCKSFrame>(Open(), "SOCKS Proxy");
  EXPECT_EQ(again.HostEdit->text(), QStringLiteral("127.0.0.1"));
}

TEST_F(MainFormOptionsTest, FontsAndColoursReachEveryControlWithTheDerivedLinkFonts) {
  TSettings& s = Form->Settings();
  s.OutputMemoFont.Name = QStringLiteral("Courier");
  s.OutputMemoFont.Size = 12;
  s.OutputMemoFont.Color = RgbColorCode(0, 0x80, 0);
  s.OutputMemoColor = RgbColorCode(0, 0, 0);
  s.InputEditFont.Name = QStringLiteral("Verdana");
  s.InputEditFont.Size = 10;
  s.InputEditColor = RgbColorCode(0xFF, 0xFF, 0xE0);
  s.FriendsTreeViewColor = RgbColorCode(0x20, 0x20, 0x20);
  TOptionsForm& dialog = Open();
  auto& fonts = Show<TFontsFrame>(dialog, "Fonts & Colors");
  // The font dialog runs through the window's prompt; the user picks red text.
  Prompt.Dialogs.push_back([](QDialog& picker) {
    dynamic_cast<TFontPickDialog&>(picker).SetColor(QColor(0xFF, 0, 0));
    picker.accept();
  });
  fonts.Row(TFontsFrame::frInput).FontButton->click();
  EXPECT_EQ(Prompt.DialogsRun, 1);
  Ok(dialog);
  EXPECT_EQ(s.InputEditFont.Color, RgbColorCode(0xFF, 0, 0));

  TChatConsole& console = *Form->Console();
  EXPECT_EQ(console.Font().Font.family(), QStringLiteral("Courier"));
  EXPECT_EQ(console.Font().Color, QColor(0, 0x80, 0));
  EXPECT_EQ(console.Color(), QColor(0, 0, 0));
  EXPECT_EQ(console.Links().Font().Font.family(), QStringLiteral("Courier"));
  EXPECT_FALSE(console.Links().Font().Color.isValid()) << "links keep the surrounding colour";
  EXPECT_FALSE(console.Links().Font().Font.underline());
  EXPECT_TRUE(console.Links().HoverFont().Font.underline());
  EXPECT_FALSE(console.Links().HoverFont().Color.isValid());

  EXPECT_EQ(Form->Input()->font().family(), QStringLiteral("Verdana"));
  EXPECT_EQ(Form->Input()->palette().color(QPalette::Base), QColor(0xFF, 0xFF, 0xE0));
  auto* target = Form->findChild<QLabel*>(QStringLiteral("TargetLabel"));
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(target->font().family(), QStringLiteral("Verdana"));
  EXPECT_EQ(target->font().pointSize(), 10);
  auto* refs = Form->findChild<QListWidget*>(QStringLiteral("RefListView"));
  ASSERT_NE(refs, nullptr);
  EXPECT_EQ(refs->font().family(), QStringLiteral("Verdana"));
  EXPECT_EQ(refs->palette().color(QPalette::Base), QColor(0xFF, 0xFF, 0xE0));
  for (const char* panel : {"TargetPanel", "InputPanel"}) {
    auto* widget = Form->findChild<QWidget*>(QString::fromLatin1(panel));
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->palette().color(QPalette::Window), QColor(0xFF, 0xFF, 0xE0)) << panel;
  }
  EXPECT_EQ(Form->FontColorMenu()->DefaultColor(), QColor(0xFF, 0, 0));
  EXPECT_EQ(Form->Input()->DefaultColor, QColor(0xFF, 0, 0));
  EXPECT_EQ(Form->FriendsTree()->palette().color(QPalette::Base), QColor(0x20, 0x20, 0x20));
}

TEST_F(MainFormOptionsTest, LoggingSwitchedOnStartsInTheFolderChosenOnThePage) {
  const QString folder = Dir.filePath(QStringLiteral("chosen logs")) + QDir::separator();
  TOptionsForm& dialog = Open();
  auto& page = Show<TLoggingFrame>(dialog, "Logging");
  page.EnableLoggingCheck->setChecked(true);
  page.LogFolderEdit->setText(folder);
  Ok(dialog);
  QFile system(QDir(folder).filePath(QStringLiteral("system.log")));
  ASSERT_TRUE(system.open(QIODevice::ReadOnly)) << folder.toStdString();
  EXPECT_TRUE(system.readAll().startsWith("Logging started "));

  Form->AddSystemLine(QStringLiteral("hello"));
  system.seek(0);
  EXPECT_TRUE(system.readAll().contains("System Message: hello"));
}

TEST_F(MainFormOptionsTest, LoggingStoredOnStartsAtStartUpInTheStoredFolder) {
  const QString folder = Dir.filePath(QStringLiteral("stored logs")) + QDir::separator();
  Form.reset();
  {
    TFileRegistry registry(Dir.filePath(QStringLiteral("settings.json")));
    registry.Load();
    auto key = registry.OpenKey(kSettingsKey, true);
    key->WriteBool(QStringLiteral("Logging"), true);
    key->WriteString(QStringLiteral("LoggingFolder"), folder);
  }
  MakeForm();
  QFile system(QDir(folder).filePath(QStringLiteral("system.log")));
  ASSERT_TRUE(system.open(QIODevice::ReadOnly));
  EXPECT_TRUE(system.readAll().startsWith("Logging started "));
}

TEST_F(MainFormOptionsTest, ChatWindowAndAwayOptionsTakeEffectAtOnce) {
  int awayTimerUpdates = 0;
  Form->OptionsWindow().OnUpdateAwayTimer = [&] { ++awayTimerUpdates; };
  TOptionsForm& dialog = Open();
  auto& chat = Show<TChatWindowFrame>(dialog, "Chat Window");
  chat.TimestampChatCheck->setChecked(false);
  chat.LinkNamesCheck->setChecked(false);
  chat.SmoothScrollingCheck->setChecked(true);
  chat.TimestampFormatEdit->setText(QStringLiteral("hh:nn:ss"));
  Show<TOptionBaseFrame>(dialog, "Away Options");
  Ok(dialog);
  const TChatPresenterSettings& lines = Form->Presenter().Settings();
  EXPECT_FALSE(lines.TimestampChat);
  EXPECT_FALSE(lines.LinkNames);
  EXPECT_EQ(lines.TimestampFormat, QStringLiteral("hh:nn:ss"));
  EXPECT_TRUE(Form->Console()->Scrolling().SmoothScrolling());
  EXPECT_EQ(awayTimerUpdates, 1);
}

} // namespace
} // namespace tessra

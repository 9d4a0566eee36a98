// The demo inside the program: its settings in a temporary folder, the login
// dialog ready for Enter, and the real window (offscreen) logged in to the
// demo's own server and hearing its cast.

#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "app/ChatWiring.h"
#include "app/CommandProcessor.h"
#include "app/DemoMode.h"
#include "app/MainForm.h"
#include "common/WaitUntil.h"
#include "server/ChatServer.h"
#include "server/DemoDirector.h"
#include "server/DemoWhoisSite.h"
#include "settings/CharSelForm.h"
#include "settings/LoginForm.h"
#include "settings/ScriptedPrompt.h"

namespace tessra {
namespace {

using test::WaitUntil;

class DemoModeTest : public ::testing::Test {
protected:
  DemoModeTest() : Demo(std::make_unique<TDemoMode>()) {
    // The cast waits for the test's steps.
    Demo->Director().Stop();
  }
  ~DemoModeTest() override {
    Form.reset();
    Demo.reset();
  }

  void Open() {
    TMainForm::TOptions options;
    options.Prompt = &Prompt;
    options.KeepConsoleText = true;
    options.SavePlacement = false;
    Demo->Apply(options);
    Form = std::make_unique<TMainForm>(std::move(options));
    Form->show();
  }

  int CountLines(const QString& fragment) const {
    int n = 0;
    for (const QString& line : Form->ConsoleLines()) {
      n += line.contains(fragment) ? 1 : 0;
    }
    return n;
  }

  TScriptedPrompt Prompt;
  std::unique_ptr<TDemoMode> Demo;
  std::unique_ptr<TMainForm> Form;
};

TEST_F(DemoModeTest, KeepsItsSettingsInATemporaryFolderThatGoesWithIt) {
  const QString folder = Demo->Folder();
  EXPECT_TRUE(folder.startsWith(QDir::tempPath())) << folder.toStdString();
  EXPECT_TRUE(QFile::exists(Demo->SettingsPath()));
  EXPECT_TRUE(Demo->SettingsPath().startsWith(folder));
  EXPECT_TRUE(Demo->LogFolder().startsWith(folder));
  // The server listens on loopback only, with a key of its own.
  EXPECT_EQ(Demo->Server().ServerAddress(), QHostAddress(QHostAddress::LocalHost));
  EXPECT_NE(Demo->Port(), 0);
  EXPECT_FALSE(Demo->ServerKeyHex().empty());

  Open();
  // "Local Demo" is the one dimension, built in and on loopback.
  TDimensionList& dimensions = Form->VeyraChat().DimensionList();
  ASSERT_EQ(dimensions.Count(), 1);
  EXPECT_EQ(dimensions.Get(0)->Name, QStringLiteral("Local Demo"));
  EXPECT_EQ(dimensions.Get(0)->Host, QStringLiteral("127.0.0.1"));
  EXPECT_EQ(dimensions.Get(0)->Port, Demo->Port());
  EXPECT_TRUE(dimensions.Get(0)->BuiltIn);
  EXPECT_EQ(Form->Settings().OnStartup, 1);
  EXPECT_EQ(QDir::cleanPath(QDir::fromNativeSeparators(Form->Settings().LoggingFolder)),
            QDir::cleanPath(Demo->LogFolder()));

  Form.reset();
  // The window saved its settings into the demo's store, and both go away.
  EXPECT_TRUE(QFile::exists(Demo->SettingsPath()));
  Demo.reset();
  EXPECT_FALSE(QDir(folder).exists());
}

TEST_F(DemoModeTest, EnterTwiceLogsInAndTheCastIsHeard) {
  Open();
  bool loginChecked = false;
  bool characterChecked = false;
  Prompt.Dialogs.push_back([&](QDialog& dialog) {
    auto& form = dynamic_cast<TLoginForm&>(dialog);
    EXPECT_EQ(form.UserNameBox()->currentText(), QStringLiteral("demo1"));
    EXPECT_EQ(form.PasswordEdit()->text(), QStringLiteral("demo"));
    EXPECT_TRUE(form.RememberBox()->isChecked());
    EXPECT_EQ(form.DimensionBox()->currentText(), QStringLiteral("Local Demo"));
    EXPECT_EQ(form.DimensionBox()->count(), 1);
    EXPECT_TRUE(form.OkButton()->isDefault());
    loginChecked = true;
    dialog.show();
    QTest::keyClick(form.PasswordEdit(), Qt::Key_Return);
  });
  Prompt.Dialogs.push_back([&](QDialog& dialog) {
    auto& form = dynamic_cast<TCharSelForm&>(dialog);
    EXPECT_EQ(form.CharacterBox()->currentText(), QStringLiteral("Alira"));
    characterChecked = true;
    dialog.show();
    QTest::keyClick(form.CharacterBox()->lineEdit(), Qt::Key_Return);
  });
  Form->FormActivate();
  ASSERT_TRUE(WaitUntil([this] {
    return Form->windowTitle() == QStringLiteral("Tessra + Connected as Alira on Local Demo");
  })) << Form->windowTitle().toStdString()
      << " " << Form->ConsoleLines().join('\n').toStdString() << Prompt.DialogsRun;
  EXPECT_TRUE(loginChecked);
  EXPECT_TRUE(characterChecked);
  // The offline message that waited for the first login.
  EXPECT_TRUE(WaitUntil([this] { return CountLines(QStringLiteral("spare tower key")) > 0; }));

  TDemoDirector& cast = Demo->Director();
  for (int i = 0; i < 5; ++i) {
    cast.Step();
  }
  EXPECT_TRUE(WaitUntil([this] {
    return CountLines(QStringLiteral("Hi Alira! Are you coming to the raid tonight?")) > 0;
  }));
  EXPECT_GT(CountLines(QStringLiteral("Good evening, everyone!")), 0);
  // The chat logs go to the demo's folder.
  QFile privateLog(QDir(Demo->LogFolder()).filePath(QStringLiteral("private.log")));
  ASSERT_TRUE(privateLog.open(QIODevice::ReadOnly)) << privateLog.fileName().toStdString();
  EXPECT_TRUE(privateLog.readAll().contains("Mirelle: Hi Alira!"));
  // The item reference became a reference link.
  EXPECT_GT(CountLines(QStringLiteral("ItemDB: Ring of the Seventh Moon")), 0)
      << Form->ConsoleLines().join('\n').toStdString();

  // Whois asks the demo's own site on loopback: the cast is known, anyone else is not.
  Form->Chatting().Commands().ExecuteCommand(QStringLiteral("/whois Mirelle"));
  Form->Chatting().Commands().ExecuteCommand(QStringLiteral("/whois Nobody"));
  EXPECT_TRUE(WaitUntil([this] {
    return CountLines(QStringLiteral(">Mirelle Ashgrove</a>")) > 0 &&
           CountLines(QStringLiteral("Night Watch</a>")) > 0 &&
           CountLines(QStringLiteral("Unknown character: Nobody")) > 0;
  })) << Form->ConsoleLines().join('\n').toStdString();
  EXPECT_GT(CountLines(QStringLiteral("http://") + Demo->WhoisPages().Host() +
                       QStringLiteral("/character/bio/d/1/name/Mirelle")),
            0);
}

} // namespace
} // namespace tessra

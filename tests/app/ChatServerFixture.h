#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/ChatWiring.h"
#include "app/MainForm.h"
#include "common/WaitUntil.h"
#include "engine/BigInt.h"
#include "engine/VeyraBlob.h"
#include "server/ChatServer.h"
#include "settings/CharSelForm.h"
#include "settings/FileRegistry.h"
#include "settings/LoginForm.h"
#include "settings/ScriptedPrompt.h"
#include "settings/SettingsStore.h"

namespace tessra::test {

// The options the real window is made with in the tests: its settings from the file, questions
// through the prompt, the console keeping its text and the window placement left alone.
inline TMainForm::TOptions MainFormOptions(const QString& storePath, TPrompt& prompt,
                                           const std::string& serverKeyHex) {
  auto registry = std::make_unique<TFileRegistry>(storePath);
  registry->Load();
  TMainForm::TOptions options;
  options.Registry = std::move(registry);
  options.Prompt = &prompt;
  options.ServerKeyHex = serverKeyHex;
  options.KeepConsoleText = true;
  options.SavePlacement = false;
  return options;
}

inline QString PeerText(const TBytes& bytes) {
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Corwen: a headless client that records the tells, the group messages and the text blobs
// reaching him ("sender: message"; Messages and Blobs hold both kinds in the order they came).
struct TChatPeer {
  TChatPeer(const std::string& keyHex, quint16 port)
      : Local(QStringLiteral("Local"), QString(), port, QStringLiteral("127.0.0.1")) {
    Chat.Dimension = &Local;
    Chat.ServerValueHex = keyHex;
    Chat.UserName = "corwen";
    Chat.Password = "pw";
    Chat.OnConnect = [](TVeyraChat& chat) { chat.Login2("Corwen"); };
    Chat.OnLogin = [this](TVeyraChat&) { LoggedIn = true; };
    Chat.OnPrivateMessage = [this](TVeyraChat&, const TBytes& name, const TBytes& message,
                                   const TBlob* blob) {
      Tells.append(Record(name, message, blob));
    };
    Chat.OnGroupMessage = [this](TVeyraChat&, int, const TBytes& name, const TBytes& message,
                                 const TBlob* blob) { Groups.append(Record(name, message, blob)); };
    Chat.Connect();
  }

  QString Record(const TBytes& name, const TBytes& message, const TBlob* blob) {
    const QString line = PeerText(name) + QStringLiteral(": ") + PeerText(message);
    Messages.append(line);
    const auto* text = dynamic_cast<const TTextBlob*>(blob);
    Blobs.append(text != nullptr ? PeerText(text->Text) : QStringLiteral("(none)"));
    return line;
  }

  TDimensionInfo Local;
  TVeyraChat Chat;
  bool LoggedIn = false;
  QStringList Tells;
  QStringList Groups;
  QStringList Messages;
  QStringList Blobs;
};

// The real main window, offscreen, against the reference chat server on loopback (the
// configuration given, with the accounts "acct"/"pw" playing Alda and "corwen"/"pw" playing
// Corwen), nothing done at start-up, and Corwen as a headless second client once logged in.
class TChatServerFixture : public ::testing::Test {
protected:
  explicit TChatServerFixture(const char* config) {
    Server = std::make_unique<TChatServer>(ParseServerConfig(QByteArray(config)),
                                           TBigInt::FromHex("0123456789abcdef0fedcba987654321"));
    EXPECT_TRUE(Server->Listen(QHostAddress::LocalHost, 0)) << Server->ErrorString().toStdString();
    TFileRegistry registry(StorePath());
    registry.Load();
    registry.OpenKey(kSettingsKey, true)->WriteInteger(QStringLiteral("OnStartup"), 0);
    auto local = registry.OpenKey(kDimensionsKey + QStringLiteral("\\Local"), true);
    local->WriteString(QStringLiteral("Host"), QStringLiteral("127.0.0.1"));
    local->WriteInteger(QStringLiteral("Port"), Server->ServerPort());
  }

  ~TChatServerFixture() override {
    Corwen.reset();
    Form.reset();
    Server.reset();
  }

  QString StorePath() const { return Dir.filePath(QStringLiteral("settings.json")); }

  // Runs the event loop and both engines' send pacing until the condition holds.
  bool Pump(const std::function<bool()>& condition, int timeoutMs = 10000) {
    return WaitUntil(condition, timeoutMs, [this] {
      for (TVeyraChat* engine :
           {Form ? &Form->VeyraChat() : nullptr, Corwen ? &Corwen->Chat : nullptr}) {
        if (engine != nullptr && engine->State() == TChatState::csLoggedIn) {
          engine->TimerEvent();
        }
      }
    });
  }

  // Opens the window, logs in as Alda through the dialogs (done once logged in and `ready`, when
  // given, holds) and brings Corwen online.
  void LogIn(const std::function<bool()>& ready = {}) {
    Form =
        std::make_unique<TMainForm>(MainFormOptions(StorePath(), Prompt, Server->ServerKeyHex()));
    Form->show();
    Form->FormActivate();
    const int index = Form->VeyraChat().DimensionList().IndexOfName(QStringLiteral("Local"));
    Prompt.Dialogs.push_back([index](QDialog& dialog) {
      auto& login = dynamic_cast<TLoginForm&>(dialog);
      login.UserNameBox()->setEditText(QStringLiteral("acct"));
      login.PasswordEdit()->setText(QStringLiteral("pw"));
      login.DimensionBox()->setCurrentIndex(index);
      login.accept();
    });
    Prompt.Dialogs.push_back([](QDialog& dialog) {
      auto& select = dynamic_cast<TCharSelForm&>(dialog);
      select.CharacterBox()->setEditText(QStringLiteral("Alda"));
      select.accept();
    });
    Form->Actions().ConnectAction->trigger();
    ASSERT_TRUE(Pump([this, &ready] {
      return Form->VeyraChat().State() == TChatState::csLoggedIn && (!ready || ready());
    }));
    Corwen = std::make_unique<TChatPeer>(Server->ServerKeyHex(), Server->ServerPort());
    ASSERT_TRUE(Pump([this] { return Corwen->LoggedIn; }));
  }

  // Lines holding the fragment, with the mark-up's tags taken out of each line.
  int CountLines(const QString& fragment) const {
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    int n = 0;
    for (QString line : Form->ConsoleLines()) {
      n += line.remove(tag).contains(fragment) ? 1 : 0;
    }
    return n;
  }

  QTemporaryDir Dir;
  TScriptedPrompt Prompt;
  std::unique_ptr<TChatServer> Server;
  std::unique_ptr<TMainForm> Form;
  std::unique_ptr<TChatPeer> Corwen;
};

} // namespace tessra::test

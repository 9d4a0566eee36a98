// The real main window, offscreen, chatting against the reference chat server on loopback: the
// input line's commands and messages reaching another client, the buddy and group trees filled
// by the engine, received group messages and the ignore list dropping a tell.

#include <memory>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QWheelEvent>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include "app/AwayMessagesForm.h"
#include "app/AwayWiring.h"
#include "app/ChatServerFixture.h"
#include "app/ChatWiring.h"
#include "app/FriendsTree.h"
#include "app/GroupsTree.h"
#include "app/InputLine.h"
#include "app/MainForm.h"
#include "app/PopupMenus.h"
#include "display/ChatConsole.h"
#include "display/LinkDispatcher.h"
#include "display/NewTextRefForm.h"
#include "display/ReferenceBrowser.h"
#include "display/SafeUrl.h"
#include "engine/BigInt.h"
#include "engine/VeyraBlob.h"
#include "server/ChatServer.h"
#include "settings/CharSelForm.h"
#include "settings/FileRegistry.h"
#include "settings/LoginForm.h"
#include "settings/ScriptedPrompt.h"
#include "settings/SettingsStore.h"

namespace tessra {
namespace {

constexpr char kConfig[] = R"json({
  "maxBytesPerSecond": 0,
  "accounts": [
    {"name": "acct", "password": "pw", "characters": [{"name": "Alda", "id": 102}]},
    {"name": "corwen", "password": "pw", "characters": [{"name": "Corwen", "id": 301}]}
  ],
  "groups": [{"id": "0A00000001", "name": "General", "members": ["*"]},
             {"id": "0A00000002", "name": "Trade Shopping 1", "members": ["*"]}],
  "buddies": {"Alda": ["Corwen"]}
})json";

QStringList Children(const QTreeWidgetItem& parent) {
  QStringList texts;
  for (int i = 0; i < parent.childCount(); ++i) {
    texts.append(parent.child(i)->text(0));
  }
  return texts;
}

// Points the temporary folder at a test's own folder while the reference viewer is made, so that
// its pages folder (removed as a whole when the viewer goes) is not the one other programs share.
class TTempFolderScope {
public:
  explicit TTempFolderScope(const QString& folder) : Saved(qgetenv("TMPDIR")) {
    qputenv("TMPDIR", folder.toLocal8Bit());
  }
  ~TTempFolderScope() {
    if (Saved.isNull()) {
      qunsetenv("TMPDIR");
    } else {
      qputenv("TMPDIR", Saved);
    }
  }
  TTempFolderScope(const TTempFolderScope&) = delete;
  TTempFolderScope& operator=(const TTempFolderScope&) = delete;

private:
  QByteArray Saved;
};

class MainFormChatTest : public test::TChatServerFixture {
protected:
  MainFormChatTest() : TChatServerFixture(kConfig) {}

  // Logs in; done when both public groups are shown.
  void LogIn() {
    TChatServerFixture::LogIn(
        [this] { return Form->Chatting().Groups().PublicNode()->childCount() == 2; });
  }

  // Types a line into the input line and presses Enter.
  void Type(const QString& line) {
    TInputEdit* input = Form->Input();
    input->setFocus();
    QTest::keyClicks(input, line);
    QTest::keyClick(input, Qt::Key_Return);
  }
};

TEST_F(MainFormChatTest, TellTypedInTheInputLineReachesTheOtherClientAndIsEchoed) {
  LogIn();
  Type(QStringLiteral("/tell Corwen hello"));
  ASSERT_TRUE(Pump([this] { return !Corwen->Tells.isEmpty(); }));
  EXPECT_EQ(Corwen->Tells, QStringList{QStringLiteral("Alda: hello")});
  EXPECT_EQ(CountLines(QStringLiteral("To [Corwen]: hello")), 1)
      << Form->ConsoleLines().join('\n').toStdString();
  // The command went into the history and left the line empty.
  EXPECT_TRUE(Form->Input()->toPlainText().isEmpty());

  // A plain line goes to the target a query chose.
  Type(QStringLiteral("/query General"));
  Type(QStringLiteral("anyone trading?"));
  ASSERT_TRUE(Pump([this] { return !Corwen->Groups.isEmpty(); }));
  EXPECT_EQ(Corwen->Groups, QStringList{QStringLiteral("Alda: anyone trading?")});
}

TEST_F(MainFormChatTest, ClosingTheWindowWhileALookupIsNeverAnsweredEndsTheWaitAndTheProgram) {
  LogIn();
  int lookups = 0;
  Server->OnLookup = [&lookups](const TBytes& name) {
    if (name != "Nobody") {
      return true;
    }
    ++lookups;
    return false;
  };
  bool typed = false;
  QTimer::singleShot(0, Form.get(), [this, &typed] {
    // Sending waits inside for the look-up the server never answers.
    Type(QStringLiteral("/tell Nobody are you there?"));
    typed = true;
  });
  // Meanwhile the user closes the window.
  QTimer closer;
  closer.setInterval(10);
  QObject::connect(&closer, &QTimer::timeout, [this, &lookups, &closer] {
    if (lookups > 0) {
      closer.stop();
      Form->close();
    }
  });
  closer.start();
  QTimer::singleShot(15000, [] { QCoreApplication::exit(2); });
  // The program's own main loop, as the program runs it: closing the last window quits it, and
  // that ends the wait too.
  QElapsedTimer clock;
  clock.start();
  const int result = QCoreApplication::exec();
  EXPECT_EQ(result, 0);
  EXPECT_LT(clock.elapsed(), 10000);
  EXPECT_TRUE(typed);
  EXPECT_EQ(lookups, 1);
  // The tell is dropped, not sent to a made-up id.
  EXPECT_EQ(Form->VeyraChat().QueuedPackets(), 0u);
  // The window goes as at the end of the program, with the connection still up.
  Form.reset();
  ASSERT_TRUE(Pump([this] { return Server->LoggedInNames().size() == 1; }));
  EXPECT_TRUE(Corwen->Tells.isEmpty());
}

TEST_F(MainFormChatTest, TreesShowTheBuddyAndTheGroupsAndAReceivedGroupMessageIsShown) {
  LogIn();
  TFriendsTree& friends = Form->Chatting().Friends();
  ASSERT_TRUE(Pump([&] { return Children(*friends.OnlineNode()) == QStringList{"Corwen"}; }));
  EXPECT_EQ(friends.OfflineNode()->childCount(), 0);
  EXPECT_EQ(Children(*Form->Chatting().Groups().PublicNode()),
            (QStringList{QStringLiteral("General"), QStringLiteral("Trade Shopping 1")}));

  Corwen->Chat.SendGroup2("General", "selling a sword");
  ASSERT_TRUE(Pump([this] { return CountLines(QStringLiteral("selling a sword")) == 1; }));

  // Corwen goes offline: the buddy moves to the other branch.
  Corwen->Chat.Disconnect();
  ASSERT_TRUE(Pump([&] { return Children(*friends.OfflineNode()) == QStringList{"Corwen"}; }));
  EXPECT_EQ(friends.OnlineNode()->childCount(), 0);
}

TEST_F(MainFormChatTest, TheWheelOverTheConsoleScrollsItByOneWheelStep) {
  LogIn();
  TChatConsole& console = *Form->Console();
  for (int i = 0; i < 200; ++i) {
    Form->AddSystemLine(QStringLiteral("line %1").arg(i));
  }
  QCoreApplication::processEvents();
  const int start = console.ScrollPosition();
  const QPoint local(20, 20);
  const QPoint global = console.viewport()->mapToGlobal(local);
  QWheelEvent up(local, global, QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                 Qt::NoScrollPhase, false);
  QApplication::sendEvent(console.viewport(), &up);
  EXPECT_EQ(console.ScrollPosition() - start, ConsoleWheelDistance(console.Font().Font))
      << "one step towards older lines, not two";
}

TEST_F(MainFormChatTest, IgnoredCharactersTellsAreDropped) {
  LogIn();
  Type(QStringLiteral("/ignore corwen"));
  TFriendsTree& friends = Form->Chatting().Friends();
  EXPECT_EQ(Children(*friends.IgnoringNode()), QStringList{QStringLiteral("Corwen")});
  EXPECT_TRUE(Form->Presenter().IsIgnored(QStringLiteral("Corwen")));

  // The window's own handlers still run; the count says when the engine has had the tell.
  TVeyraChat& chat = Form->VeyraChat();
  int arrived = 0;
  auto shown = chat.OnPrivateMessage;
  chat.OnPrivateMessage = [&](TVeyraChat& s, const TBytes& n, const TBytes& m, const TBlob* b) {
    ++arrived;
    shown(s, n, m, b);
  };
  Corwen->Chat.SendTell("Alda", "can you hear me");
  ASSERT_TRUE(Pump([&] { return arrived == 1; }));
  EXPECT_EQ(CountLines(QStringLiteral("can you hear me")), 0);

  Type(QStringLiteral("/unignore Corwen"));
  EXPECT_TRUE(friends.IgnoringNode()->childCount() == 0);
  Corwen->Chat.SendTell("Alda", "now you can");
  ASSERT_TRUE(Pump([this] { return CountLines(QStringLiteral("now you can")) == 1; }));
}

TEST_F(MainFormChatTest, AwayModeAnswersATellAndComingBackOffersTheViewer) {
  LogIn();
  TMainActions& a = Form->Actions();
  EXPECT_TRUE(a.AwayAction->isEnabled());
  EXPECT_FALSE(a.AwayMessagesAction->isEnabled());
  Type(QStringLiteral("/away  lunch "));
  EXPECT_EQ(Form->StatusPanel(0)->text(), QStringLiteral("Alda - Away"));
  EXPECT_EQ(a.AwayAction->text(), QStringLiteral("Set Yourself Back"));

  Corwen->Chat.SendTell("Alda", "are you there");
  ASSERT_TRUE(Pump([this] { return !Corwen->Tells.isEmpty(); }));
  // The reason's quotes travel as entities, like any typed quote.
  EXPECT_EQ(Corwen->Tells, QStringList{QStringLiteral(
                               "Alda: I am away from my keyboard right now, &quot;lunch&quot;, "
                               "your message has been logged.")});
  EXPECT_EQ(CountLines(QStringLiteral("To [Corwen]: I am away from my keyboard right now")), 1);
  EXPECT_TRUE(a.AwayMessagesAction->isEnabled());

  Prompt.Answers = {true};
  a.AwayAction->trigger(); // back: the question, answered Yes, opens the viewer
  EXPECT_EQ(Form->StatusPanel(0)->text(), QStringLiteral("Alda"));
  EXPECT_TRUE(Prompt.Messages.last().contains(QStringLiteral("You have 1 new away messages.")));
  TAwayMessagesForm* viewer = Form->AwayParts().Viewer();
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(viewer->objectName(), QStringLiteral("AwayMessagesForm"));
  ASSERT_EQ(viewer->SenderList()->topLevelItemCount(), 1);
  EXPECT_EQ(viewer->SenderList()->topLevelItem(0)->text(0), QStringLiteral("Corwen"));
  a.AwayMessagesAction->trigger();
  EXPECT_EQ(Form->findChildren<TAwayMessagesForm*>().size(), 1);

  // A character link of the page makes the character the target.
  EXPECT_FALSE(viewer->BeforeNavigate(QStringLiteral("charlink://Corwen")));
  EXPECT_EQ(Form->Chatting().Target().TargetName(), QStringLiteral("Corwen"));
}

TEST_F(MainFormChatTest, TheIgnoreListFileIsWrittenAtTheEndAndReadAtTheNextLogin) {
  {
    TFileRegistry registry(Dir.filePath(QStringLiteral("settings.json")));
    registry.Load();
    auto key = registry.OpenKey(kSettingsKey, true);
    key->WriteBool(QStringLiteral("IgnoreList"), true);
    key->WriteInteger(QStringLiteral("IgnoreMode"), 1);
    key->WriteString(QStringLiteral("IgnoreAllFolder"), Dir.path() + QLatin1Char('/'));
  }
  LogIn();
  Type(QStringLiteral("/ignore Corwen"));
  Corwen.reset();
  Form.reset();
  QFile file(Dir.filePath(QStringLiteral("IgnoreList.bin")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  // A little-endian count, then Corwen's id.
  EXPECT_EQ(file.readAll(), QByteArray::fromHex("010000002d010000"));
  file.close();

  LogIn();
  ASSERT_TRUE(Pump([this] {
    return Children(*Form->Chatting().Friends().IgnoringNode()) == QStringList{"Corwen"};
  }));
  EXPECT_TRUE(Form->Presenter().IsIgnored(QStringLiteral("corwen")));
  // The id is no longer kept aside once its name is listed.
  EXPECT_TRUE(Form->Chatting().IgnoreList().PendingIds().empty());
}

TEST_F(MainFormChatTest, AReceivedTextReferenceBecomesALinkAndOnlySafeAddressesOpen) {
  LogIn();
  const TTextBlob attached(TBytes("the attached notes"));
  Corwen->Chat.SendTell("Alda", "\x11see this\x12", &attached);
  ASSERT_TRUE(Pump([this] { return CountLines(QStringLiteral("see this")) == 1; }));
  QString line;
  for (const QString& each : Form->ConsoleLines()) {
    if (each.contains(QStringLiteral("see this"))) {
      line = each;
    }
  }
  const QRegularExpressionMatch link =
      QRegularExpression(QStringLiteral("<a name=\"reflink\" hint=\"Display reference\" "
                                        "params=\"([0-9A-Fa-f]+)\">see this</a>"))
          .match(line);
  ASSERT_TRUE(link.hasMatch()) << line.toStdString();
  EXPECT_EQ(Form->Chatting().Blobs().Count(), 1);

  // The link's click shows the reference in the viewer.
  {
    const TTempFolderScope temp(Dir.path());
    Form->Chatting().Links().ShowReference(link.captured(1));
  }
  auto* viewer = Form->findChild<QTextEdit*>(QStringLiteral("ReferenceViewer"));
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(viewer->toPlainText().trimmed(), QStringLiteral("the attached notes"));

  // Addresses from received text reach the desktop only when they are web, mail or news ones.
  QStringList opened;
  Form->Chatting().Urls().Opener = [&](const QUrl& url) {
    opened.append(url.toString());
    return true;
  };
  EXPECT_FALSE(Form->Chatting().Urls().Open(QStringLiteral("file:///etc/passwd")));
  EXPECT_TRUE(Form->Chatting().Urls().Open(QStringLiteral("https://veyra.example/")));
  EXPECT_EQ(opened, QStringList{QStringLiteral("https://veyra.example/")});
  EXPECT_EQ(CountLines(QStringLiteral("Refused to open \"file:///etc/passwd\"")), 1);
}

TEST_F(MainFormChatTest, AReferencePageTellLinkReachesItsTargetWhoseAnswerOpensByItself) {
  LogIn();
  {
    const TTempFolderScope temp(Dir.path());
    Form->Chatting().Links().ShowTextReference(
        TTextBlob(TBytes("Ask for <a href=\"chatcmd:///tell Corwen !list\">the list</a>")));
  }
  TNewTextRefForm* viewer = Form->Chatting().ReferenceViewer();
  ASSERT_NE(viewer, nullptr);
  EXPECT_TRUE(viewer->isVisible());
  EXPECT_TRUE(viewer->Folder().Path().startsWith(Dir.path()));
  const QString href = QStringLiteral("link://0");
  EXPECT_TRUE(viewer->Browser()->toHtml().contains(href));
  Q_EMIT viewer->Browser()->anchorClicked(QUrl(href));
  ASSERT_TRUE(Pump([this] { return Corwen->Tells.contains(QStringLiteral("Alda: !list")); }))
      << Corwen->Tells.join(u'\n').toStdString();
  EXPECT_EQ(CountLines(QStringLiteral("!list")), 1); // the tell's echo

  Corwen->Chat.SendTell("Alda", "Here: <a href=\"text://Sword, Shield\">my list</a>");
  ASSERT_TRUE(Pump([viewer] {
    return viewer->Browser()->toPlainText().trimmed() == QStringLiteral("Sword, Shield");
  }));
  EXPECT_EQ(viewer->History().Count(), 2);
  EXPECT_EQ(CountLines(QStringLiteral("Here: my list")), 1);
}

} // namespace
} // namespace tessra

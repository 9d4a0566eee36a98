#pragma once

// The buddy and group panels as the main window wires them, without the window: a logged-in
// engine against the reference chat server on loopback, both trees, the popup menus, a chat
// presenter writing into a list of lines, and a recorded message target and muted channel list.

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QMenu>
#include <QTreeWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include "PresenterFixture.h"
#include "app/ChatLogWriter.h"
#include "app/ChatPresenter.h"
#include "app/FriendsTree.h"
#include "app/GroupsTree.h"
#include "app/MainActions.h"
#include "app/PopupMenus.h"
#include "app/TreeIcons.h"
#include "engine/BigInt.h"
#include "engine/VeyraChat.h"
#include "server/ChatServer.h"
#include "settings/ScriptedPrompt.h"

namespace tessra::testing {

inline constexpr char kPanelsConfig[] = R"json({
  "maxBytesPerSecond": 0,
  "accounts": [
    {"name": "acct", "password": "pw", "characters": [{"name": "Alda", "id": 102}]},
    {"name": "bob", "password": "pw", "characters": [{"name": "Bob", "id": 201}]},
    {"name": "carl", "password": "pw", "characters": [{"name": "Carl", "id": 301}]}
  ],
  "knownNames": [{"name": "edda", "id": 901}, {"name": "Zed", "id": 902}],
  "groups": [{"id": "0A00000001", "name": "General", "members": ["*"]},
             {"id": "0A00000002", "name": "Trade Shopping 1", "members": ["*"]}],
  "buddies": {"Alda": ["Zed", "Carl", "Bob", "edda"]}
})json";

// Runs the event loop (and the engines' send pacing, driven by hand) until the condition holds.
inline bool PumpUntil(const std::function<bool()>& condition,
                      const std::vector<TVeyraChat*>& engines, int timeoutMs = 10000) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > timeoutMs) {
      return false;
    }
    for (TVeyraChat* engine : engines) {
      if (engine->State() == TChatState::csLoggedIn) {
        engine->TimerEvent();
      }
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

inline QStringList Texts(const QTreeWidgetItem& parent) {
  QStringList texts;
  for (int i = 0; i < parent.childCount(); ++i) {
    texts.append(parent.child(i)->text(0));
  }
  return texts;
}

// The captions of a menu's visible entries, in order.
inline QStringList VisibleEntries(const QMenu& menu) {
  QStringList texts;
  for (const QAction* action : menu.actions()) {
    if (!action->isSeparator() && action->isVisible()) {
      texts.append(action->text());
    }
  }
  return texts;
}

// Another player: a headless client that logs in and records its private group events.
struct TPeer {
  TPeer(const std::string& keyHex, quint16 port, const char* user, const char* charName)
      : Local(QStringLiteral("Local"), QString(), port, QStringLiteral("127.0.0.1")) {
    Chat.Dimension = &Local;
    Chat.ServerValueHex = keyHex;
    Chat.UserName = user;
    Chat.Password = "pw";
    const TBytes name = charName;
    Chat.OnConnect = [name](TVeyraChat& chat) { chat.Login2(name); };
    Chat.OnLogin = [this](TVeyraChat&) { LoggedIn = true; };
    Chat.OnPrivateGroupInvite = [this](TVeyraChat& chat, const TBytes& group) {
      Invites.push_back(group);
      if (AcceptInvites) {
        chat.PrivateGroupJoin(group);
      }
    };
    Chat.OnPrivateGroupKick = [this](TVeyraChat&, const TBytes& group) { Kicks.push_back(group); };
    Chat.OnPrivateGroupJoin = [this](TVeyraChat&, const TBytes& group, const TBytes& who) {
      Joins.emplace_back(group, who);
    };
    Chat.OnPrivateGroupLeave = [this](TVeyraChat&, const TBytes& group, const TBytes& who) {
      Leaves.emplace_back(group, who);
    };
    Chat.Connect();
  }

  TDimensionInfo Local;
  TVeyraChat Chat;
  bool LoggedIn = false;
  bool AcceptInvites = true;
  std::vector<TBytes> Invites;
  std::vector<TBytes> Kicks;
  std::vector<std::pair<TBytes, TBytes>> Joins;
  std::vector<std::pair<TBytes, TBytes>> Leaves;
};

class TPanelsTest : public ::testing::Test {
protected:
  TPanelsTest()
      : Local(QStringLiteral("Local"), QString(), 0, QStringLiteral("127.0.0.1")),
        Actions(&ActionOwner),
        Presenter(
            Recorder.Make(), [this](const QString& markup, bool) { Lines.append(markup); }, Log,
            Groups),
        Friends(FriendsView, Icons, English()), Groups(GroupsView, Icons, Chat, Prompt, English()),
        Menus(Actions, Chat, Friends, Groups) {
    StartServer(0);
    for (QTreeWidget* view : {&FriendsView, &GroupsView}) {
      view->resize(240, 320);
      view->show();
    }
    WirePanels();
    WireEngine();
  }

  ~TPanelsTest() override {
    Peers.clear();
    Chat.Abort();
    Chat.Disconnect();
  }

  static QLocale English() { return QLocale(QLocale::English, QLocale::UnitedStates); }

  void StartServer(quint16 port) {
    Server = std::make_unique<TChatServer>(ParseServerConfig(QByteArray(kPanelsConfig)),
                                           TBigInt::FromHex("0123456789abcdef0fedcba987654321"));
    ASSERT_TRUE(Server->Listen(QHostAddress::LocalHost, port))
        << Server->ErrorString().toStdString();
    Local.SetPort(Server->ServerPort());
    Chat.ServerValueHex = Server->ServerKeyHex();
  }

  void WirePanels() {
    const auto own = [] { return QStringLiteral("Alda"); };
    Presenter.CurrentChar = own;
    Groups.CurrentChar = own;
    Menus.CurrentChar = own;
    Groups.MutedChannels = [this] { return MutedChannels; };
    Groups.SaveMutedChannels = [this](const QStringList& channels) {
      MutedChannels = channels;
      ++Saves;
    };
    Groups.AddPrivateLeaveLine = [this](const QString& group, const QString& who) {
      Presenter.AddPrivateLeaveLine(group, who);
    };
    Friends.QueryChar = [this](const QString& name) { SetTarget("Char", name); };
    Menus.QueryChar = Friends.QueryChar;
    Groups.QueryPublic = [this](const QString& name) { SetTarget("Public", name); };
    Groups.QueryPrivate = [this](const QString& name) { SetTarget("Private", name); };
    Menus.Query = [this](const QString& name) { SetTarget("Query", name); };
    Menus.Whois = [this](const QString& name) { Whois.append(name); };
    Groups.IsPrivateTarget = [this](const QString& name) {
      return TargetKind == QLatin1String("Private") &&
             TargetName.compare(name, Qt::CaseInsensitive) == 0;
    };
    Groups.ClearTarget = [this] { SetTarget("None", QString()); };
    Menus.ConsoleMouseLeave = [this] { Opened.append(QStringLiteral("mouse-leave")); };
    Menus.ExecMenu = [this](QMenu& menu, const QPoint&) {
      Opened.append(menu.objectName());
      OpenedEntries = VisibleEntries(menu);
      if (MenuChoice) {
        const std::function<void(QMenu&)> choice = std::move(MenuChoice);
        MenuChoice = nullptr;
        choice(menu);
      }
    };
  }

  void WireEngine() {
    Chat.Dimension = &Local;
    Chat.UserName = "acct";
    Chat.Password = "pw";
    Chat.OnConnect = [](TVeyraChat& chat) { chat.Login2("Alda"); };
    Chat.OnLogin = [this](TVeyraChat&) { LoggedIn = true; };
    Chat.OnDisconnect = [this](TVeyraChat&) {
      LoggedIn = false;
      Groups.ClearGroupNodes();
      Friends.ClearBuddyNodes();
    };
    Chat.OnFriendAdd = [this](TVeyraChat& s, const TFriendInfo& f) {
      Friends.VeyraChatFriendAdd(s, f);
    };
    Chat.OnFriendRemove = [this](TVeyraChat& s, const TFriendInfo& f) {
      Friends.VeyraChatFriendRemove(s, f);
    };
    Chat.OnFriendStatusChange = [this](TVeyraChat& s, const TFriendInfo& f) {
      Friends.VeyraChatFriendStatusChange(s, f);
    };
    Chat.OnPrivateGroupInvite = [this](TVeyraChat& s, const TBytes& g) {
      Groups.VeyraChatPrivateGroupInvite(s, g);
    };
    Chat.OnGroupListChange = [this](TVeyraChat& s) { Presenter.VeyraChatGroupListChange(s); };
    Chat.OnPrivateGroupMessage = [this](TVeyraChat& s, const TBytes& g, const TBytes& n,
                                        const TBytes& m, const TBlob* b) {
      Presenter.VeyraChatPrivateGroupMessage(s, g, n, m, b);
    };
    Chat.OnPrivateGroupJoin = [this](TVeyraChat& s, const TBytes& g, const TBytes& n) {
      Presenter.VeyraChatPrivateGroupJoin(s, g, n);
    };
    Chat.OnPrivateGroupLeave = [this](TVeyraChat& s, const TBytes& g, const TBytes& n) {
      Presenter.VeyraChatPrivateGroupLeave(s, g, n);
    };
    Chat.OnPrivateGroupKick = [this](TVeyraChat& s, const TBytes& g) {
      Presenter.VeyraChatPrivateGroupKick(s, g);
    };
  }

  void SetTarget(const char* kind, const QString& name) {
    TargetKind = QString::fromLatin1(kind);
    TargetName = name;
  }

  std::vector<TVeyraChat*> Engines() {
    std::vector<TVeyraChat*> engines{&Chat};
    for (const auto& peer : Peers) {
      engines.push_back(&peer->Chat);
    }
    return engines;
  }
  bool Pump(const std::function<bool()>& condition) { return PumpUntil(condition, Engines()); }

  // Alda logs in; done when her four buddies and both public groups are shown.
  void LogIn() {
    Chat.Connect();
    ASSERT_TRUE(Pump([this] {
      return LoggedIn &&
             Friends.OfflineNode()->childCount() + Friends.OnlineNode()->childCount() +
                     Friends.UnknownNode()->childCount() ==
                 4 &&
             Groups.PublicNode()->childCount() == 2;
    }));
  }

  TPeer& AddPeer(const char* user, const char* charName) {
    Peers.push_back(std::make_unique<TPeer>(Server->ServerKeyHex(), Local.Port, user, charName));
    TPeer& peer = *Peers.back();
    EXPECT_TRUE(Pump([&peer] { return peer.LoggedIn; }));
    return peer;
  }

  int CountLines(const QString& fragment) const {
    int n = 0;
    for (const QString& line : Lines) {
      n += line.contains(fragment) ? 1 : 0;
    }
    return n;
  }

  QTreeWidgetItem* PublicGroup(const QString& name) const {
    for (int i = 0; i < Groups.PublicNode()->childCount(); ++i) {
      if (Groups.PublicNode()->child(i)->text(0) == name) {
        return Groups.PublicNode()->child(i);
      }
    }
    return nullptr;
  }
  int ImageOf(const QTreeWidgetItem* node) const {
    return node != nullptr ? TTreeIcons::ImageIndex(*node) : -1;
  }
  bool GroupMuted(const char* name) const {
    const int index = Chat.GroupList().IndexOf(name);
    return index >= 0 && Chat.GroupList().GetGroup(index).Muted;
  }

  // Clicks a node of a tree where its picture is drawn, or on its text.
  void ClickIcon(QTreeWidgetItem& node) {
    const QPoint point = Groups.IconRect(node).center();
    QTest::mouseClick(GroupsView.viewport(), Qt::LeftButton, {}, point);
  }
  void ClickText(QTreeWidget& view, QTreeWidgetItem& node, Qt::MouseButton button) {
    const QRect rect = view.visualItemRect(&node);
    const QPoint point(rect.right() - 4, rect.center().y());
    QTest::mouseClick(view.viewport(), button, {}, point);
  }

  std::unique_ptr<TChatServer> Server;
  TDimensionInfo Local;
  TScriptedPrompt Prompt;
  TTreeIcons Icons;
  TVeyraChat Chat;
  QObject ActionOwner;
  TMainActions Actions;
  QTreeWidget FriendsView;
  QTreeWidget GroupsView;
  TTransformRecorder Recorder;
  TChatLogWriter Log;
  QStringList Lines;
  TChatPresenter Presenter;
  TFriendsTree Friends;
  TGroupsTree Groups;
  TPopupMenus Menus;
  std::vector<std::unique_ptr<TPeer>> Peers;

  bool LoggedIn = false;
  QStringList MutedChannels;
  int Saves = 0;
  QString TargetKind = QStringLiteral("None");
  QString TargetName;
  QStringList Whois;
  QStringList Opened;
  QStringList OpenedEntries;
  std::function<void(QMenu&)> MenuChoice;
};

// Chooses the entry of an open menu whose caption is given.
inline std::function<void(QMenu&)> Choose(const QString& caption) {
  return [caption](QMenu& menu) {
    for (QAction* action : menu.actions()) {
      if (action->text() == caption && action->isVisible()) {
        action->trigger();
        return;
      }
    }
    ADD_FAILURE() << "no visible entry " << caption.toStdString() << " in "
                  << menu.objectName().toStdString();
  };
}

} // namespace tessra::testing

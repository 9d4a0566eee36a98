#include "app/PopupMenus.h"

#include <utility>

#include <QAction>
#include <QFontInfo>
#include <QMenu>
#include <QTreeWidgetItem>

#include "app/FriendsTree.h"
#include "app/GroupsTree.h"
#include "app/MainActions.h"
#include "display/ChatConsole.h"
#include "display/ChatTextCodec.h"
#include "engine/VeyraChat.h"

namespace tessra {

namespace {

TBytes ToBytes(const QString& text) {
  const QByteArray bytes = EncodeChatText(text);
  return TBytes(bytes.constData(), static_cast<size_t>(bytes.size()));
}

bool SameName(const QString& a, const QString& b) {
  return a.compare(b, Qt::CaseInsensitive) == 0;
}

// One row of a menu's layout: an entry and the window action it runs, or a separator.
struct TEntrySpec {
  TMenuEntry Entry;
  QAction* TMainActions::*Action; // null for a separator
};

using T = TMainActions;
constexpr TEntrySpec kSeparator{TMenuEntry::Query, nullptr};
constexpr TEntrySpec kQueryChar{TMenuEntry::Query, &T::QueryCharAction};
constexpr TEntrySpec kQueryGroup{TMenuEntry::Query, &T::QueryGroupAction};
constexpr TEntrySpec kInvite{TMenuEntry::Invite, &T::InviteAction};
constexpr TEntrySpec kKick{TMenuEntry::Kick, &T::KickCharAction};
constexpr TEntrySpec kWhois{TMenuEntry::Whois, &T::WhoisAction};
constexpr TEntrySpec kAdd{TMenuEntry::Add, &T::AddFriendAction};
constexpr TEntrySpec kAccept{TMenuEntry::Accept, &T::AcceptAction};
constexpr TEntrySpec kRemove{TMenuEntry::Remove, &T::RemoveAction};
constexpr TEntrySpec kIgnore{TMenuEntry::Ignore, &T::IgnoreAction};
constexpr TEntrySpec kUnIgnore{TMenuEntry::UnIgnore, &T::UnIgnoreAction};
constexpr TEntrySpec kMerge{TMenuEntry::Merge, &T::MergeIgnorelistAction};
constexpr TEntrySpec kExport{TMenuEntry::Export, &T::ExportIgnorelistAction};
constexpr TEntrySpec kLeave{TMenuEntry::Leave, &T::LeavePrivAction};
constexpr TEntrySpec kKickAll{TMenuEntry::KickAll, &T::KickAllAction};
constexpr TEntrySpec kMute{TMenuEntry::Mute, &T::MuteAction};
constexpr TEntrySpec kListen{TMenuEntry::Listen, &T::UnMuteAction};

struct TMenuSpec {
  const char* ObjectName;
  std::initializer_list<TEntrySpec> Entries;
};

// In the order of TPopupMenuKind.
const TMenuSpec kMenuSpecs[kPopupMenuCount] = {
    {"OnPopupMenu", {kQueryChar, kInvite, kSeparator, kWhois, kRemove, kSeparator, kIgnore}},
    {"OffPopupMenu", {kWhois, kSeparator, kRemove, kSeparator, kIgnore}},
    {"UnPopupMenu",
     {kQueryChar, kInvite, kSeparator, kWhois, kAccept, kSeparator, kRemove, kSeparator, kIgnore}},
    {"IgnorePopupMenu", {kUnIgnore, kMerge, kExport}},
    {"PubPopupMenu", {kQueryGroup, kSeparator, kMute, kListen}},
    {"PrivPopupMenu", {kQueryGroup, kSeparator, kLeave, kKickAll, kSeparator, kMute, kListen}},
    {"CharPopupMenu",
     {kQueryChar, kInvite, kSeparator, kWhois, kAdd, kAccept, kRemove, kSeparator, kIgnore}},
    {"PrivCharPopupMenu",
     {kQueryChar, kInvite, kSeparator, kKick, kSeparator, kWhois, kAdd, kAccept, kRemove,
      kSeparator, kIgnore}},
};

size_t Slot(TPopupMenuKind kind) {
  return static_cast<size_t>(kind);
}

// A name in a caption is shown as it is: an ampersand in it is no access key.
QString CaptionName(const QString& name) {
  QString escaped = name;
  escaped.replace(QLatin1Char('&'), QStringLiteral("&&"));
  return escaped;
}

} // namespace

TPopupMenus::TPopupMenus(TMainActions& actions, TVeyraChat& chat, TFriendsTree& friends,
                         TGroupsTree& groups)
    : Actions(actions), Chat(chat), Friends(friends), Groups(groups) {
  ExecMenu = [](QMenu& menu, const QPoint& globalPos) { menu.exec(globalPos); };
  BuildMenus();
  WireActions();
  Friends.OnPopup = [this](TFriendsTree&, TBuddyMenu menu, const QString& charName,
                           const QPoint& globalPos) {
    PopupChar = charName;
    switch (menu) {
    case TBuddyMenu::Online:
      Popup(TPopupMenuKind::OnPopupMenu, globalPos);
      break;
    case TBuddyMenu::Offline:
      Popup(TPopupMenuKind::OffPopupMenu, globalPos);
      break;
    case TBuddyMenu::Unknown:
      Popup(TPopupMenuKind::UnPopupMenu, globalPos);
      break;
    case TBuddyMenu::Ignore:
      Popup(TPopupMenuKind::IgnorePopupMenu, globalPos);
      break;
    }
  };
  Groups.OnPopup = [this](TGroupsTree&, TGroupMenu menu, const QString& groupName,
                          const QPoint& globalPos) {
    PopupGroup = groupName;
    Popup(menu == TGroupMenu::Public ? TPopupMenuKind::PubPopupMenu : TPopupMenuKind::PrivPopupMenu,
          globalPos);
  };
}

TPopupMenus::~TPopupMenus() {
  Friends.OnPopup = nullptr;
  Groups.OnPopup = nullptr;
}

void TPopupMenus::BuildMenus() {
  for (int k = 0; k < kPopupMenuCount; ++k) {
    const TMenuSpec& spec = kMenuSpecs[k];
    TMenu& menu = Menus[static_cast<size_t>(k)];
    menu.Menu = std::make_unique<QMenu>();
    menu.Menu->setObjectName(QString::fromLatin1(spec.ObjectName));
    for (const TEntrySpec& row : spec.Entries) {
      if (row.Action == nullptr) {
        menu.Menu->addSeparator();
        continue;
      }
      QAction* shared = Actions.*row.Action;
      // The entry is the menu's child; its trigger runs the window's action.
      QAction* entry = menu.Menu->addAction(shared->text());
      entry->setObjectName(shared->objectName());
      connect(entry, &QAction::triggered, shared, [shared] { shared->trigger(); });
      menu.Entries.push_back(TEntry{row.Entry, entry, shared});
    }
  }
}

void TPopupMenus::WireActions() {
  const std::pair<QAction*, void (TPopupMenus::*)()> handlers[] = {
      {Actions.WhoisAction, &TPopupMenus::WhoisActionExecute},
      {Actions.QueryCharAction, &TPopupMenus::QueryCharActionExecute},
      {Actions.QueryGroupAction, &TPopupMenus::QueryGroupActionExecute},
      {Actions.AddFriendAction, &TPopupMenus::AddFriendActionExecute},
      {Actions.AcceptAction, &TPopupMenus::AcceptActionExecute},
      {Actions.RemoveAction, &TPopupMenus::RemoveActionExecute},
      {Actions.InviteAction, &TPopupMenus::InviteActionExecute},
      {Actions.MuteAction, &TPopupMenus::MuteActionExecute},
      {Actions.UnMuteAction, &TPopupMenus::UnMuteActionExecute},
      {Actions.LeavePrivAction, &TPopupMenus::LeavePrivActionExecute},
      {Actions.KickCharAction, &TPopupMenus::KickCharActionExecute},
      {Actions.KickAllAction, &TPopupMenus::KickAllActionExecute},
  };
  for (const auto& [action, handler] : handlers) {
    connect(action, &QAction::triggered, this, [this, h = handler] { (this->*h)(); });
  }
}

QMenu& TPopupMenus::Menu(TPopupMenuKind kind) const {
  return *Menus[Slot(kind)].Menu;
}

QAction* TPopupMenus::Entry(TPopupMenuKind kind, TMenuEntry entry) const {
  for (const TEntry& e : Menus[Slot(kind)].Entries) {
    if (e.Kind == entry) {
      return e.Item;
    }
  }
  return nullptr;
}

QString TPopupMenus::OwnName() const {
  return CurrentChar ? CurrentChar() : QString();
}

bool TPopupMenus::IsOwnName(const QString& name) const {
  const QString own = OwnName();
  return !own.isEmpty() && SameName(name, own);
}

void TPopupMenus::SetCaption(TPopupMenuKind kind, TMenuEntry entry, const QString& verb,
                             const QString& name) {
  if (QAction* action = Entry(kind, entry)) {
    action->setText(verb + CaptionName(name));
  }
}

void TPopupMenus::SetVisible(TPopupMenuKind kind, TMenuEntry entry, bool visible) {
  if (QAction* action = Entry(kind, entry)) {
    action->setVisible(visible);
  }
}

// ------------------------------------------------------------- preparation

void TPopupMenus::OnPopupMenuPopup() {
  constexpr auto k = TPopupMenuKind::OnPopupMenu;
  const QString& x = PopupChar;
  SetCaption(k, TMenuEntry::Whois, QStringLiteral("Whois "), x);
  SetCaption(k, TMenuEntry::Remove, QStringLiteral("Remove "), x);
  SetCaption(k, TMenuEntry::Query, QStringLiteral("Query "), x);
  SetCaption(k, TMenuEntry::Invite, QStringLiteral("Invite "), x);
  SetCaption(k, TMenuEntry::Ignore, QStringLiteral("Ignore "), x);
  SetVisible(k, TMenuEntry::Query, true);
  SetVisible(k, TMenuEntry::Invite, true);
  SetVisible(k, TMenuEntry::Remove, true);
}

void TPopupMenus::OffPopupMenuPopup() {
  constexpr auto k = TPopupMenuKind::OffPopupMenu;
  const QString& x = PopupChar;
  SetCaption(k, TMenuEntry::Whois, QStringLiteral("Whois "), x);
  SetCaption(k, TMenuEntry::Remove, QStringLiteral("Remove "), x);
  SetCaption(k, TMenuEntry::Ignore, QStringLiteral("Ignore "), x);
  SetVisible(k, TMenuEntry::Remove, true);
}

void TPopupMenus::UnPopupMenuPopup() {
  constexpr auto k = TPopupMenuKind::UnPopupMenu;
  const QString& x = PopupChar;
  SetCaption(k, TMenuEntry::Query, QStringLiteral("Query "), x);
  SetCaption(k, TMenuEntry::Invite, QStringLiteral("Invite "), x);
  SetCaption(k, TMenuEntry::Whois, QStringLiteral("Whois "), x);
  SetCaption(k, TMenuEntry::Accept, QStringLiteral("Accept "), x);
  SetCaption(k, TMenuEntry::Remove, QStringLiteral("Remove "), x);
  SetCaption(k, TMenuEntry::Ignore, QStringLiteral("Ignore "), x);
  const int index = Chat.FriendList().IndexOf(ToBytes(x));
  // Only a buddy who is online can be talked to or invited.
  const bool online = index >= 0 && Chat.FriendList().GetFriend(index).Online;
  SetVisible(k, TMenuEntry::Query, online);
  SetVisible(k, TMenuEntry::Invite, online);
  SetVisible(k, TMenuEntry::Accept, true);
  SetVisible(k, TMenuEntry::Remove, true);
}

void TPopupMenus::IgnorePopupMenuPopup() {
  constexpr auto k = TPopupMenuKind::IgnorePopupMenu;
  const QString& x = PopupChar;
  SetCaption(k, TMenuEntry::UnIgnore, QStringLiteral("UnIgnore "), x);
  SetVisible(k, TMenuEntry::UnIgnore, !x.isEmpty());
  SetVisible(k, TMenuEntry::Merge, x.isEmpty());
  SetVisible(k, TMenuEntry::Export, x.isEmpty());
}

void TPopupMenus::PrepareCharMenu(TPopupMenuKind k) {
  const QString& x = PopupChar;
  SetCaption(k, TMenuEntry::Whois, QStringLiteral("Whois "), x);
  SetCaption(k, TMenuEntry::Query, QStringLiteral("Query "), x);
  SetCaption(k, TMenuEntry::Add, QStringLiteral("Add "), x);
  SetCaption(k, TMenuEntry::Accept, QStringLiteral("Accept "), x);
  SetCaption(k, TMenuEntry::Remove, QStringLiteral("Remove "), x);
  SetCaption(k, TMenuEntry::Invite, QStringLiteral("Invite "), x);
  SetCaption(k, TMenuEntry::Ignore, QStringLiteral("Ignore "), x);
  SetVisible(k, TMenuEntry::Query, true);
  SetVisible(k, TMenuEntry::Invite, true);
  if (IsOwnName(x)) {
    for (const TMenuEntry e :
         {TMenuEntry::Invite, TMenuEntry::Add, TMenuEntry::Accept, TMenuEntry::Remove}) {
      SetVisible(k, e, false);
    }
    return;
  }
  const int index = Chat.FriendList().IndexOf(ToBytes(x));
  const bool listed = index >= 0;
  const bool accepted = listed && Chat.FriendList().GetFriend(index).Accepted;
  SetVisible(k, TMenuEntry::Add, !listed);
  SetVisible(k, TMenuEntry::Remove, listed && accepted);
  SetVisible(k, TMenuEntry::Accept, listed && !accepted);
}

void TPopupMenus::CharPopupMenuPopup() {
  PrepareCharMenu(TPopupMenuKind::CharPopupMenu);
}

void TPopupMenus::PrivCharPopupMenuPopup() {
  constexpr auto k = TPopupMenuKind::PrivCharPopupMenu;
  PrepareCharMenu(k);
  // A member of the user's own private group can be kicked; a member of another one invited.
  const bool ownGroup = IsOwnName(PopupCharGroup);
  SetVisible(k, TMenuEntry::Kick, ownGroup);
  SetVisible(k, TMenuEntry::Invite, !ownGroup);
}

void TPopupMenus::PrepareGroupMenu(TPopupMenuKind k) {
  const QString& g = PopupGroup;
  SetCaption(k, TMenuEntry::Query, QStringLiteral("Query "), g);
  SetCaption(k, TMenuEntry::Mute, QStringLiteral("Mute "), g);
  SetCaption(k, TMenuEntry::Listen, QStringLiteral("Listen to "), g);
  const int index = Chat.GroupList().IndexOf(ToBytes(g));
  if (index >= 0) {
    const bool muted = Chat.GroupList().GetGroup(index).Muted;
    SetVisible(k, TMenuEntry::Mute, !muted);
    SetVisible(k, TMenuEntry::Listen, muted);
  } else if (Groups.FindPrivateNode(g) != nullptr) {
    const bool muted = Groups.IsPrivateGroupMuted(g);
    SetVisible(k, TMenuEntry::Mute, !muted);
    SetVisible(k, TMenuEntry::Listen, muted);
  } else {
    SetVisible(k, TMenuEntry::Mute, false);
    SetVisible(k, TMenuEntry::Listen, false);
  }
}

void TPopupMenus::PubPopupMenuPopup() {
  PrepareGroupMenu(TPopupMenuKind::PubPopupMenu);
}

void TPopupMenus::PrivPopupMenuPopup() {
  constexpr auto k = TPopupMenuKind::PrivPopupMenu;
  PrepareGroupMenu(k);
  SetCaption(k, TMenuEntry::Leave, QStringLiteral("Leave "), PopupGroup);
  SetVisible(k, TMenuEntry::KickAll, IsOwnName(PopupGroup));
}

void TPopupMenus::Prepare(TPopupMenuKind kind) {
  switch (kind) {
  case TPopupMenuKind::OnPopupMenu:
    OnPopupMenuPopup();
    break;
  case TPopupMenuKind::OffPopupMenu:
    OffPopupMenuPopup();
    break;
  case TPopupMenuKind::UnPopupMenu:
    UnPopupMenuPopup();
    break;
  case TPopupMenuKind::IgnorePopupMenu:
    IgnorePopupMenuPopup();
    break;
  case TPopupMenuKind::PubPopupMenu:
    PubPopupMenuPopup();
    break;
  case TPopupMenuKind::PrivPopupMenu:
    PrivPopupMenuPopup();
    break;
  case TPopupMenuKind::CharPopupMenu:
    CharPopupMenuPopup();
    break;
  case TPopupMenuKind::PrivCharPopupMenu:
    PrivCharPopupMenuPopup();
    break;
  }
  // An entry can be chosen exactly when its action can run.
  for (const TEntry& e : Menus[Slot(kind)].Entries) {
    e.Item->setEnabled(e.Shared->isEnabled());
  }
}

// ---------------------------------------------------------------- opening

void TPopupMenus::Popup(TPopupMenuKind kind, const QPoint& globalPos) {
  Prepare(kind);
  if (ExecMenu) {
    ExecMenu(Menu(kind), globalPos);
  }
}

void TPopupMenus::OpenFromConsole(TPopupMenuKind kind, const QPoint& globalPos) {
  Popup(kind, globalPos);
  if (ConsoleMouseLeave) {
    ConsoleMouseLeave();
  }
}

void TPopupMenus::ShowCharPopup(const QString& charName, const QPoint& globalPos) {
  PopupChar = charName;
  OpenFromConsole(TPopupMenuKind::CharPopupMenu, globalPos);
}

void TPopupMenus::ShowPrivCharPopup(const QString& charName, const QPoint& globalPos) {
  PopupChar = charName;
  OpenFromConsole(TPopupMenuKind::PrivCharPopupMenu, globalPos);
}

void TPopupMenus::ShowPublicPopup(const QString& groupName, const QPoint& globalPos) {
  PopupGroup = groupName;
  OpenFromConsole(TPopupMenuKind::PubPopupMenu, globalPos);
}

void TPopupMenus::ShowPrivatePopup(const QString& groupName, const QPoint& globalPos) {
  PopupGroup = groupName;
  OpenFromConsole(TPopupMenuKind::PrivPopupMenu, globalPos);
}

// ----------------------------------------------------------------- actions

void TPopupMenus::WhoisActionExecute() {
  if (Whois) {
    Whois(PopupChar);
  }
}

void TPopupMenus::QueryCharActionExecute() {
  if (QueryChar) {
    QueryChar(PopupChar);
  }
}

void TPopupMenus::QueryGroupActionExecute() {
  if (Query) {
    Query(PopupGroup);
  }
}

void TPopupMenus::AddFriendActionExecute() {
  Chat.AddFRiend(ToBytes(PopupChar), true);
}

void TPopupMenus::AcceptActionExecute() {
  Chat.AddFRiend(ToBytes(PopupChar), true);
}

void TPopupMenus::RemoveActionExecute() {
  Chat.RemoveFriend(ToBytes(PopupChar));
}

void TPopupMenus::InviteActionExecute() {
  if (PopupChar.isEmpty()) {
    return;
  }
  Chat.PrivateGroupInvite(ToBytes(PopupChar));
  // The user's own private group is shown from the first invitation on.
  Groups.GetPrivateNode(OwnName());
}

void TPopupMenus::MuteActionExecute() {
  if (Chat.GroupList().IndexOf(ToBytes(PopupGroup)) >= 0) {
    Groups.MuteGroup(PopupGroup);
  } else if (Groups.FindPrivateNode(PopupGroup) != nullptr &&
             !Groups.IsPrivateGroupMuted(PopupGroup)) {
    Groups.MutePrivateGroup(PopupGroup);
  }
}

void TPopupMenus::UnMuteActionExecute() {
  if (Chat.GroupList().IndexOf(ToBytes(PopupGroup)) >= 0) {
    Groups.ListenGroup(PopupGroup);
  } else if (Groups.FindPrivateNode(PopupGroup) != nullptr &&
             Groups.IsPrivateGroupMuted(PopupGroup)) {
    Groups.ListenPrivateGroup(PopupGroup);
  }
}

void TPopupMenus::LeavePrivActionExecute() {
  if (!PopupGroup.isEmpty()) {
    Groups.LeavePrivateGroup(PopupGroup);
  }
}

void TPopupMenus::KickCharActionExecute() {
  if (!PopupChar.isEmpty() && Groups.FindPrivateNode(OwnName()) != nullptr) {
    Chat.PrivateGroupKick(ToBytes(PopupChar));
  }
}

void TPopupMenus::KickAllActionExecute() {
  if (!PopupGroup.isEmpty() && Groups.FindPrivateNode(OwnName()) != nullptr) {
    Chat.PrivateGroupKickAll();
  }
}

// ------------------------------------------------------------------- wheel

int ConsoleWheelDistance(const QFont& font) {
  const int points = font.pointSize() > 0 ? font.pointSize() : QFontInfo(font).pointSize();
  return 3 * (points + 4) + 2;
}

namespace {

void WheelScroll(TChatConsole& console, const QPoint& globalPos, int direction) {
  QWidget* client = console.viewport();
  if (!client->rect().contains(client->mapFromGlobal(globalPos))) {
    return;
  }
  console.ScrollBy(direction * ConsoleWheelDistance(console.Font().Font));
}

} // namespace

void FormMouseWheelUp(TChatConsole& console, const QPoint& globalPos) {
  WheelScroll(console, globalPos, +1);
}

void FormMouseWheelDown(TChatConsole& console, const QPoint& globalPos) {
  WheelScroll(console, globalPos, -1);
}

} // namespace tessra

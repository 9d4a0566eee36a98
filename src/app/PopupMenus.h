#pragma once

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include <QObject>
#include <QPoint>
#include <QString>

class QAction;
class QFont;
class QMenu;

namespace tessra {

class TChatConsole;
class TFriendsTree;
class TGroupsTree;
class TMainActions;
class TVeyraChat;

// The popup menus of the buddy and group trees and of the console's name and group links.
enum class TPopupMenuKind {
  OnPopupMenu,       // a child of "Online Friends"
  OffPopupMenu,      // a child of "Offline Friends"
  UnPopupMenu,       // a child of "Unknown"
  IgnorePopupMenu,   // "Ignoring" or one of its children
  PubPopupMenu,      // a public group
  PrivPopupMenu,     // a private group
  CharPopupMenu,     // a character link
  PrivCharPopupMenu, // a member link of a private group
};
inline constexpr int kPopupMenuCount = 8;

// The entries of the menus. Query is the character query in the character menus and the group
// query in the group menus.
enum class TMenuEntry {
  Query,
  Invite,
  Kick,
  Whois,
  Add,
  Accept,
  Remove,
  Ignore,
  UnIgnore,
  Merge,
  Export,
  Leave,
  KickAll,
  Mute,
  Listen,
};

// Every popup menu with its entries, the popup context (the character or group a menu and its
// actions apply to) and what the panel actions do. Each menu entry is an item of its own that
// runs its shared action of the window, so that each menu carries its own captions and
// visibility while the action stays one. The menus are prepared just before they open: captions
// name the character or group, and entries that do not apply are hidden.
//
// The panel actions (whois, the queries, buddies, invitation, mute and listen, leave and kick)
// are wired here; the four ignore list actions run what their owner wires to them, on PopupChar.
class TPopupMenus : public QObject {
public:
  // The actions, engine and trees must outlive this object. The trees' menus open through it.
  TPopupMenus(TMainActions& actions, TVeyraChat& chat, TFriendsTree& friends, TGroupsTree& groups);
  ~TPopupMenus() override;
  TPopupMenus(const TPopupMenus&) = delete;
  TPopupMenus& operator=(const TPopupMenus&) = delete;

  // The popup context. They keep their last values.
  QString PopupChar;      // the character of a character menu or action
  QString PopupGroup;     // the group of a group menu or action
  QString PopupCharGroup; // the private group of a member link

  QMenu& Menu(TPopupMenuKind kind) const;
  // A menu's entry; null when the menu has none of that kind.
  QAction* Entry(TPopupMenuKind kind, TMenuEntry entry) const;

  // Preparation of each menu, run just before it opens.
  void OnPopupMenuPopup();
  void OffPopupMenuPopup();
  void UnPopupMenuPopup();
  void IgnorePopupMenuPopup();
  void PubPopupMenuPopup();
  void PrivPopupMenuPopup();
  void CharPopupMenuPopup();
  void PrivCharPopupMenuPopup();
  void Prepare(TPopupMenuKind kind);

  // Prepares a menu and opens it at a point of the screen.
  void Popup(TPopupMenuKind kind, const QPoint& globalPos);

  // The menus of the console's links. Each tells the console the mouse has left once the menu
  // has closed, so that no link stays highlighted. ShowPrivCharPopup expects PopupCharGroup set.
  void ShowCharPopup(const QString& charName, const QPoint& globalPos);
  void ShowPrivCharPopup(const QString& charName, const QPoint& globalPos);
  void ShowPublicPopup(const QString& groupName, const QPoint& globalPos);
  void ShowPrivatePopup(const QString& groupName, const QPoint& globalPos);

  // What the panel actions do.
  void WhoisActionExecute();
  void QueryCharActionExecute();
  void QueryGroupActionExecute();
  void AddFriendActionExecute();
  void AcceptActionExecute();
  void RemoveActionExecute();
  void InviteActionExecute();
  void MuteActionExecute();
  void UnMuteActionExecute();
  void LeavePrivActionExecute();
  void KickCharActionExecute();
  void KickAllActionExecute();

  // The character the user is logged in as.
  std::function<QString()> CurrentChar;
  // The whois look-up of a character.
  std::function<void(const QString& charName)> Whois;
  // The message target: a character, or a name whose kind is looked up.
  std::function<void(const QString& charName)> QueryChar;
  std::function<void(const QString& name)> Query;
  // The console's mouse-leave notification.
  std::function<void()> ConsoleMouseLeave;
  // Opens a prepared menu and returns once it has closed; tests play the user here.
  std::function<void(QMenu& menu, const QPoint& globalPos)> ExecMenu;

private:
  struct TEntry {
    TMenuEntry Kind;
    QAction* Item;   // the menu's own entry
    QAction* Shared; // the window's action it runs
  };
  struct TMenu {
    std::unique_ptr<QMenu> Menu;
    std::vector<TEntry> Entries;
  };

  void BuildMenus();
  void WireActions();
  QString OwnName() const;
  bool IsOwnName(const QString& name) const;
  void SetCaption(TPopupMenuKind kind, TMenuEntry entry, const QString& verb, const QString& name);
  void SetVisible(TPopupMenuKind kind, TMenuEntry entry, bool visible);
  void PrepareCharMenu(TPopupMenuKind kind);
  void PrepareGroupMenu(TPopupMenuKind kind);
  void OpenFromConsole(TPopupMenuKind kind, const QPoint& globalPos);

  TMainActions& Actions;
  TVeyraChat& Chat;
  TFriendsTree& Friends;
  TGroupsTree& Groups;
  std::array<TMenu, kPopupMenuCount> Menus;
};

// The console's wheel step: 3 × (the font's size in points + 4) + 2 pixels.
int ConsoleWheelDistance(const QFont& font);

// The main window's wheel handlers: with the pointer inside the console's client area the
// console scrolls by one wheel step, towards older lines for the wheel turned up. The event is
// left unhandled, so the control under the pointer may scroll as well.
void FormMouseWheelUp(TChatConsole& console, const QPoint& globalPos);
void FormMouseWheelDown(TChatConsole& console, const QPoint& globalPos);

} // namespace tessra

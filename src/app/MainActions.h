#pragma once

#include <span>

#include <QAction>
#include <QIcon>
#include <QObject>
#include <QString>

namespace tessra {

// The user commands of the main window. Each action has one caption, hint,
// shortcut and initial state, shared by every menu entry and button that
// shows it; what it does is wired by the window.
class TMainActions {
public:
  // One row of the action table. Hint and shortcut may be empty; a
  // checkable action starts with its check mark on.
  struct TSpec {
    QAction* TMainActions::*Field;
    const char* Name;
    const char* Caption;
    const char* Hint;
    const char* Shortcut;
    bool Enabled;
    bool Checkable;
    // The desktop theme's icon name, and the letter drawn on the built-in
    // picture used when the theme has none (no picture when both are empty).
    const char* ThemeIcon;
    const char* Fallback;
  };

  // The actions are children of parent, which owns them.
  explicit TMainActions(QObject* parent);

  static std::span<const TSpec> Table();
  // The theme's icon of that name, else a small built-in picture.
  static QIcon IconFor(const char* themeName, const char* fallback);

  QAction* ConnectAction = nullptr;
  QAction* DisconnectAction = nullptr;
  QAction* ExitAction = nullptr;
  QAction* UndoAction = nullptr;
  QAction* RedoAction = nullptr;
  QAction* CutAction = nullptr;
  QAction* CopyAction = nullptr;
  QAction* PasteAction = nullptr;
  QAction* DeleteAction = nullptr;
  QAction* SelectAllAction = nullptr;
  QAction* ViewStandardAction = nullptr;
  QAction* ViewEditAction = nullptr;
  QAction* ViewStatusBarAction = nullptr;
  QAction* ViewGroupsAction = nullptr;
  QAction* OptionsAction = nullptr;
  QAction* AwayAction = nullptr;
  QAction* AwayMessagesAction = nullptr;
  QAction* AttachAction = nullptr;
  QAction* TessraSiteAction = nullptr;
  QAction* ForumsAction = nullptr;
  QAction* WebsiteAction = nullptr;
  QAction* AboutAction = nullptr;
  QAction* WhoisAction = nullptr;
  QAction* QueryCharAction = nullptr;
  QAction* QueryGroupAction = nullptr;
  QAction* AddFriendAction = nullptr;
  QAction* AcceptAction = nullptr;
  QAction* RemoveAction = nullptr;
  QAction* InviteAction = nullptr;
  QAction* MuteAction = nullptr;
  QAction* UnMuteAction = nullptr;
  QAction* LeavePrivAction = nullptr;
  QAction* KickCharAction = nullptr;
  QAction* KickAllAction = nullptr;
  QAction* IgnoreAction = nullptr;
  QAction* UnIgnoreAction = nullptr;
  QAction* MergeIgnorelistAction = nullptr;
  QAction* ExportIgnorelistAction = nullptr;

  // The addresses of the three web actions.
  static const char* const kTessraSiteUrl;
  static const char* const kForumsUrl;
  static const char* const kVeyraSiteUrl;
};

} // namespace tessra

#include "MainActions.h"

#include <QFont>
#include <QKeySequence>
#include <QPainter>
#include <QPixmap>

namespace tessra {

// The program's own pages and the game's site; placeholders under .example
// that the program only ever hands to the desktop's browser.
const char* const TMainActions::kTessraSiteUrl = "https://tessra.example/";
const char* const TMainActions::kForumsUrl = "https://tessra.example/forums/";
const char* const TMainActions::kVeyraSiteUrl = "https://www.veyra.example/";

namespace {

using T = TMainActions;

// Undo is on Ctrl+Y, not Ctrl+Z; Redo carries the same key but stays
// disabled, so the key always reaches Undo.
constexpr T::TSpec kTable[] = {
    {&T::ConnectAction, "ConnectAction", "Co&nnect", "Connect", "Ctrl+N", true, false,
     "network-connect", "C"},
    {&T::DisconnectAction, "DisconnectAction", "&Disconnect", "Disconnect", "Ctrl+D", false, false,
     "network-disconnect", "D"},
    {&T::ExitAction, "ExitAction", "E&xit", "", "", true, false, "application-exit", ""},
    {&T::UndoAction, "UndoAction", "Undo...", "Undo", "Ctrl+Y", false, false, "edit-undo", "U"},
    {&T::RedoAction, "RedoAction", "&Redo...", "Redo", "Ctrl+Y", false, false, "edit-redo", "R"},
    {&T::CutAction, "CutAction", "Cu&t", "Cut", "Ctrl+X", false, false, "edit-cut", "X"},
    {&T::CopyAction, "CopyAction", "&Copy", "Copy", "Ctrl+C", false, false, "edit-copy", "C"},
    {&T::PasteAction, "PasteAction", "&Paste", "Paste", "Ctrl+V", false, false, "edit-paste", "V"},
    {&T::DeleteAction, "DeleteAction", "&Delete", "Delete", "Del", false, false, "edit-delete",
     "D"},
    {&T::SelectAllAction, "SelectAllAction", "S&elect All", "", "Ctrl+A", false, false,
     "edit-select-all", ""},
    {&T::ViewStandardAction, "ViewStandardAction", "&Standard", "", "", true, true, "", ""},
    {&T::ViewEditAction, "ViewEditAction", "&Edit", "", "", true, true, "", ""},
    {&T::ViewStatusBarAction, "ViewStatusBarAction", "&Statusbar", "", "", true, true, "", ""},
    {&T::ViewGroupsAction, "ViewGroupsAction", "&Friends && Groups", "", "", true, true, "", ""},
    {&T::OptionsAction, "OptionsAction", "&Options...", "Options", "F10", true, false,
     "preferences-system", "O"},
    {&T::AwayAction, "AwayAction", "Set Yourself Away", "Set Yourself Away", "", false, false,
     "user-away", "A"},
    {&T::AwayMessagesAction, "AwayMessagesAction", "Away Messages", "Away Messages", "", false,
     false, "mail-message-new", "M"},
    {&T::AttachAction, "AttachAction", "Insert Reference", "Insert Reference", "Ctrl+I", false,
     false, "insert-link", "R"},
    {&T::TessraSiteAction, "TessraSiteAction", "Tessra Website", "Visit the Tessra website", "",
     true, false, "", ""},
    {&T::ForumsAction, "ForumsAction", "Software Forums", "Visit the Tessra forums", "", true,
     false, "", ""},
    {&T::WebsiteAction, "WebsiteAction", "Veyra Website", "", "", true, false, "", ""},
    {&T::AboutAction, "AboutAction", "About Tessra", "", "", true, false, "help-about", ""},
    {&T::WhoisAction, "WhoisAction", "Whois", "", "", true, false, "", ""},
    {&T::QueryCharAction, "QueryCharAction", "Query", "", "", true, false, "", ""},
    {&T::QueryGroupAction, "QueryGroupAction", "Query", "", "", true, false, "", ""},
    {&T::AddFriendAction, "AddFriendAction", "Add Buddy", "", "", true, false, "", ""},
    {&T::AcceptAction, "AcceptAction", "Accept Buddy", "", "", true, false, "", ""},
    {&T::RemoveAction, "RemoveAction", "Remove Buddy", "", "", true, false, "", ""},
    {&T::InviteAction, "InviteAction", "Invite Player", "", "", true, false, "", ""},
    {&T::MuteAction, "MuteAction", "Mute Group", "", "", true, false, "", ""},
    {&T::UnMuteAction, "UnMuteAction", "Listen to Group", "", "", true, false, "", ""},
    {&T::LeavePrivAction, "LeavePrivAction", "Leave Private Group", "", "", true, false, "", ""},
    {&T::KickCharAction, "KickCharAction", "Kick Player", "", "", true, false, "", ""},
    {&T::KickAllAction, "KickAllAction", "Kick All Players", "", "", true, false, "", ""},
    {&T::IgnoreAction, "IgnoreAction", "Ignore Player", "", "", true, false, "", ""},
    {&T::UnIgnoreAction, "UnIgnoreAction", "UnIgnore Player", "", "", true, false, "", ""},
    {&T::MergeIgnorelistAction, "MergeIgnorelistAction", "Merge ignorelist.bin ..", "", "", true,
     false, "", ""},
    {&T::ExportIgnorelistAction, "ExportIgnorelistAction", "Export ignorelist.bin", "", "", true,
     false, "", ""},
};

// A 16 x 16 rounded square with a letter, for desktops without an icon theme.
QIcon BuiltInIcon(const QString& letter) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(0x1F, 0x3F, 0x7F), 2));
  painter.setBrush(QColor(0x5F, 0x8F, 0xDF));
  painter.drawRoundedRect(QRectF(2, 2, 28, 28), 6, 6);
  QFont font;
  font.setBold(true);
  font.setPixelSize(20);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(pixmap.rect(), Qt::AlignCenter, letter);
  painter.end();
  return QIcon(pixmap);
}

} // namespace

std::span<const TMainActions::TSpec> TMainActions::Table() {
  return kTable;
}

QIcon TMainActions::IconFor(const char* themeName, const char* fallback) {
  const QString name = QString::fromLatin1(themeName);
  const QString letter = QString::fromLatin1(fallback);
  if (name.isEmpty() && letter.isEmpty()) {
    return {};
  }
  if (!name.isEmpty() && QIcon::hasThemeIcon(name)) {
    return QIcon::fromTheme(name);
  }
  return letter.isEmpty() ? QIcon() : BuiltInIcon(letter);
}

TMainActions::TMainActions(QObject* parent) {
  for (const TSpec& spec : kTable) {
    auto* action = new QAction(QString::fromLatin1(spec.Caption), parent);
    action->setObjectName(QString::fromLatin1(spec.Name));
    const QString hint = QString::fromLatin1(spec.Hint);
    if (!hint.isEmpty()) {
      // Without a hint Qt shows the caption as the tool tip.
      action->setToolTip(hint);
      action->setStatusTip(hint);
    }
    if (spec.Shortcut[0] != '\0') {
      action->setShortcut(QKeySequence(QString::fromLatin1(spec.Shortcut)));
    }
    action->setEnabled(spec.Enabled);
    if (spec.Checkable) {
      action->setCheckable(true);
      action->setChecked(true);
    }
    action->setIcon(IconFor(spec.ThemeIcon, spec.Fallback));
    this->*(spec.Field) = action;
  }
}

} // namespace tessra

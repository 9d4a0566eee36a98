#pragma once

#include <functional>
#include <utility>

#include <QPoint>
#include <QString>
#include <QUrl>

#include "display/ChatConsoleTypes.h"

namespace tessra {

class TBlobList;
class TItemBlob;
class TSafeUrl;
class TTextBlob;

// What a click on a console link can do; the main window supplies each. Unset actions are
// skipped.
struct TLinkActions {
  // The query operations of the input line.
  std::function<void(const QString& charName)> QueryChar;
  std::function<void(const QString& groupName)> QueryPublic;
  std::function<void(const QString& groupName)> QueryPrivate;
  // The popup openers of the panels, given screen coordinates; each returns after its menu has
  // closed. SetPopupCharGroup is called before ShowPrivCharPopup with the member link's group.
  std::function<void(const QString& charName, const QPoint& globalPos)> ShowCharPopup;
  std::function<void(const QString& groupName)> SetPopupCharGroup;
  std::function<void(const QString& charName, const QPoint& globalPos)> ShowPrivCharPopup;
  std::function<void(const QString& groupName, const QPoint& globalPos)> ShowPublicPopup;
  std::function<void(const QString& groupName, const QPoint& globalPos)> ShowPrivatePopup;
  // Console coordinates to screen coordinates.
  std::function<QPoint(const QPoint& consolePos)> MapToGlobal;
  // Ends the console's hover after a popup menu, so no link stays highlighted.
  std::function<void()> EndHover;
  // The reference viewer, given the text to show.
  std::function<void(const QString& text)> ShowReference;
  // A message box.
  std::function<void(const QString& text)> ShowMessage;
};

// The console's mouse-up handler of the main window: a left click on a link queries the name,
// opens the page or shows the reference; a right click opens the popup menu of the name or group.
// Link names are compared without regard to letter case; links the console opens itself ("URL")
// and names of no kind here do nothing.
class TLinkDispatcher {
public:
  // First item database site (the default, ItemDb "veyradb") and the second ("tarvik").
  static constexpr const char* kFirstItemSite = "https://veyradb.example";
  static constexpr const char* kSecondItemSite = "https://tarvik.example";

  // The blob list and the opener must outlive the dispatcher.
  TLinkDispatcher(const TBlobList& blobs, TSafeUrl& urls) : Blobs(blobs), Urls(urls) {}

  // OutputMemoMouseUp: `link` is the console's LinkInformation at the time of the release.
  void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y,
               const TLinkInformation& link);

  // A left click on a "reflink": the blob under `key`; a key the list no longer holds does
  // nothing, a blob of no known kind shows "Unknown".
  void ShowReference(const QString& key);
  // Opens the item's page on the item database site chosen by ItemDb.
  void ShowItemReference(const TItemBlob& blob);
  // Hands the blob's text, tabs turned into spaces, to the reference viewer.
  void ShowTextReference(const TTextBlob& blob);

  // "tarvik" (any letter case) chooses the second site, anything else the first.
  static QUrl ItemReferenceUrl(const TItemBlob& blob, const QString& itemDb);

  // The "privcharlink" params as character and group: the text before the first comma and the
  // text after it up to a second comma; a missing part is empty.
  static std::pair<QString, QString> SplitMemberParams(const QString& params);

  TLinkActions Actions;
  // The ItemDb setting, read at each click.
  std::function<QString()> ItemDb;

private:
  void LeftClick(const QString& name, const QString& params);
  void RightClick(const QString& name, const QString& params, const QPoint& globalPos);

  const TBlobList& Blobs;
  TSafeUrl& Urls;
};

} // namespace tessra

#pragma once

#include <functional>

#include <QCollator>
#include <QLocale>
#include <QObject>
#include <QPoint>
#include <QString>

#include "engine/FriendList.h"
#include "settings/IgnoreList.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace tessra {

class TTreeIcons;
class TVeyraChat;

// The menu a node of the buddy tree opens.
enum class TBuddyMenu { Online, Offline, Unknown, Ignore };

// The buddy tree: the engine's buddy list under three fixed nodes ("Online Friends", "Offline
// Friends", "Unknown") and the ignore list under the fourth ("Ignoring"). The fixed nodes are
// made when the tree is taken over and never removed. Buddy names are kept sorted by the locale's
// order; the names under "Ignoring" keep the order the ignore list gives them. The ignore list
// works on the tree through its TTree side.
class TFriendsTree : public QObject, public TIgnoreList::TTree {
public:
  // The tree stays the caller's (a Qt child of the window); its nodes are replaced by the four
  // fixed ones. The icons must outlive this object.
  TFriendsTree(QTreeWidget& tree, const TTreeIcons& icons, const QLocale& locale = QLocale());
  ~TFriendsTree() override;
  TFriendsTree(const TFriendsTree&) = delete;
  TFriendsTree& operator=(const TFriendsTree&) = delete;

  QTreeWidget& Tree() const { return View; }
  QTreeWidgetItem* OnlineNode() const;
  QTreeWidgetItem* OfflineNode() const;
  QTreeWidgetItem* UnknownNode() const;
  QTreeWidgetItem* IgnoringNode() const;

  // Inserts a buddy node: under "Unknown" when not accepted, else by the online state; with the
  // online or offline picture. "Online Friends" opens at its first child, "Offline Friends"
  // never by itself.
  void AddFriend(const QString& name, bool online, bool accepted) override;
  // Deletes the first node with exactly this text (letter case included) from the three buddy
  // branches, looking in "Online Friends", then "Offline Friends", then "Unknown". Names under
  // "Ignoring" stay.
  void RemoveBuddyNode(const QString& name);
  // Empties the three buddy branches (the connection has ended); "Ignoring" stays.
  void ClearBuddyNodes();

  // TIgnoreList::TTree: the texts of a top-level node's children, deleting one, and a new last
  // name under "Ignoring" (with no picture of its own).
  QStringList Children(TBuddyBranch branch) const override;
  void RemoveChild(TBuddyBranch branch, int index) override;
  void AppendIgnored(const QString& name) override;

  // Handlers of the engine's buddy events.
  void VeyraChatFriendAdd(TVeyraChat& sender, const TFriendInfo& friendInfo);
  void VeyraChatFriendRemove(TVeyraChat& sender, const TFriendInfo& friendInfo);
  void VeyraChatFriendStatusChange(TVeyraChat& sender, const TFriendInfo& friendInfo);

  // Mouse handlers, with positions in the tree's viewport and on the screen. The tree's own
  // mouse events come here through an event filter.
  // Right button on a node: selects it and opens the node's menu. True when a node was hit.
  bool FriendsTreeViewMouseDown(Qt::MouseButton button, const QPoint& pos, const QPoint& globalPos);
  // A buddy under the pointer becomes the message target.
  void FriendsTreeViewDblClick(const QPoint& pos);

  // Whether each branch still opens at its next child (tests read them).
  bool OnlineExpandPending() const { return ExpandOnline; }
  bool OfflineExpandPending() const { return ExpandOffline; }

  // Makes a character the message target.
  std::function<void(const QString& charName)> QueryChar;
  // A node's menu is to open at a point of the screen, for the character named (empty for the
  // "Ignoring" node itself).
  std::function<void(TFriendsTree& sender, TBuddyMenu menu, const QString& charName,
                     const QPoint& globalPos)>
      OnPopup;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QTreeWidget& View;
  const TTreeIcons& Icons;
  QCollator Collator;
  bool ExpandOnline = true;
  bool ExpandOffline = false;
};

} // namespace tessra

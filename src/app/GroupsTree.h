#pragma once

#include <functional>

#include <QCollator>
#include <QLocale>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

#include "app/GroupPanelView.h"
#include "engine/Bytes.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace tessra {

class TPrompt;
class TTreeIcons;
class TVeyraChat;

// The menu a node of the group tree opens.
enum class TGroupMenu { Public, Private };

// The group tree: the public groups of the character under "Public Groups" and the private
// groups the user has joined or opened under "Private Groups", each kept sorted by the locale's
// order. A public group is muted through the server (its node mirrors the engine's flag); a
// private group is muted here only, by the picture of its node.
class TGroupsTree : public QObject, public TGroupPanelView {
public:
  // The tree stays the caller's; its nodes are replaced by the two fixed ones. The icons, the
  // engine and the prompt must outlive this object.
  TGroupsTree(QTreeWidget& tree, const TTreeIcons& icons, TVeyraChat& chat, TPrompt& prompt,
              const QLocale& locale = QLocale());
  ~TGroupsTree() override;
  TGroupsTree(const TGroupsTree&) = delete;
  TGroupsTree& operator=(const TGroupsTree&) = delete;

  QTreeWidget& Tree() const { return View; }
  QTreeWidgetItem* PublicNode() const;
  QTreeWidgetItem* PrivateNode() const;

  // TGroupPanelView. Update batches nest; the tree repaints when the outermost one ends.
  void BeginGroupUpdate() override;
  void EndGroupUpdate() override;
  // Finds the public group's node without regard to letter case or adds one without a picture
  // (a group of the muted channel list is muted through the server as it is added).
  TGroupPanelNode* GetPublicGroupNode(const QString& groupName) override;
  bool HasPrivateGroupNode(const QString& groupName) const override;
  bool IsPrivateGroupMuted(const QString& groupName) const override;
  // Deletes the private group's nodes; a message target of that group becomes no target.
  void RemovePrivateGroup(const QString& groupName) override;

  // The private group's node, found without regard to letter case.
  QTreeWidgetItem* FindPrivateNode(const QString& groupName) const;
  // Finds or adds the private group's node; a new one listens.
  QTreeWidgetItem* GetPrivateNode(const QString& groupName);

  // Server mute of a public group named exactly so; the node's picture follows the server's
  // answer. Nothing for a name the engine's list does not hold.
  void MuteGroup(const QString& groupName);
  void ListenGroup(const QString& groupName);
  // Local mute of a private group: only its node's picture.
  void MutePrivateGroup(const QString& groupName);
  void ListenPrivateGroup(const QString& groupName);
  // Leaves a private group (the user's own one sends everyone away too) and says so.
  void LeavePrivateGroup(const QString& groupName);

  // Saves the muted public groups and empties both branches (the connection has ended).
  void ClearGroupNodes();

  // The state a group node's picture shows.
  static TGroupNodeIcon NodeIcon(const QTreeWidgetItem& node);

  // The engine's invitation to a private group: the user is asked whether to join.
  void VeyraChatPrivateGroupInvite(TVeyraChat& sender, const TBytes& groupName);

  // Mouse handlers, with positions in the tree's viewport and on the screen. The tree's own
  // mouse events come here through an event filter.
  // Right button on a node: selects it and opens a group's menu. True when a node was hit.
  bool GroupsTreeViewMouseDown(Qt::MouseButton button, const QPoint& pos, const QPoint& globalPos);
  // A release on the picture of a node toggles the selected group between listening and muted.
  void GroupsTreeViewMouseUp(Qt::MouseButton button, const QPoint& pos);
  // A group under the pointer becomes the message target.
  void GroupsTreeViewDblClick(const QPoint& pos);

  // Where the node's picture is drawn, in viewport coordinates (empty for a hidden node).
  QRect IconRect(const QTreeWidgetItem& node) const;

  // Whether each branch still opens at its next child (tests read them).
  bool PublicExpandPending() const { return ExpandPublic; }
  bool PrivateExpandPending() const { return ExpandPrivate; }

  // The character the user is logged in as; the user's own private group has its name.
  std::function<QString()> CurrentChar;
  // The public groups to mute as their nodes are made, and where the muted ones are saved when
  // the tree is emptied.
  std::function<QStringList()> MutedChannels;
  std::function<void(const QStringList& channels)> SaveMutedChannels;
  // The console line of a member leaving a private group.
  std::function<void(const QString& groupName, const QString& charName)> AddPrivateLeaveLine;
  // Makes a group the message target.
  std::function<void(const QString& groupName)> QueryPublic;
  std::function<void(const QString& groupName)> QueryPrivate;
  // Whether the message target is this private group (letter case ignored), and the step that
  // leaves no target.
  std::function<bool(const QString& groupName)> IsPrivateTarget;
  std::function<void()> ClearTarget;
  // A group node's menu is to open at a point of the screen.
  std::function<void(TGroupsTree& sender, TGroupMenu menu, const QString& groupName,
                     const QPoint& globalPos)>
      OnPopup;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QString OwnName() const;
  QTreeWidgetItem* AddGroupNode(QTreeWidgetItem& parent, const QString& text);
  void ExpandOnce(QTreeWidgetItem& parent);

  QTreeWidget& View;
  const TTreeIcons& Icons;
  TVeyraChat& Chat;
  TPrompt& Prompt;
  QCollator Collator;
  bool ExpandPublic = true;
  bool ExpandPrivate = true;
  int UpdateDepth = 0;
  bool UpdatesWereEnabled = true;
};

} // namespace tessra

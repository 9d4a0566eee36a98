#pragma once

#include <QString>

namespace tessra {

// The icon a public group's node shows. A node that has just been added has none yet.
enum class TGroupNodeIcon { None, Listening, Muted };

// One public group's node in the group panel.
class TGroupPanelNode {
public:
  virtual ~TGroupPanelNode() = default;
  virtual QString Text() const = 0;
  virtual TGroupNodeIcon Icon() const = 0;
  virtual void SetIcon(TGroupNodeIcon icon) = 0;
};

// What the chat presenter needs from the group panel: the public group nodes and their icons,
// and the private groups the user belongs to.
class TGroupPanelView {
public:
  virtual ~TGroupPanelView() = default;

  // A batch of node changes, shown at once when it ends.
  virtual void BeginGroupUpdate() = 0;
  virtual void EndGroupUpdate() = 0;

  // The node of a public group found by name without regard to letter case, added when there is
  // none yet; null when the panel cannot give one. The panel owns the node.
  virtual TGroupPanelNode* GetPublicGroupNode(const QString& groupName) = 0;

  // Whether the private group has a node under "Private Groups".
  virtual bool HasPrivateGroupNode(const QString& groupName) const = 0;
  // A private group is muted when it has no node or when the user muted it locally.
  virtual bool IsPrivateGroupMuted(const QString& groupName) const = 0;
  // Takes the private group's node out of the panel (and the group out of the message target).
  virtual void RemovePrivateGroup(const QString& groupName) = 0;
};

} // namespace tessra

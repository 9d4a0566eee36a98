#pragma once

#include <array>

#include <QCollator>
#include <QIcon>
#include <QTreeWidgetItem>

namespace tessra {

// The image list of the buddy and group trees. A node's picture is a position in this list:
// root 0, online buddy 3, offline buddy 4, listening group 7, muted group 8 (1, 2, 5 and 6 are
// not used and show the root picture). The pictures are drawn at start, clear on light and on
// dark backgrounds alike: every shape has a dark outline around a bright fill.
class TTreeIcons {
public:
  static constexpr int kRootIcon = 0;
  static constexpr int kOnlineIcon = 3;
  static constexpr int kOfflineIcon = 4;
  static constexpr int kListeningIcon = 7;
  static constexpr int kMutedIcon = 8;
  static constexpr int kIconCount = 9;

  // Where a node keeps its position in the image list.
  static constexpr int kImageIndexRole = Qt::UserRole + 1;

  // Needs a GUI application (the pictures are pixmaps).
  TTreeIcons();

  // The picture at a position; positions outside the list show the root picture.
  const QIcon& Icon(int index) const;

  // Gives the node the picture at a position, the same one for its selected state.
  void SetImageIndex(QTreeWidgetItem& node, int index) const;
  // The node's position in the image list; 0 for a node that never got one.
  static int ImageIndex(const QTreeWidgetItem& node);

private:
  std::array<QIcon, kIconCount> Icons;
};

// Puts the children of a node in order of their text by the collator (the locale's own rules,
// letter case significant). The current node of the tree stays current.
void SortNodeChildren(QTreeWidgetItem& parent, const QCollator& collator);

// The collator the trees sort with: the locale's order, letter case significant.
QCollator TreeCollator(const QLocale& locale);

} // namespace tessra

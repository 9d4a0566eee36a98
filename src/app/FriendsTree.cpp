#include "app/FriendsTree.h"

#include <memory>

#include <QMouseEvent>
#include <QTreeWidget>

#include "app/TreeIcons.h"
#include "display/ChatTextCodec.h"

namespace tessra {

namespace {

enum TBranch { kOnline = 0, kOffline = 1, kUnknown = 2, kIgnoring = 3 };

QString FromBytes(const TBytes& bytes) {
  return DecodeChatText(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

} // namespace

TFriendsTree::TFriendsTree(QTreeWidget& tree, const TTreeIcons& icons, const QLocale& locale)
    : View(tree), Icons(icons), Collator(TreeCollator(locale)) {
  View.clear();
  View.setColumnCount(1);
  View.setHeaderHidden(true);
  View.setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (const QString& text : {QStringLiteral("Online Friends"), QStringLiteral("Offline Friends"),
                              QStringLiteral("Unknown"), QStringLiteral("Ignoring")}) {
    auto* node = new QTreeWidgetItem(QStringList{text});
    Icons.SetImageIndex(*node, TTreeIcons::kRootIcon);
    View.addTopLevelItem(node);
  }
  View.viewport()->installEventFilter(this);
}

TFriendsTree::~TFriendsTree() = default;

QTreeWidgetItem* TFriendsTree::OnlineNode() const {
  return View.topLevelItem(kOnline);
}

QTreeWidgetItem* TFriendsTree::OfflineNode() const {
  return View.topLevelItem(kOffline);
}

QTreeWidgetItem* TFriendsTree::UnknownNode() const {
  return View.topLevelItem(kUnknown);
}

QTreeWidgetItem* TFriendsTree::IgnoringNode() const {
  return View.topLevelItem(kIgnoring);
}

void TFriendsTree::AddFriend(const QString& name, bool online, bool accepted) {
  QTreeWidgetItem* parent = !accepted ? UnknownNode() : online ? OnlineNode() : OfflineNode();
  auto* node = new QTreeWidgetItem(QStringList{name});
  Icons.SetImageIndex(*node, online ? TTreeIcons::kOnlineIcon : TTreeIcons::kOfflineIcon);
  parent->addChild(node);
  if (parent == OnlineNode() && ExpandOnline) {
    ExpandOnline = false;
    parent->setExpanded(true);
  } else if (parent == OfflineNode() && ExpandOffline) {
    ExpandOffline = false;
    parent->setExpanded(true);
  }
  SortNodeChildren(*parent, Collator);
}

void TFriendsTree::RemoveBuddyNode(const QString& name) {
  for (QTreeWidgetItem* branch : {OnlineNode(), OfflineNode(), UnknownNode()}) {
    for (int i = 0; i < branch->childCount(); ++i) {
      if (branch->child(i)->text(0) == name) {
        const std::unique_ptr<QTreeWidgetItem> gone(branch->takeChild(i));
        return;
      }
    }
  }
}

void TFriendsTree::ClearBuddyNodes() {
  const bool updates = View.updatesEnabled();
  View.setUpdatesEnabled(false);
  for (QTreeWidgetItem* branch : {OnlineNode(), OfflineNode(), UnknownNode()}) {
    qDeleteAll(branch->takeChildren());
  }
  View.setUpdatesEnabled(updates);
  ExpandOnline = true;
  ExpandOffline = false;
}

QStringList TFriendsTree::Children(TBuddyBranch branch) const {
  QStringList texts;
  if (const QTreeWidgetItem* node = View.topLevelItem(static_cast<int>(branch))) {
    for (int i = 0; i < node->childCount(); ++i) {
      texts.append(node->child(i)->text(0));
    }
  }
  return texts;
}

void TFriendsTree::RemoveChild(TBuddyBranch branch, int index) {
  QTreeWidgetItem* node = View.topLevelItem(static_cast<int>(branch));
  if (node != nullptr && index >= 0 && index < node->childCount()) {
    const std::unique_ptr<QTreeWidgetItem> gone(node->takeChild(index));
  }
}

void TFriendsTree::AppendIgnored(const QString& name) {
  IgnoringNode()->addChild(new QTreeWidgetItem(QStringList{name}));
}

void TFriendsTree::VeyraChatFriendAdd(TVeyraChat&, const TFriendInfo& friendInfo) {
  AddFriend(FromBytes(friendInfo.Name), friendInfo.Online, friendInfo.Accepted);
}

void TFriendsTree::VeyraChatFriendRemove(TVeyraChat&, const TFriendInfo& friendInfo) {
  RemoveBuddyNode(FromBytes(friendInfo.Name));
}

void TFriendsTree::VeyraChatFriendStatusChange(TVeyraChat&, const TFriendInfo& friendInfo) {
  const QString name = FromBytes(friendInfo.Name);
  RemoveBuddyNode(name);
  AddFriend(name, friendInfo.Online, friendInfo.Accepted);
}

bool TFriendsTree::FriendsTreeViewMouseDown(Qt::MouseButton button, const QPoint& pos,
                                            const QPoint& globalPos) {
  if (button != Qt::RightButton) {
    return false;
  }
  QTreeWidgetItem* node = View.itemAt(pos);
  if (node == nullptr) {
    return false;
  }
  View.setCurrentItem(node);
  QTreeWidgetItem* parent = node->parent();
  if (!OnPopup) {
    return true;
  }
  if (parent == nullptr) {
    if (node == IgnoringNode()) {
      OnPopup(*this, TBuddyMenu::Ignore, QString(), globalPos);
    }
    return true;
  }
  const QString name = node->text(0);
  if (parent == OnlineNode()) {
    OnPopup(*this, TBuddyMenu::Online, name, globalPos);
  } else if (parent == OfflineNode()) {
    OnPopup(*this, TBuddyMenu::Offline, name, globalPos);
  } else if (parent == UnknownNode()) {
    OnPopup(*this, TBuddyMenu::Unknown, name, globalPos);
  } else if (parent == IgnoringNode()) {
    OnPopup(*this, TBuddyMenu::Ignore, name, globalPos);
  }
  return true;
}

void TFriendsTree::FriendsTreeViewDblClick(const QPoint& pos) {
  QTreeWidgetItem* node = View.itemAt(pos);
  // Buddies are the only nodes with a picture above 2.
  if (node != nullptr && TTreeIcons::ImageIndex(*node) > 2 && QueryChar) {
    QueryChar(node->text(0));
  }
}

bool TFriendsTree::eventFilter(QObject* watched, QEvent* event) {
  if (watched == View.viewport()) {
    if (event->type() == QEvent::MouseButtonPress) {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      // A right press that opened a menu is not the tree's to handle as well: the release went
      // to the menu.
      if (FriendsTreeViewMouseDown(mouse->button(), mouse->position().toPoint(),
                                   mouse->globalPosition().toPoint())) {
        return true;
      }
    } else if (event->type() == QEvent::MouseButtonDblClick) {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton) {
        FriendsTreeViewDblClick(mouse->position().toPoint());
      }
    }
  }
  return QObject::eventFilter(watched, event);
}

} // namespace tessra

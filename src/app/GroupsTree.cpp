#include "app/GroupsTree.h"

#include <memory>

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTreeWidget>

#include "app/TreeIcons.h"
#include "common/Trace.h"
#include "display/ChatTextCodec.h"
#include "engine/VeyraChat.h"
#include "settings/Prompt.h"

namespace tessra {

namespace {

enum TBranch { kPublic = 0, kPrivate = 1 };

constexpr int kGroupNodeType = QTreeWidgetItem::UserType + 7;

TBytes ToBytes(const QString& text) {
  const QByteArray bytes = EncodeChatText(text);
  return TBytes(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString FromBytes(const TBytes& bytes) {
  return DecodeChatText(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

bool SameName(const QString& a, const QString& b) {
  return a.compare(b, Qt::CaseInsensitive) == 0;
}

TGroupNodeIcon IconOfIndex(int index) {
  switch (index) {
  case TTreeIcons::kListeningIcon:
    return TGroupNodeIcon::Listening;
  case TTreeIcons::kMutedIcon:
    return TGroupNodeIcon::Muted;
  default:
    return TGroupNodeIcon::None;
  }
}

// A node under "Public Groups" or "Private Groups": the tree owns it, the chat presenter reads
// and sets its picture through the panel's node interface.
class TGroupNode final : public QTreeWidgetItem, public TGroupPanelNode {
public:
  TGroupNode(const QString& text, const TTreeIcons& icons)
      : QTreeWidgetItem(QStringList{text}, kGroupNodeType), Icons(icons) {
    Icons.SetImageIndex(*this, TTreeIcons::kRootIcon);
  }

  QString Text() const override { return text(0); }
  TGroupNodeIcon Icon() const override { return IconOfIndex(TTreeIcons::ImageIndex(*this)); }
  void SetIcon(TGroupNodeIcon icon) override {
    switch (icon) {
    case TGroupNodeIcon::Listening:
      Icons.SetImageIndex(*this, TTreeIcons::kListeningIcon);
      break;
    case TGroupNodeIcon::Muted:
      Icons.SetImageIndex(*this, TTreeIcons::kMutedIcon);
      break;
    case TGroupNodeIcon::None:
      Icons.SetImageIndex(*this, TTreeIcons::kRootIcon);
      break;
    }
  }

private:
  const TTreeIcons& Icons;
};

} // namespace

TGroupsTree::TGroupsTree(QTreeWidget& tree, const TTreeIcons& icons, TVeyraChat& chat,
                         TPrompt& prompt, const QLocale& locale)
    : View(tree), Icons(icons), Chat(chat), Prompt(prompt), Collator(TreeCollator(locale)) {
  View.clear();
  View.setColumnCount(1);
  View.setHeaderHidden(true);
  View.setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (const QString& text : {QStringLiteral("Public Groups"), QStringLiteral("Private Groups")}) {
    auto* node = new QTreeWidgetItem(QStringList{text});
    Icons.SetImageIndex(*node, TTreeIcons::kRootIcon);
    View.addTopLevelItem(node);
  }
  View.viewport()->installEventFilter(this);
}

TGroupsTree::~TGroupsTree() = default;

QTreeWidgetItem* TGroupsTree::PublicNode() const {
  return View.topLevelItem(kPublic);
}

QTreeWidgetItem* TGroupsTree::PrivateNode() const {
  return View.topLevelItem(kPrivate);
}

QString TGroupsTree::OwnName() const {
  return CurrentChar ? CurrentChar() : QString();
}

void TGroupsTree::BeginGroupUpdate() {
  if (UpdateDepth++ == 0) {
    UpdatesWereEnabled = View.updatesEnabled();
    View.setUpdatesEnabled(false);
  }
}

void TGroupsTree::EndGroupUpdate() {
  if (UpdateDepth > 0 && --UpdateDepth == 0) {
    View.setUpdatesEnabled(UpdatesWereEnabled);
  }
}

QTreeWidgetItem* TGroupsTree::AddGroupNode(QTreeWidgetItem& parent, const QString& text) {
  auto* node = new TGroupNode(text, Icons);
  parent.addChild(node);
  return node;
}

void TGroupsTree::ExpandOnce(QTreeWidgetItem& parent) {
  bool& pending = &parent == PublicNode() ? ExpandPublic : ExpandPrivate;
  if (pending) {
    pending = false;
    parent.setExpanded(true);
  }
}

TGroupPanelNode* TGroupsTree::GetPublicGroupNode(const QString& groupName) {
  QTreeWidgetItem* groups = PublicNode();
  for (int i = 0; i < groups->childCount(); ++i) {
    if (SameName(groups->child(i)->text(0), groupName)) {
      return dynamic_cast<TGroupNode*>(groups->child(i));
    }
  }
  QTreeWidgetItem* node = AddGroupNode(*groups, groupName);
  if (MutedChannels) {
    const QStringList muted = MutedChannels();
    if (muted.contains(groupName, Qt::CaseInsensitive)) {
      MuteGroup(groupName);
    }
  }
  SortNodeChildren(*groups, Collator);
  ExpandOnce(*groups);
  return dynamic_cast<TGroupNode*>(node);
}

QTreeWidgetItem* TGroupsTree::FindPrivateNode(const QString& groupName) const {
  QTreeWidgetItem* groups = PrivateNode();
  for (int i = 0; i < groups->childCount(); ++i) {
    if (SameName(groups->child(i)->text(0), groupName)) {
      return groups->child(i);
    }
  }
  return nullptr;
}

QTreeWidgetItem* TGroupsTree::GetPrivateNode(const QString& groupName) {
  TraceApp(QStringLiteral("GetPrivateNode \"") + groupName + QLatin1Char('"'));
  QTreeWidgetItem* groups = PrivateNode();
  for (int i = 0; i < groups->childCount(); ++i) {
    QTreeWidgetItem* node = groups->child(i);
    TraceApp(QStringLiteral("compare to \"") + node->text(0) + QLatin1Char('"'));
    if (SameName(node->text(0), groupName)) {
      return node;
    }
  }
  QTreeWidgetItem* node = AddGroupNode(*groups, groupName);
  TraceApp(QStringLiteral("new group added ") + groupName);
  Icons.SetImageIndex(*node, TTreeIcons::kListeningIcon);
  SortNodeChildren(*groups, Collator);
  ExpandOnce(*groups);
  return node;
}

bool TGroupsTree::HasPrivateGroupNode(const QString& groupName) const {
  return FindPrivateNode(groupName) != nullptr;
}

bool TGroupsTree::IsPrivateGroupMuted(const QString& groupName) const {
  const QTreeWidgetItem* node = FindPrivateNode(groupName);
  return node == nullptr || TTreeIcons::ImageIndex(*node) != TTreeIcons::kListeningIcon;
}

void TGroupsTree::RemovePrivateGroup(const QString& groupName) {
  QTreeWidgetItem* groups = PrivateNode();
  while (QTreeWidgetItem* node = FindPrivateNode(groupName)) {
    const std::unique_ptr<QTreeWidgetItem> gone(groups->takeChild(groups->indexOfChild(node)));
  }
  if (IsPrivateTarget && IsPrivateTarget(groupName) && ClearTarget) {
    ClearTarget();
  }
}

void TGroupsTree::MuteGroup(const QString& groupName) {
  const int index = Chat.GroupList().IndexOf(ToBytes(groupName));
  if (index >= 0 && !Chat.GroupList().GetGroup(index).Muted) {
    Chat.IgnoreGroup(index);
  }
}

void TGroupsTree::ListenGroup(const QString& groupName) {
  const int index = Chat.GroupList().IndexOf(ToBytes(groupName));
  if (index >= 0 && Chat.GroupList().GetGroup(index).Muted) {
    Chat.UnignoreGroup(index);
  }
}

void TGroupsTree::MutePrivateGroup(const QString& groupName) {
  if (QTreeWidgetItem* node = FindPrivateNode(groupName)) {
    Icons.SetImageIndex(*node, TTreeIcons::kMutedIcon);
  }
}

void TGroupsTree::ListenPrivateGroup(const QString& groupName) {
  if (QTreeWidgetItem* node = FindPrivateNode(groupName)) {
    Icons.SetImageIndex(*node, TTreeIcons::kListeningIcon);
  }
}

void TGroupsTree::LeavePrivateGroup(const QString& groupName) {
  const QString own = OwnName();
  Chat.PrivateGroupLeave(ToBytes(groupName));
  if (SameName(groupName, own)) {
    Chat.PrivateGroupKickAll();
  }
  RemovePrivateGroup(groupName);
  if (AddPrivateLeaveLine) {
    AddPrivateLeaveLine(groupName, own);
  }
}

void TGroupsTree::ClearGroupNodes() {
  QTreeWidgetItem* publicGroups = PublicNode();
  // With no public group shown nothing is known about their mutes (the tree was emptied
  // already, or the character never got its groups); saving then would wipe the stored list.
  if (publicGroups->childCount() > 0 && SaveMutedChannels) {
    QStringList muted;
    for (int i = 0; i < publicGroups->childCount(); ++i) {
      if (TTreeIcons::ImageIndex(*publicGroups->child(i)) == TTreeIcons::kMutedIcon) {
        muted.append(publicGroups->child(i)->text(0));
      }
    }
    SaveMutedChannels(muted);
  }
  BeginGroupUpdate();
  qDeleteAll(publicGroups->takeChildren());
  qDeleteAll(PrivateNode()->takeChildren());
  EndGroupUpdate();
  ExpandPublic = true;
  ExpandPrivate = true;
}

TGroupNodeIcon TGroupsTree::NodeIcon(const QTreeWidgetItem& node) {
  return IconOfIndex(TTreeIcons::ImageIndex(node));
}

void TGroupsTree::VeyraChatPrivateGroupInvite(TVeyraChat&, const TBytes& groupName) {
  const QString name = FromBytes(groupName);
  const QString question = QStringLiteral("You have been invited to join the private chat group ") +
                           QStringLiteral("\r\n") + name +
                           QStringLiteral(".  Would you like to join?");
  if (Prompt.Question(View.window(), question)) {
    Chat.PrivateGroupJoin(groupName);
    GetPrivateNode(name);
  } else {
    // Leaving a group one has only been invited to turns the invitation down.
    Chat.PrivateGroupLeave(groupName);
  }
}

bool TGroupsTree::GroupsTreeViewMouseDown(Qt::MouseButton button, const QPoint& pos,
                                          const QPoint& globalPos) {
  if (button != Qt::RightButton) {
    return false;
  }
  QTreeWidgetItem* node = View.itemAt(pos);
  if (node == nullptr) {
    return false;
  }
  View.setCurrentItem(node);
  if (OnPopup) {
    if (node->parent() == PublicNode()) {
      OnPopup(*this, TGroupMenu::Public, node->text(0), globalPos);
    } else if (node->parent() == PrivateNode()) {
      OnPopup(*this, TGroupMenu::Private, node->text(0), globalPos);
    }
  }
  return true;
}

void TGroupsTree::GroupsTreeViewMouseUp(Qt::MouseButton, const QPoint& pos) {
  QTreeWidgetItem* hit = View.itemAt(pos);
  if (hit == nullptr || !IconRect(*hit).contains(pos)) {
    return;
  }
  QTreeWidgetItem* selected = View.currentItem();
  if (selected == nullptr || !selected->isSelected()) {
    const QList<QTreeWidgetItem*> items = View.selectedItems();
    selected = items.isEmpty() ? nullptr : items.first();
  }
  if (selected == nullptr) {
    return;
  }
  QTreeWidgetItem* parent = selected->parent();
  const bool isPublic = parent == PublicNode();
  if (!isPublic && parent != PrivateNode()) {
    return;
  }
  const QString name = selected->text(0);
  // The picture changes at once; the server's confirmation of a public mute then finds it
  // already showing and writes no line about it.
  switch (TTreeIcons::ImageIndex(*selected)) {
  case TTreeIcons::kListeningIcon:
    Icons.SetImageIndex(*selected, TTreeIcons::kMutedIcon);
    if (isPublic) {
      MuteGroup(name);
    } else {
      MutePrivateGroup(name);
    }
    break;
  case TTreeIcons::kMutedIcon:
    Icons.SetImageIndex(*selected, TTreeIcons::kListeningIcon);
    if (isPublic) {
      ListenGroup(name);
    } else {
      ListenPrivateGroup(name);
    }
    break;
  default:
    break;
  }
}

void TGroupsTree::GroupsTreeViewDblClick(const QPoint& pos) {
  QTreeWidgetItem* node = View.itemAt(pos);
  if (node == nullptr || node->parent() == nullptr) {
    return;
  }
  const QString name = node->text(0);
  if (node->parent() == PublicNode()) {
    if (QueryPublic) {
      QueryPublic(name);
    }
  } else if (node->parent() == PrivateNode()) {
    if (QueryPrivate) {
      QueryPrivate(name);
    }
  }
}

QRect TGroupsTree::IconRect(const QTreeWidgetItem& node) const {
  const QRect itemRect = View.visualItemRect(&node);
  if (!itemRect.isValid()) {
    return QRect();
  }
  // The same option the item delegate paints the node with, so that the hit test follows
  // the style's own layout of picture and text.
  QStyle* style = View.style();
  QStyleOptionViewItem option;
  option.initFrom(View.viewport());
  option.widget = &View;
  option.rect = itemRect;
  option.font = node.font(0);
  option.fontMetrics = QFontMetrics(option.font);
  option.text = node.text(0);
  option.icon = node.icon(0);
  option.features = QStyleOptionViewItem::HasDisplay;
  if (!option.icon.isNull()) {
    option.features |= QStyleOptionViewItem::HasDecoration;
  }
  const int small = style->pixelMetric(QStyle::PM_SmallIconSize, nullptr, &View);
  const QSize iconSize = View.iconSize().isValid() ? View.iconSize() : QSize(small, small);
  option.decorationSize = option.icon.isNull() ? QSize() : option.icon.actualSize(iconSize);
  option.decorationPosition = QStyleOptionViewItem::Left;
  option.decorationAlignment = Qt::AlignCenter;
  option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
  option.showDecorationSelected =
      style->styleHint(QStyle::SH_ItemView_ShowDecorationSelected, nullptr, &View) != 0;
  return style->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, &View);
}

bool TGroupsTree::eventFilter(QObject* watched, QEvent* event) {
  if (watched == View.viewport()) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (GroupsTreeViewMouseDown(mouse->button(), mouse->position().toPoint(),
                                  mouse->globalPosition().toPoint())) {
        return true;
      }
      break;
    }
    case QEvent::MouseButtonRelease: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      GroupsTreeViewMouseUp(mouse->button(), mouse->position().toPoint());
      break;
    }
    case QEvent::MouseButtonDblClick: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() == Qt::LeftButton) {
        GroupsTreeViewDblClick(mouse->position().toPoint());
      }
      break;
    }
    default:
      break;
    }
  }
  return QObject::eventFilter(watched, event);
}

} // namespace tessra

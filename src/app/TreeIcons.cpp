#include "app/TreeIcons.h"

#include <algorithm>
#include <functional>
#include <vector>

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTreeWidget>

namespace tessra {

namespace {

// Each picture is drawn on a 16 by 16 grid and rendered at 16 and 32 pixels, so that it stays
// sharp on screens with twice the pixel density.
using TPaint = std::function<void(QPainter&)>;

QIcon Render(const TPaint& paint) {
  QIcon icon;
  for (const int size : {16, 32}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    {
      QPainter painter(&pixmap);
      painter.setRenderHint(QPainter::Antialiasing);
      painter.scale(size / 16.0, size / 16.0);
      paint(painter);
    }
    icon.addPixmap(pixmap, QIcon::Normal);
    icon.addPixmap(pixmap, QIcon::Selected);
  }
  return icon;
}

QPen Outline(const QColor& color) {
  QPen pen(color, 1.0);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

// A folder: the top-level nodes.
void PaintRoot(QPainter& p) {
  QPainterPath path;
  path.moveTo(1.5, 3.5);
  path.lineTo(6.0, 3.5);
  path.lineTo(7.5, 5.0);
  path.lineTo(14.5, 5.0);
  path.lineTo(14.5, 13.5);
  path.lineTo(1.5, 13.5);
  path.closeSubpath();
  p.setPen(Outline(QColor(0x5A, 0x40, 0x00)));
  p.setBrush(QColor(0xF0, 0xBE, 0x40));
  p.drawPath(path);
  p.setPen(Outline(QColor(0xFF, 0xE6, 0xA0)));
  p.drawLine(QPointF(2.5, 6.5), QPointF(13.5, 6.5));
}

// A head and shoulders, in the colours of a buddy's state.
void PaintPerson(QPainter& p, const QColor& fill, const QColor& line) {
  p.setPen(Outline(line));
  p.setBrush(fill);
  QPainterPath body;
  body.moveTo(2.5, 14.5);
  body.cubicTo(2.5, 9.5, 13.5, 9.5, 13.5, 14.5);
  body.closeSubpath();
  p.drawPath(body);
  p.drawEllipse(QPointF(8.0, 5.5), 3.2, 3.2);
}

void PaintOnline(QPainter& p) {
  PaintPerson(p, QColor(0x3D, 0xC0, 0x4A), QColor(0x0F, 0x4A, 0x16));
}

void PaintOffline(QPainter& p) {
  PaintPerson(p, QColor(0xA8, 0xA8, 0xA8), QColor(0x38, 0x38, 0x38));
}

QPainterPath Bubble() {
  QPainterPath path;
  path.addRoundedRect(QRectF(1.5, 2.0, 13.0, 9.0), 3.0, 3.0);
  QPainterPath tail;
  tail.moveTo(4.0, 10.0);
  tail.lineTo(3.5, 14.5);
  tail.lineTo(8.0, 10.0);
  tail.closeSubpath();
  return path.united(tail);
}

// A speech bubble: a group that is heard.
void PaintListening(QPainter& p) {
  p.setPen(Outline(QColor(0x0C, 0x34, 0x66)));
  p.setBrush(QColor(0x40, 0x90, 0xE0));
  p.drawPath(Bubble());
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  for (const double x : {5.0, 8.0, 11.0}) {
    p.drawEllipse(QPointF(x, 6.5), 1.1, 1.1);
  }
}

// A grey speech bubble struck through in red: a muted group.
void PaintMuted(QPainter& p) {
  p.setPen(Outline(QColor(0x40, 0x40, 0x40)));
  p.setBrush(QColor(0xB4, 0xB4, 0xB4));
  p.drawPath(Bubble());
  QPen dark(QColor(0x50, 0x00, 0x00), 3.2);
  dark.setCapStyle(Qt::RoundCap);
  p.setPen(dark);
  p.drawLine(QPointF(3.0, 13.0), QPointF(13.0, 3.0));
  QPen red(QColor(0xE0, 0x20, 0x20), 1.8);
  red.setCapStyle(Qt::RoundCap);
  p.setPen(red);
  p.drawLine(QPointF(3.0, 13.0), QPointF(13.0, 3.0));
}

} // namespace

TTreeIcons::TTreeIcons() {
  const QIcon root = Render(PaintRoot);
  Icons.fill(root);
  Icons[kOnlineIcon] = Render(PaintOnline);
  Icons[kOfflineIcon] = Render(PaintOffline);
  Icons[kListeningIcon] = Render(PaintListening);
  Icons[kMutedIcon] = Render(PaintMuted);
}

const QIcon& TTreeIcons::Icon(int index) const {
  if (index < 0 || index >= kIconCount) {
    return Icons[kRootIcon];
  }
  return Icons[static_cast<size_t>(index)];
}

void TTreeIcons::SetImageIndex(QTreeWidgetItem& node, int index) const {
  node.setData(0, kImageIndexRole, index);
  node.setIcon(0, Icon(index));
}

int TTreeIcons::ImageIndex(const QTreeWidgetItem& node) {
  return node.data(0, kImageIndexRole).toInt();
}

void SortNodeChildren(QTreeWidgetItem& parent, const QCollator& collator) {
  if (parent.childCount() < 2) {
    return;
  }
  QTreeWidget* tree = parent.treeWidget();
  QTreeWidgetItem* current = tree != nullptr ? tree->currentItem() : nullptr;
  const QList<QTreeWidgetItem*> taken = parent.takeChildren();
  std::vector<QTreeWidgetItem*> children(taken.begin(), taken.end());
  std::stable_sort(children.begin(), children.end(),
                   [&collator](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
                     return collator.compare(a->text(0), b->text(0)) < 0;
                   });
  parent.addChildren(QList<QTreeWidgetItem*>(children.begin(), children.end()));
  if (tree != nullptr && current != nullptr && tree->currentItem() != current) {
    tree->setCurrentItem(current);
  }
}

QCollator TreeCollator(const QLocale& locale) {
  QCollator collator(locale);
  collator.setCaseSensitivity(Qt::CaseSensitive);
  collator.setNumericMode(false);
  collator.setIgnorePunctuation(false);
  return collator;
}

} // namespace tessra

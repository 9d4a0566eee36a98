#include "display/ColorPalette.h"

#include <algorithm>
#include <utility>

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace tessra {

TColorPalette::TColorPalette(int columns, int rows, std::vector<QColor> colors,
                             std::vector<QString> names, QWidget* parent)
    : QWidget(parent), Columns(std::max(columns, 1)), Rows(std::max(rows, 1)),
      Colors(std::move(colors)), Names(std::move(names)) {
  Colors.resize(std::min(Colors.size(), std::size_t(Columns * Rows)));
  setMouseTracking(true);
  setFixedSize(sizeHint());
}

QColor TColorPalette::ColorAt(int index) const {
  return index >= 0 && index < Count() ? Colors[std::size_t(index)] : QColor();
}

void TColorPalette::SetColors(std::vector<QColor> colors) {
  Colors = std::move(colors);
  Colors.resize(std::min(Colors.size(), std::size_t(Columns * Rows)));
  if (SelectedCell >= Count()) {
    SelectedCell = -1;
  }
  update();
}

void TColorPalette::SetSelection(int index) {
  const int selection = index >= 0 && index < Count() ? index : -1;
  if (selection != SelectedCell) {
    SelectedCell = selection;
    update();
  }
}

int TColorPalette::CellAt(QPoint point) const {
  if (point.x() < 0 || point.y() < 0) {
    return -1;
  }
  const int column = point.x() / kCellSize;
  const int row = point.y() / kCellSize;
  if (column >= Columns || row >= Rows) {
    return -1;
  }
  const int index = row * Columns + column;
  return index < Count() ? index : -1;
}

QRect TColorPalette::CellRect(int index) const {
  return QRect((index % Columns) * kCellSize, (index / Columns) * kCellSize, kCellSize, kCellSize);
}

QSize TColorPalette::sizeHint() const {
  return QSize(Columns * kCellSize, Rows * kCellSize);
}

bool TColorPalette::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    const int index = CellAt(help->pos());
    if (index >= 0 && std::size_t(index) < Names.size()) {
      QToolTip::showText(help->globalPos(), Names[std::size_t(index)], this, CellRect(index));
    } else {
      QToolTip::hideText();
      event->ignore();
    }
    return true;
  }
  return QWidget::event(event);
}

void TColorPalette::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  for (int i = 0; i < Count(); ++i) {
    const QRect cell = CellRect(i);
    if (i == SelectedCell || i == HotCell) {
      painter.setPen(i == SelectedCell ? palette().color(QPalette::Highlight)
                                       : palette().color(QPalette::Mid));
      painter.setBrush(Qt::NoBrush);
      painter.drawRect(cell.adjusted(0, 0, -1, -1));
    }
    painter.setPen(palette().color(QPalette::Dark));
    painter.setBrush(Colors[std::size_t(i)]);
    painter.drawRect(cell.adjusted(2, 2, -3, -3));
  }
}

void TColorPalette::mouseMoveEvent(QMouseEvent* event) {
  const int hot = CellAt(event->position().toPoint());
  if (hot != HotCell) {
    HotCell = hot;
    update();
  }
}

void TColorPalette::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    return;
  }
  const int index = CellAt(event->position().toPoint());
  if (index >= 0 && OnCellClicked) {
    OnCellClicked(*this, index);
  }
}

void TColorPalette::leaveEvent(QEvent*) {
  if (HotCell != -1) {
    HotCell = -1;
    update();
  }
}

} // namespace tessra

#include "display/EmoticonPicker.h"

#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTextEdit>
#include <QToolTip>

#include "display/ChatConsoleImageList.h"
#include "display/Emoticons.h"

namespace tessra {

TEmoticonPicker::TEmoticonPicker(const TChatConsoleImageList* images, QWidget* parent)
    : QWidget(parent) {
  if (images == nullptr) {
    OwnImages = TChatConsoleImageList::CreateEmoticonList();
    images = OwnImages.get();
  }
  Images = images;
  setMouseTracking(true);
  setFixedSize(sizeHint());
}

TEmoticonPicker::~TEmoticonPicker() = default;

void TEmoticonPicker::SetInput(QTextEdit* input) {
  Input = input;
}

int TEmoticonPicker::CellAt(QPoint point) const {
  if (point.x() < 0 || point.y() < 0) {
    return -1;
  }
  const int column = point.x() / kCellSize;
  const int row = point.y() / kCellSize;
  if (column >= kColumns || row >= kRows) {
    return -1;
  }
  return row * kColumns + column;
}

QRect TEmoticonPicker::CellRect(int picture) const {
  return QRect((picture % kColumns) * kCellSize, (picture / kColumns) * kCellSize, kCellSize,
               kCellSize);
}

void TEmoticonPicker::Choose(int picture) {
  const QString code = FirstEmoticonCode(picture);
  if (code.isEmpty()) {
    return;
  }
  if (Input) {
    Input->textCursor().insertText(code);
  }
  if (OnEmoticonChosen) {
    OnEmoticonChosen(*this, picture, code);
  }
  if (auto* menu = qobject_cast<QMenu*>(parentWidget())) {
    menu->close();
  }
}

QSize TEmoticonPicker::sizeHint() const {
  return QSize(kColumns * kCellSize, kRows * kCellSize);
}

bool TEmoticonPicker::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    const int picture = CellAt(help->pos());
    if (picture >= 0) {
      QToolTip::showText(help->globalPos(), FirstEmoticonCode(picture), this, CellRect(picture));
    } else {
      QToolTip::hideText();
      event->ignore();
    }
    return true;
  }
  return QWidget::event(event);
}

void TEmoticonPicker::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  for (int picture = 0; picture < kColumns * kRows; ++picture) {
    const QRect cell = CellRect(picture);
    if (picture == HotCell) {
      painter.fillRect(cell, palette().color(QPalette::Highlight));
    }
    if (Images != nullptr) {
      const QSize size = Images->Size();
      Images->Draw(painter,
                   cell.topLeft() +
                       QPoint((kCellSize - size.width()) / 2, (kCellSize - size.height()) / 2),
                   picture);
    }
  }
}

void TEmoticonPicker::mouseMoveEvent(QMouseEvent* event) {
  const int hot = CellAt(event->position().toPoint());
  if (hot != HotCell) {
    HotCell = hot;
    update();
  }
}

void TEmoticonPicker::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    Choose(CellAt(event->position().toPoint()));
  }
}

void TEmoticonPicker::leaveEvent(QEvent*) {
  if (HotCell != -1) {
    HotCell = -1;
    update();
  }
}

} // namespace tessra

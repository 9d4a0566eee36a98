#pragma once

#include <functional>
#include <memory>

#include <QPointer>
#include <QString>
#include <QWidget>

class QTextEdit;

namespace tessra {

class TChatConsoleImageList;

// The emoticon picker of the input line: 4 columns by 3 rows of 19 x 19 cells, cell (column,
// row) showing picture row * 4 + column. Clicking a cell inserts the picture's first code at the
// input line's caret. Placed in a menu (through a widget action), it closes the menu after a
// choice.
class TEmoticonPicker : public QWidget {
  Q_OBJECT

public:
  static constexpr int kColumns = 4;
  static constexpr int kRows = 3;
  static constexpr int kCellSize = 19;

  // `images` are the console's emoticon pictures and must outlive the picker; without them the
  // picker loads its own.
  explicit TEmoticonPicker(const TChatConsoleImageList* images = nullptr,
                           QWidget* parent = nullptr);
  ~TEmoticonPicker() override;

  // The input line codes are inserted into; the picker does not own it.
  void SetInput(QTextEdit* input);

  // The picture in the cell under a point, or -1.
  int CellAt(QPoint point) const;
  QRect CellRect(int picture) const;

  // Inserts the first code of the picture at the caret and raises OnEmoticonChosen; a number
  // outside 0..11 does nothing.
  void Choose(int picture);

  QSize sizeHint() const override;

  std::function<void(TEmoticonPicker&, int picture, const QString& code)> OnEmoticonChosen;

protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

private:
  std::unique_ptr<TChatConsoleImageList> OwnImages;
  const TChatConsoleImageList* Images;
  QPointer<QTextEdit> Input;
  int HotCell = -1;
};

} // namespace tessra

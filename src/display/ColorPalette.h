#pragma once

#include <functional>
#include <vector>

#include <QColor>
#include <QString>
#include <QWidget>

namespace tessra {

// A grid of colour cells, as the colour menu shows its palettes. Cells are filled row by row;
// a grid may have fewer colours than cells. The palette shows a selection but does not keep it
// by itself: the colour menu sets it.
class TColorPalette : public QWidget {
  Q_OBJECT

public:
  static constexpr int kCellSize = 18; // a 14 x 14 swatch and its frame

  TColorPalette(int columns, int rows, std::vector<QColor> colors, std::vector<QString> names,
                QWidget* parent = nullptr);

  int Count() const { return int(Colors.size()); }
  QColor ColorAt(int index) const;
  void SetColors(std::vector<QColor> colors);

  int Selection() const { return SelectedCell; }
  void SetSelection(int index);

  // The cell under a point of the widget, or -1.
  int CellAt(QPoint point) const;
  QRect CellRect(int index) const;

  QSize sizeHint() const override;

  // A cell was clicked.
  std::function<void(TColorPalette&, int index)> OnCellClicked;

protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

private:
  int Columns;
  int Rows;
  std::vector<QColor> Colors;
  std::vector<QString> Names;
  int SelectedCell = -1;
  int HotCell = -1;
};

} // namespace tessra

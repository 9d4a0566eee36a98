#pragma once

#include <memory>
#include <vector>

#include <QImage>
#include <QObject>
#include <QSize>

class QPainter;

namespace tessra {

// A list of same-sized pictures, drawn by number (the console's IMG elements). Each picture may
// come in several resolutions; drawing picks the one that suits the device pixel ratio of the
// painter, so the pictures stay crisp on high-density screens. Sizes are device-independent.
class TChatConsoleImageList : public QObject {
  Q_OBJECT

public:
  explicit TChatConsoleImageList(QSize size, QObject* parent = nullptr);

  QSize Size() const { return PictureSize; }
  int Count() const { return static_cast<int>(Pictures.size()); }

  // Adds one picture; `versions` are the same picture at 1x, 2x, ... of Size (at least one).
  // Returns its number.
  int Add(std::vector<QImage> versions);

  // Draws picture `index` with its top left corner at `topLeft`; a number outside the list
  // draws nothing.
  void Draw(QPainter& painter, QPoint topLeft, int index) const;

  // The twelve emoticon pictures (19 x 19) in the order of the emoticon codes: smile, grin,
  // wink, tongue, cool, surprised, sad, confused, embarrassed, crying, indifferent, angry.
  static std::unique_ptr<TChatConsoleImageList> CreateEmoticonList(QObject* parent = nullptr);

private:
  QSize PictureSize;
  std::vector<std::vector<QImage>> Pictures;
};

} // namespace tessra

#include "display/ChatConsoleImageList.h"

#include <cmath>

#include <QPaintDevice>
#include <QPainter>

namespace tessra {

TChatConsoleImageList::TChatConsoleImageList(QSize size, QObject* parent)
    : QObject(parent), PictureSize(size) {}

int TChatConsoleImageList::Add(std::vector<QImage> versions) {
  for (QImage& version : versions) {
    const qreal ratio =
        PictureSize.width() > 0 ? qreal(version.width()) / qreal(PictureSize.width()) : 1.0;
    version.setDevicePixelRatio(ratio > 0 ? ratio : 1.0);
  }
  Pictures.push_back(std::move(versions));
  return Count() - 1;
}

void TChatConsoleImageList::Draw(QPainter& painter, QPoint topLeft, int index) const {
  if (index < 0 || index >= Count() || Pictures[std::size_t(index)].empty()) {
    return;
  }
  // The scale the picture ends up at on the device, transformations included.
  qreal scale = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
  const QTransform& transform = painter.worldTransform();
  scale *= std::sqrt(std::abs(transform.determinant()));

  // The smallest version at least as dense as the device, else the densest there is.
  const std::vector<QImage>& versions = Pictures[std::size_t(index)];
  const QImage* best = nullptr;
  const QImage* densest = &versions.front();
  for (const QImage& version : versions) {
    const qreal ratio = version.devicePixelRatio();
    if (ratio > densest->devicePixelRatio()) {
      densest = &version;
    }
    if (ratio >= scale - 0.01 && (best == nullptr || ratio < best->devicePixelRatio())) {
      best = &version;
    }
  }
  if (best == nullptr) {
    best = densest;
  }
  const QRect target(topLeft, PictureSize);
  const bool exact = std::abs(best->devicePixelRatio() - scale) < 0.01;
  const bool smooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
  if (!exact) {
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  }
  painter.drawImage(target, *best);
  if (!exact) {
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
  }
}

std::unique_ptr<TChatConsoleImageList> TChatConsoleImageList::CreateEmoticonList(QObject* parent) {
  static const char* const kNames[] = {
      "00-smile", "01-grin",     "02-wink",        "03-tongue", "04-cool",        "05-surprised",
      "06-sad",   "07-confused", "08-embarrassed", "09-crying", "10-indifferent", "11-angry"};
  auto list = std::make_unique<TChatConsoleImageList>(QSize(19, 19), parent);
  for (const char* name : kNames) {
    std::vector<QImage> versions;
    for (const char* suffix : {"", "@2x", "@3x"}) {
      QImage image(
          QStringLiteral(":/emoticons/%1%2.png").arg(QLatin1String(name), QLatin1String(suffix)));
      if (!image.isNull()) {
        versions.push_back(std::move(image));
      }
    }
    if (versions.empty()) {
      // A build without the pictures still keeps the numbering of the rest.
      QImage blank(19, 19, QImage::Format_ARGB32_Premultiplied);
      blank.fill(Qt::transparent);
      versions.push_back(std::move(blank));
    }
    list->Add(std::move(versions));
  }
  return list;
}

} // namespace tessra

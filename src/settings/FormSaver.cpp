#include "FormSaver.h"

#include <limits>

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>

#include "common/ChatException.h"

namespace tessra {

TFormSaver::TFormSaver(QWidget* owner, TRegistry& registry, QString path)
    : QObject(owner), Path(std::move(path)), Owner(owner), Registry(registry) {
  if (owner == nullptr || !owner->isWindow()) {
    throw TChatException("The placement saver needs a window as its owner");
  }
  owner->installEventFilter(this);
}

QString TFormSaver::KeyPath() const {
  QString path = Path;
  if (!path.endsWith(QLatin1Char('\\'))) {
    path += QLatin1Char('\\');
  }
  return path + Key;
}

QRect TFormSaver::ClampToWorkArea(const QRect& bounds, const QRect& workArea) {
  int top = bounds.top();
  int left = bounds.left();
  int height = bounds.height();
  int width = bounds.width();
  const int areaTop = workArea.top();
  const int areaLeft = workArea.left();
  const int areaBottom = workArea.top() + workArea.height();
  const int areaRight = workArea.left() + workArea.width();
  if (top < areaTop) {
    top = areaTop;
  }
  if (left < areaLeft) {
    left = areaLeft;
  }
  if (top + height > areaBottom) {
    top = areaBottom - height;
  }
  if (top < areaTop) {
    top = areaTop;
    height = workArea.height();
  }
  if (left + width > areaRight) {
    left = areaRight - width;
  }
  if (left < areaLeft) {
    left = areaLeft;
    width = workArea.width();
  }
  return QRect(left, top, width, height);
}

QRect TFormSaver::NearestWorkArea(const QRect& bounds) {
  const QScreen* best = nullptr;
  long long bestArea = 0;
  long long bestDistance = std::numeric_limits<long long>::max();
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect geometry = screen->geometry();
    const QRect common = geometry.intersected(bounds);
    const long long area = common.isEmpty() ? 0 : 1LL * common.width() * common.height();
    const QPoint delta = geometry.center() - bounds.center();
    const long long distance = 1LL * delta.x() * delta.x() + 1LL * delta.y() * delta.y();
    if (area > bestArea || (bestArea == 0 && area == 0 && distance < bestDistance)) {
      best = screen;
      bestArea = area;
      bestDistance = distance;
    }
  }
  if (best == nullptr) {
    best = QGuiApplication::primaryScreen();
  }
  return best != nullptr ? best->availableGeometry() : bounds;
}

void TFormSaver::LoadPlacement() {
  Loaded = true;
  bool maximized = DefaultMaximized;
  QRect normal = Owner->isMaximized() ? Owner->normalGeometry() : Owner->geometry();
  if (auto key = Registry.OpenKey(KeyPath(), false)) {
    const int top = key->ReadInteger(QStringLiteral("Top"), normal.top());
    const int left = key->ReadInteger(QStringLiteral("Left"), normal.left());
    const int height = key->ReadInteger(QStringLiteral("Height"), normal.height());
    const int width = key->ReadInteger(QStringLiteral("Width"), normal.width());
    maximized = key->ReadBool(QStringLiteral("Maximized"), maximized);
    // Hand-edited sizes must not make a window of no size at all.
    normal =
        QRect(left, top, width > 0 ? width : normal.width(), height > 0 ? height : normal.height());
  }
  if (KeepOnScreen) {
    // The frame, where the platform already knows it, has to fit as well.
    const QRect frame = Owner->frameGeometry();
    const QRect client = Owner->geometry();
    const QMargins margins(client.left() - frame.left(), client.top() - frame.top(),
                           frame.right() - client.right(), frame.bottom() - client.bottom());
    const QRect outer = normal.marginsAdded(margins);
    normal = ClampToWorkArea(outer, NearestWorkArea(outer)).marginsRemoved(margins);
  }
  const bool updates = Owner->updatesEnabled();
  Owner->setUpdatesEnabled(false);
  if (Owner->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)) {
    Owner->setWindowState(Owner->windowState() &
                          ~(Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
  }
  // The normal bounds go first, so the window maximizes on the screen they are
  // on and returns to them when restored.
  Owner->setGeometry(normal);
  if (maximized) {
    Owner->setWindowState(Owner->windowState() | Qt::WindowMaximized);
  }
  Owner->setUpdatesEnabled(updates);
}

void TFormSaver::SavePlacement() {
  const bool maximized = Owner->isMaximized();
  const QRect normal = maximized ? Owner->normalGeometry() : Owner->geometry();
  auto key = Registry.OpenKey(KeyPath(), true);
  if (!key) {
    return;
  }
  key->WriteInteger(QStringLiteral("Top"), normal.top());
  key->WriteInteger(QStringLiteral("Left"), normal.left());
  key->WriteInteger(QStringLiteral("Height"), normal.height());
  key->WriteInteger(QStringLiteral("Width"), normal.width());
  key->WriteBool(QStringLiteral("Maximized"), maximized);
}

bool TFormSaver::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Owner && Automatic) {
    if (event->type() == QEvent::Show && !Loaded) {
      LoadPlacement();
    } else if (event->type() == QEvent::Close) {
      SavePlacement();
    }
  }
  return QObject::eventFilter(watched, event);
}

} // namespace tessra

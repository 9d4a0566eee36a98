#pragma once

#include <QObject>
#include <QRect>
#include <QString>
#include <QWidget>

#include "Registry.h"

namespace tessra {

// Keeps a window's placement in the store: Top, Left, Height, Width (the
// normal, not maximized, bounds) and Maximized under Path + "\\" + Key.
// With Automatic set it restores the placement when the window is first shown
// and saves it when the window is closed; LoadPlacement and SavePlacement can
// also be called directly. The store must outlive the saver.
class TFormSaver : public QObject {
public:
  // owner must be a top-level window; the saver becomes its child.
  TFormSaver(QWidget* owner, TRegistry& registry, QString path);

  bool Automatic = true;
  bool DefaultMaximized = true;
  bool KeepOnScreen = true;
  QString Path;
  QString Key = QStringLiteral("Position");

  QString KeyPath() const;
  void LoadPlacement();
  void SavePlacement();

  // Moves and, when it is taller or wider than the work area, shrinks bounds
  // so that they lie inside workArea.
  static QRect ClampToWorkArea(const QRect& bounds, const QRect& workArea);
  // The available geometry of the screen that holds most of bounds, or of the
  // screen closest to it when it lies on none.
  static QRect NearestWorkArea(const QRect& bounds);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QWidget* Owner;
  TRegistry& Registry;
  bool Loaded = false;
};

} // namespace tessra

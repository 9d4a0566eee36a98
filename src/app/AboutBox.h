#pragma once

#include <cstdint>

#include <QDialog>
#include <QString>

class QLabel;

namespace tessra {

// "About Tessra": the program's name and version, the amount of physical
// memory, and links to the program's and the game's web sites.
class TAboutBox : public QDialog {
public:
  explicit TAboutBox(QWidget* parent = nullptr);

  // Bytes of physical memory, 0 when the system does not say.
  static uint64_t PhysicalMemory();
  // "1,234,567 KB" style text of a byte count, or "unknown".
  static QString MemoryText(uint64_t bytes);

  QLabel* VersionLabel() const { return Version; }
  QLabel* MemoryLabel() const { return Memory; }

private:
  QLabel* Version;
  QLabel* Memory;
};

} // namespace tessra

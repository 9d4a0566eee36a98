#include "OptionsHost.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "FontPickDialog.h"

namespace tessra {

TFontSettings FontSettingsFrom(const QFont& font, const TFontSettings& base) {
  TFontSettings result = base;
  result.Name = font.family();
  if (font.pointSize() > 0) {
    result.Size = font.pointSize();
  }
  result.Bold = font.bold();
  result.Underline = font.underline();
  result.Italic = font.italic();
  result.StrikeOut = font.strikeOut();
  return result;
}

int TOptionsHost::ExecDialog(QDialog& dialog) {
  return dialog.exec();
}

QPalette TOptionsHost::Palette() const {
  return QApplication::palette();
}

std::optional<QColor> TOptionsHost::PickColor(QWidget* parent, const QColor& initial) {
  const QColor color = QColorDialog::getColor(initial, parent);
  if (!color.isValid()) {
    return std::nullopt;
  }
  return color;
}

std::optional<TFontSettings> TOptionsHost::PickFont(QWidget* parent, const TFontSettings& initial) {
  TFontPickDialog dialog(parent, initial, Palette());
  if (ExecDialog(dialog) != QDialog::Accepted) {
    return std::nullopt;
  }
  return dialog.Chosen();
}

std::optional<QString> TOptionsHost::BrowseFolder(QWidget* parent, const QString& title,
                                                  const QString& start) {
  const QString startFolder = QDir::fromNativeSeparators(start);
  const bool exists = !startFolder.isEmpty() && QFileInfo(startFolder).isDir();
  const QString chosen = QFileDialog::getExistingDirectory(
      parent, title, exists ? startFolder : QString(), QFileDialog::ShowDirsOnly);
  if (chosen.isEmpty()) {
    return std::nullopt;
  }
  QString folder = QDir::toNativeSeparators(chosen);
  if (!folder.endsWith(QDir::separator())) {
    folder += QDir::separator();
  }
  return folder;
}

} // namespace tessra

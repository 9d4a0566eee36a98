#pragma once

#include <functional>

#include <QDialog>

#include "FontSettings.h"

class QFontDialog;
class QToolButton;

namespace tessra {

// The font dialog of the options pages: face, size and styles, and the text
// colour, which the platform's font dialog does not offer (a dark background
// needs a light text colour to stay readable). The character set is kept.
class TFontPickDialog : public QDialog {
public:
  TFontPickDialog(QWidget* parent, const TFontSettings& initial, const QPalette& colors);

  // The font chosen so far, with its colour.
  TFontSettings Chosen() const;
  void SetColor(const QColor& color);
  QColor Color() const { return TextColor; }

  QFontDialog* FontChooser() const { return Fonts; }
  QToolButton* ColorButton() const { return ColorBtn; }

  // Asks for the text colour; an invalid colour means cancelled. Defaults to
  // the colour dialog.
  std::function<QColor(QWidget* parent, const QColor& initial)> PickColor;

private:
  void ColorClick();

  TFontSettings Initial;
  QColor TextColor;
  bool ColorChanged = false;
  bool FontChanged = false;
  QFontDialog* Fonts;
  QToolButton* ColorBtn;
};

} // namespace tessra

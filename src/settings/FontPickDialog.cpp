#include "FontPickDialog.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QToolButton>
#include <QVBoxLayout>

#include "OptionsHost.h"

namespace tessra {

TFontPickDialog::TFontPickDialog(QWidget* parent, const TFontSettings& initial,
                                 const QPalette& colors)
    : QDialog(parent), Initial(initial) {
  setWindowTitle(QStringLiteral("Font"));
  Fonts = new QFontDialog(initial.ToFont(), this);
  // Embedded: the dialog's own buttons close this one.
  Fonts->setWindowFlags(Qt::Widget);
  Fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
  ColorBtn = new QToolButton(this);
  ColorBtn->setText(QStringLiteral("Color..."));
  ColorBtn->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

  auto* colorRow = new QHBoxLayout;
  colorRow->addWidget(new QLabel(QStringLiteral("Color:"), this));
  colorRow->addWidget(ColorBtn);
  colorRow->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Fonts, 1);
  layout->addLayout(colorRow);
  layout->addWidget(buttons);

  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(ColorBtn, &QToolButton::clicked, this, [this] { ColorClick(); });
  connect(Fonts, &QFontDialog::currentFontChanged, this, [this] { FontChanged = true; });
  const QColor text = ColorFromCode(initial.Color, colors);
  SetColor(text.isValid() ? text : colors.color(QPalette::Text));
  ColorChanged = false;
}

void TFontPickDialog::SetColor(const QColor& color) {
  TextColor = color;
  ColorChanged = true;
  QPixmap swatch(16, 16);
  swatch.fill(color);
  ColorBtn->setIcon(QIcon(swatch));
}

void TFontPickDialog::ColorClick() {
  const QColor chosen =
      PickColor ? PickColor(this, TextColor) : QColorDialog::getColor(TextColor, this);
  if (chosen.isValid()) {
    SetColor(chosen);
  }
}

TFontSettings TFontPickDialog::Chosen() const {
  // A face that is not installed shows as another one; unless the user
  // chose a font, the stored one stays as it was.
  TFontSettings font = FontChanged ? FontSettingsFrom(Fonts->currentFont(), Initial) : Initial;
  // An untouched colour keeps its code, system colours included.
  if (ColorChanged) {
    font.Color = ColorToCode(TextColor);
  }
  return font;
}

} // namespace tessra

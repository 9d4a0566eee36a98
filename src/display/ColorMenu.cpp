#include "display/ColorMenu.h"

#include <QApplication>
#include <QColorDialog>
#include <QPainter>
#include <QTextEdit>
#include <QWidgetAction>

#include "display/ColorPalette.h"
#include "display/ColorPalettes.h"
#include "display/RichTextTransforms.h"

namespace tessra {

namespace {

std::vector<QColor> DefaultPaletteColors() {
  std::vector<QColor> colors;
  for (const TNamedColor& entry : DefaultColorPalette()) {
    colors.push_back(QColor::fromRgb(entry.Rgb));
  }
  return colors;
}

std::vector<QString> DefaultPaletteNames() {
  std::vector<QString> names;
  for (const TNamedColor& entry : DefaultColorPalette()) {
    names.push_back(QString::fromLatin1(entry.Name));
  }
  return names;
}

std::vector<QString> SystemPaletteNames() {
  std::vector<QString> names;
  for (const TSystemColorCell& cell : SystemColorPalette()) {
    names.push_back(QString::fromLatin1(cell.Name));
  }
  return names;
}

QWidgetAction* PaletteAction(TColorPalette* palette, QObject* parent) {
  auto* action = new QWidgetAction(parent);
  action->setDefaultWidget(palette);
  return action;
}

} // namespace

TColorMenu::TColorMenu(QWidget* parent)
    : QMenu(QStringLiteral("Font Color"), parent),
      MenuState(palette().color(QPalette::Text),
                ResolveSystemColorPalette(QApplication::palette())),
      Icon(BaseIcon()) {
  PickCustomColor = [](TColorMenu& menu, const QColor& initial) {
    return QColorDialog::getColor(initial.isValid() ? initial : menu.DefaultColor(), &menu,
                                  QStringLiteral("Custom"));
  };

  DefaultItem = addAction(QStringLiteral("Default"));
  DefaultItem->setCheckable(true);
  connect(DefaultItem, &QAction::triggered, this,
          [this] { SetInputColor(MenuState.DefaultColor); });

  DefaultPaletteWidget = new TColorPalette(kDefaultPaletteColumns, kDefaultPaletteRows,
                                           DefaultPaletteColors(), DefaultPaletteNames());
  DefaultPaletteWidget->OnCellClicked = [this](TColorPalette& palette, int index) {
    SetInputColor(palette.ColorAt(index));
    close();
  };
  addAction(PaletteAction(DefaultPaletteWidget, this));
  addSeparator();

  SystemPaletteWidget = new TColorPalette(kSystemPaletteColumns, kSystemPaletteRows,
                                          MenuState.SystemColors, SystemPaletteNames());
  SystemPaletteWidget->OnCellClicked = [this](TColorPalette& palette, int index) {
    SetInputColor(palette.ColorAt(index));
    close();
  };
  addAction(PaletteAction(SystemPaletteWidget, this));
  addSeparator();

  CustomItem = addAction(QStringLiteral("Custom"));
  CustomItem->setCheckable(true);
  connect(CustomItem, &QAction::triggered, this, [this] { ChooseCustom(); });

  menuAction()->setText(QStringLiteral("Font Color"));
  ShowState();
}

void TColorMenu::SetInput(QTextEdit* input) {
  if (Input) {
    disconnect(Input, nullptr, this, nullptr);
  }
  Input = input;
  if (Input) {
    connect(Input, &QTextEdit::cursorPositionChanged, this, &TColorMenu::FollowInput);
  }
}

void TColorMenu::SetInputColor(const QColor& color) {
  MenuState.SetInputColor(color);
  if (Input) {
    Input->setTextColor(color);
  }
  ShowState();
  if (OnInputColor) {
    OnInputColor(*this, color);
  }
}

void TColorMenu::FollowInput() {
  if (!Input) {
    return;
  }
  MenuState.SetInputColor(ColorAtCaret());
  ShowState();
}

QColor TColorMenu::ColorAtCaret() const {
  if (!Input) {
    return MenuState.DefaultColor;
  }
  return TextColorOf(Input->textCursor().charFormat(), MenuState.DefaultColor);
}

void TColorMenu::SetDefaultColor(const QColor& color) {
  MenuState.DefaultColor = color;
  MenuState.SystemColors = ResolveSystemColorPalette(QApplication::palette());
  SystemPaletteWidget->SetColors(MenuState.SystemColors);
  ShowState();
}

void TColorMenu::ChooseCustom() {
  const QColor chosen = PickCustomColor ? PickCustomColor(*this, MenuState.CustomColor) : QColor();
  if (!chosen.isValid()) {
    // Cancelled: the check marks stay as they were.
    ShowState();
    return;
  }
  MenuState.SetCustomColor(chosen);
  SetInputColor(chosen);
}

void TColorMenu::ShowState() {
  DefaultItem->setChecked(MenuState.DefaultChecked);
  CustomItem->setChecked(MenuState.CustomChecked);
  DefaultPaletteWidget->SetSelection(MenuState.DefaultPaletteSelection);
  SystemPaletteWidget->SetSelection(MenuState.SystemPaletteSelection);
  menuAction()->setIcon(QIcon(ColorBarPicture(Icon, MenuState.ActiveColor())));
}

QPixmap TColorMenu::ColorBarPicture(const QIcon& icon, const QColor& bar) {
  QPixmap picture(kPictureSize, kPictureSize);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  const int iconHeight = kPictureSize - kBarHeight;
  icon.paint(&painter, QRect(0, 0, kPictureSize, iconHeight));
  painter.fillRect(QRect(0, iconHeight, kPictureSize, kBarHeight), bar);
  return picture;
}

QIcon TColorMenu::BaseIcon() {
  QIcon themed = QIcon::fromTheme(QStringLiteral("format-text-color"));
  if (!themed.isNull()) {
    return themed;
  }
  // Built-in fallback: a letter A.
  QPixmap letter(kPictureSize, kPictureSize - kBarHeight);
  letter.fill(Qt::transparent);
  QPainter painter(&letter);
  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(kPictureSize - kBarHeight);
  painter.setFont(font);
  painter.setPen(QApplication::palette().color(QPalette::ButtonText));
  painter.drawText(letter.rect(), Qt::AlignCenter, QStringLiteral("A"));
  painter.end();
  return QIcon(letter);
}

} // namespace tessra

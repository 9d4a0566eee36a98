#include "display/ReferenceColorMenu.h"

#include <algorithm>
#include <vector>

#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QWidgetAction>

#include "display/ColorMenu.h"
#include "display/ColorPalette.h"
#include "display/ColorValue.h"

namespace tessra {

namespace {

constexpr int kPaletteCount = TReferenceColorMenu::kColumns * TReferenceColorMenu::kRows;

std::vector<QColor> PaletteColors() {
  std::vector<QColor> colors;
  for (const TVeyraColorName& entry : VeyraColorNames().first(kPaletteCount)) {
    colors.push_back(QColor::fromRgb(entry.Rgb));
  }
  return colors;
}

std::vector<QString> PaletteNames() {
  std::vector<QString> names;
  for (const TVeyraColorName& entry : VeyraColorNames().first(kPaletteCount)) {
    names.push_back(QString::fromLatin1(entry.Name));
  }
  return names;
}

// Takes the own colour off every character of the selection; the other properties of each
// stretch (bold, size, ...) stay as they are.
void ClearForeground(QTextCursor selection) {
  const int start = selection.selectionStart();
  const int end = selection.selectionEnd();
  QTextDocument& document = *selection.document();
  struct TStretch {
    int From;
    int To;
    QTextCharFormat Format;
  };
  // Collected first: changing a format splits and merges the fragments being walked.
  std::vector<TStretch> stretches;
  for (QTextBlock block = document.findBlock(start); block.isValid() && block.position() < end;
       block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      const int from = std::max(start, fragment.position());
      const int to = std::min(end, fragment.position() + fragment.length());
      if (from < to && fragment.charFormat().hasProperty(QTextFormat::ForegroundBrush)) {
        QTextCharFormat format = fragment.charFormat();
        format.clearForeground();
        stretches.push_back({from, to, format});
      }
    }
  }
  selection.beginEditBlock();
  for (const TStretch& stretch : stretches) {
    QTextCursor part(&document);
    part.setPosition(stretch.From);
    part.setPosition(stretch.To, QTextCursor::KeepAnchor);
    part.setCharFormat(stretch.Format);
  }
  selection.endEditBlock();
}

// The picture above the colour bar: the theme's text colour icon, else a letter A.
QIcon BaseIcon(const QColor& pen) {
  QIcon themed = QIcon::fromTheme(QStringLiteral("format-text-color"));
  if (!themed.isNull()) {
    return themed;
  }
  constexpr int kSize = TColorMenu::kPictureSize;
  constexpr int kHeight = TColorMenu::kPictureSize - TColorMenu::kBarHeight;
  QPixmap letter(kSize, kHeight);
  letter.fill(Qt::transparent);
  QPainter painter(&letter);
  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(kHeight);
  painter.setFont(font);
  painter.setPen(pen);
  painter.drawText(letter.rect(), Qt::AlignCenter, QStringLiteral("A"));
  painter.end();
  return QIcon(letter);
}

} // namespace

TReferenceColorMenu::TReferenceColorMenu(QWidget* parent)
    : QMenu(QStringLiteral("Font Color"), parent) {
  setObjectName(QStringLiteral("FontColorMenu"));
  DefaultItem = addAction(QStringLiteral("Default"));
  DefaultItem->setCheckable(true);
  connect(DefaultItem, &QAction::triggered, this, [this] { ChooseDefault(); });
  PaletteWidget = new TColorPalette(kColumns, kRows, PaletteColors(), PaletteNames());
  PaletteWidget->OnCellClicked = [this](TColorPalette& palette, int index) {
    ChooseColor(palette.ColorAt(index));
    close();
  };
  auto* paletteAction = new QWidgetAction(this);
  paletteAction->setDefaultWidget(PaletteWidget);
  addAction(paletteAction);
  Icon = BaseIcon(palette().color(QPalette::ButtonText));
  menuAction()->setText(QStringLiteral("Font Color"));
  menuAction()->setToolTip(QStringLiteral("Font Color"));
  ShowState(palette().color(QPalette::Text));
}

void TReferenceColorMenu::SetEditor(QTextEdit* editor) {
  if (Editor) {
    disconnect(Editor, nullptr, this, nullptr);
  }
  Editor = editor;
  if (Editor) {
    connect(Editor, &QTextEdit::cursorPositionChanged, this, &TReferenceColorMenu::FollowEditor);
    FollowEditor();
  }
}

void TReferenceColorMenu::ChooseDefault() {
  if (Editor) {
    const QTextCursor cursor = Editor->textCursor();
    if (cursor.hasSelection()) {
      ClearForeground(cursor);
    } else {
      QTextCharFormat typing = Editor->currentCharFormat();
      typing.clearForeground();
      Editor->setCurrentCharFormat(typing);
    }
  }
  FollowEditor();
}

void TReferenceColorMenu::ChooseColor(const QColor& color) {
  if (Editor) {
    Editor->setTextColor(color);
  }
  FollowEditor();
}

int TReferenceColorMenu::Selection() const {
  return PaletteWidget->Selection();
}

void TReferenceColorMenu::FollowEditor() {
  const QColor defaultColor =
      Editor ? Editor->palette().color(QPalette::Text) : palette().color(QPalette::Text);
  const QTextCharFormat format = Editor ? Editor->currentCharFormat() : QTextCharFormat();
  IsDefault = !format.hasProperty(QTextFormat::ForegroundBrush) ||
              format.foreground().style() == Qt::NoBrush;
  int selection = -1;
  QColor active = defaultColor;
  if (!IsDefault) {
    const QRgb rgb = format.foreground().color().rgb();
    for (int i = 0; i < PaletteWidget->Count(); ++i) {
      if (PaletteWidget->ColorAt(i).rgb() == rgb) {
        selection = i;
        active = PaletteWidget->ColorAt(i);
        break;
      }
    }
  }
  PaletteWidget->SetSelection(selection);
  DefaultItem->setChecked(IsDefault);
  ShowState(active);
}

void TReferenceColorMenu::ShowState(const QColor& active) {
  menuAction()->setIcon(QIcon(TColorMenu::ColorBarPicture(Icon, active)));
}

} // namespace tessra

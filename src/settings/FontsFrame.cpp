#include "FontsFrame.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "OptionsHost.h"

namespace tessra {

TFontsFrame::TFontsFrame(TOptionsHost& host, QWidget* parent) : TOptionBaseFrame(host, parent) {
  setObjectName(QStringLiteral("FontsFrame"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Heading(QStringLiteral("Window Fonts & Colors")));
  auto* grid = new QGridLayout;
  grid->setContentsMargins(12, 0, 0, 0);
  const std::array<const char*, frCount> captions = {
      "Friend List:", "Group List:", "Chat Window:", "Input Window:"};
  for (int i = 0; i < frCount; ++i) {
    TFontRow& row = Rows[static_cast<size_t>(i)];
    row.Box = new QLineEdit(this);
    row.Box->setReadOnly(true);
    row.Label = new QLabel(QString::fromLatin1(captions[static_cast<size_t>(i)]), this);
    row.Label->setBuddy(row.Box);
    row.FontButton = new QToolButton(this);
    row.FontButton->setText(QStringLiteral("Font..."));
    row.ColorButton = new QToolButton(this);
    row.ColorButton->setText(QStringLiteral("Color..."));
    grid->addWidget(row.Label, i, 0);
    grid->addWidget(row.Box, i, 1);
    grid->addWidget(row.FontButton, i, 2);
    grid->addWidget(row.ColorButton, i, 3);
    const auto index = static_cast<TFontRowIndex>(i);
    connect(row.FontButton, &QToolButton::clicked, this, [this, index] { FontClick(index); });
    connect(row.ColorButton, &QToolButton::clicked, this, [this, index] { ColorClick(index); });
    ShowRow(row);
  }
  grid->setColumnStretch(1, 1);
  layout->addLayout(grid);
  layout->addStretch(1);
}

QString TFontsFrame::FontText(const TFontSettings& font) {
  return QString::number(font.Size) + QStringLiteral(" pt. ") + font.Name;
}

void TFontsFrame::ShowRow(TFontRow& row) {
  const QPalette colors = Host.Palette();
  QPalette palette = row.Box->palette();
  const QColor background = ColorFromCode(row.Color, colors);
  const QColor text = ColorFromCode(row.Font.Color, colors);
  palette.setColor(QPalette::Base,
                   background.isValid() ? background : colors.color(QPalette::Base));
  palette.setColor(QPalette::Text, text.isValid() ? text : colors.color(QPalette::Text));
  row.Box->setPalette(palette);
  row.Box->setFont(row.Font.ToFont());
  row.Box->setText(FontText(row.Font));
  row.Box->setCursorPosition(0);
}

void TFontsFrame::LoadOptions() {
  const TSettings& s = Host.Settings();
  const std::array<std::pair<const TFontSettings*, TColorCode>, frCount> current = {{
      {&s.FriendsTreeViewFont, s.FriendsTreeViewColor},
      {&s.GroupsTreeViewFont, s.GroupsTreeViewColor},
      {&s.OutputMemoFont, s.OutputMemoColor},
      {&s.InputEditFont, s.InputEditColor},
  }};
  for (size_t i = 0; i < Rows.size(); ++i) {
    Rows[i].Font = *current[i].first;
    Rows[i].Color = current[i].second;
    ShowRow(Rows[i]);
  }
}

void TFontsFrame::FontClick(TFontRowIndex index) {
  TFontRow& row = Rows[static_cast<size_t>(index)];
  if (const std::optional<TFontSettings> font = Host.PickFont(this, row.Font)) {
    row.Font = *font;
    ShowRow(row);
  }
}

void TFontsFrame::ColorClick(TFontRowIndex index) {
  TFontRow& row = Rows[static_cast<size_t>(index)];
  if (const std::optional<QColor> color =
          Host.PickColor(this, ColorFromCode(row.Color, Host.Palette()))) {
    row.Color = ColorToCode(*color);
    ShowRow(row);
  }
}

void TFontsFrame::ApplyOptions() {
  TSettings& s = Host.Settings();
  s.FriendsTreeViewFont = Rows[frFriends].Font;
  s.FriendsTreeViewColor = Rows[frFriends].Color;
  s.GroupsTreeViewFont = Rows[frGroups].Font;
  s.GroupsTreeViewColor = Rows[frGroups].Color;
  s.OutputMemoFont = Rows[frChat].Font;
  s.OutputMemoColor = Rows[frChat].Color;
  s.InputEditFont = Rows[frInput].Font;
  s.InputEditColor = Rows[frInput].Color;
  Host.ApplyFonts();
}

} // namespace tessra

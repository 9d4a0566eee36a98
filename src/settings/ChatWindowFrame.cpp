#include "ChatWindowFrame.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "OptionsHost.h"

namespace tessra {

namespace {

// Extra pixels between console lines. Nothing is gained past a few lines'
// height, and the console adds the spacing up over every line it holds.
constexpr int kMaxLineSpacing = 255;

} // namespace

TChatWindowFrame::TChatWindowFrame(TOptionsHost& host, QWidget* parent)
    : TOptionBaseFrame(host, parent) {
  setObjectName(QStringLiteral("ChatWindowFrame"));
  ParseEmoticonsCheck = new QCheckBox(QStringLiteral("Parse Emoticons"), this);
  ParseUrlsCheck = new QCheckBox(QStringLiteral("Parse URL's"), this);
  LinkNamesCheck = new QCheckBox(QStringLiteral("Link Character Names"), this);
  LinkGroupsCheck = new QCheckBox(QStringLiteral("Link Group Names"), this);
  SmoothScrollingCheck = new QCheckBox(QStringLiteral("Smooth Scrolling"), this);
  TimestampChatCheck = new QCheckBox(QStringLiteral("Timestamp Chat"), this);
  TimestampFormatEdit = new QLineEdit(this);
  TimestampFormatLabel = new QLabel(QStringLiteral("Timestamp Format:"), this);
  TimestampFormatLabel->setBuddy(TimestampFormatEdit);
  TimestampColorButton = new QPushButton(QStringLiteral("Color..."), this);
  TimestampIndentCheck = new QCheckBox(QStringLiteral("Indent Subsequent Lines"), this);
  LineSpacingSpin = SpinEdit(0, kMaxLineSpacing);
  LineSpacingLabel = new QLabel(QStringLiteral("Line Spacing:"), this);
  LineSpacingLabel->setBuddy(LineSpacingSpin);
  SignMessagesCheck = new QCheckBox(QStringLiteral("Sign Messages"), this);
  ItemQlCheck = new QCheckBox(QStringLiteral("Show Item QL's"), this);
  ItemDbCombo = new QComboBox(this);
  ItemDbCombo->addItems({QStringLiteral("VeyraDB"), QStringLiteral("Tarvik")});
  ItemDbLabel = new QLabel(QStringLiteral("Item Database:"), this);
  ItemDbLabel->setBuddy(ItemDbCombo);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Heading(QStringLiteral("Chat Window Options")));
  auto* grid = new QGridLayout;
  grid->setContentsMargins(12, 0, 0, 0);
  grid->addWidget(ParseEmoticonsCheck, 0, 0);
  grid->addWidget(ParseUrlsCheck, 0, 1);
  grid->addWidget(LinkNamesCheck, 1, 0);
  grid->addWidget(LinkGroupsCheck, 1, 1);
  grid->addWidget(SmoothScrollingCheck, 2, 0);
  grid->addWidget(TimestampChatCheck, 2, 1);
  layout->addLayout(grid);
  auto* stamp = new QHBoxLayout;
  stamp->setContentsMargins(12, 0, 0, 0);
  stamp->addWidget(TimestampFormatLabel);
  stamp->addWidget(TimestampFormatEdit, 1);
  stamp->addWidget(TimestampColorButton);
  layout->addLayout(stamp);
  auto* indent = new QHBoxLayout;
  indent->setContentsMargins(12, 0, 0, 0);
  indent->addWidget(TimestampIndentCheck);
  indent->addStretch(1);
  indent->addWidget(LineSpacingLabel);
  indent->addWidget(LineSpacingSpin);
  layout->addLayout(indent);
  auto* more = new QGridLayout;
  more->setContentsMargins(12, 0, 0, 0);
  more->addWidget(SignMessagesCheck, 0, 0);
  more->addWidget(ItemQlCheck, 0, 1);
  more->addWidget(ItemDbLabel, 1, 0);
  more->addWidget(ItemDbCombo, 1, 1);
  layout->addLayout(more);
  layout->addStretch(1);

  LastChosenColor = Host.Palette().color(QPalette::WindowText);
  connect(TimestampChatCheck, &QCheckBox::toggled, this, [this] { UpdateEnabledStates(); });
  connect(TimestampColorButton, &QPushButton::clicked, this, [this] { TimestampColorClick(); });
  UpdateEnabledStates();
}

void TChatWindowFrame::UpdateEnabledStates() {
  const bool stamped = TimestampChatCheck->isChecked();
  for (QWidget* control : std::initializer_list<QWidget*>{
           TimestampFormatLabel, TimestampFormatEdit, TimestampColorButton, TimestampIndentCheck}) {
    control->setEnabled(stamped);
  }
}

void TChatWindowFrame::SetStampColor(TColorCode code) {
  StampColor = code;
  const QPalette colors = Host.Palette();
  const QColor color = ColorFromCode(code, colors);
  QPalette palette = TimestampFormatEdit->palette();
  palette.setColor(QPalette::Text, color.isValid() ? color : colors.color(QPalette::Text));
  TimestampFormatEdit->setPalette(palette);
}

void TChatWindowFrame::TimestampColorClick() {
  if (const std::optional<QColor> color = Host.PickColor(this, LastChosenColor)) {
    LastChosenColor = *color;
    SetStampColor(ColorToCode(*color));
  }
}

void TChatWindowFrame::LoadOptions() {
  const TSettings& s = Host.Settings();
  ParseEmoticonsCheck->setChecked(s.ParseEmoticons);
  ParseUrlsCheck->setChecked(s.ParseUrls);
  LinkNamesCheck->setChecked(s.LinkNames);
  LinkGroupsCheck->setChecked(s.LinkGroups);
  SmoothScrollingCheck->setChecked(s.SmoothScrolling);
  TimestampChatCheck->setChecked(s.TimestampChat);
  TimestampFormatEdit->setText(s.TimestampFormat);
  SetStampColor(s.TimestampColor);
  TimestampIndentCheck->setChecked(s.TimestampIndent);
  LineSpacingSpin->setValue(s.LineSpacing);
  SignMessagesCheck->setChecked(s.NewSignMessages);
  ItemQlCheck->setChecked(s.ItemQl);
  ItemDbCombo->setCurrentIndex(s.ItemDb.toUpper() == QStringLiteral("TARVIK") ? 1 : 0);
  UpdateEnabledStates();
}

void TChatWindowFrame::ApplyOptions() {
  TSettings& s = Host.Settings();
  s.ParseEmoticons = ParseEmoticonsCheck->isChecked();
  s.ParseUrls = ParseUrlsCheck->isChecked();
  s.LinkNames = LinkNamesCheck->isChecked();
  s.LinkGroups = LinkGroupsCheck->isChecked();
  s.SmoothScrolling = SmoothScrollingCheck->isChecked();
  s.TimestampChat = TimestampChatCheck->isChecked();
  s.TimestampFormat = TimestampFormatEdit->text();
  s.TimestampColor = StampColor;
  s.TimestampIndent = TimestampIndentCheck->isChecked();
  LineSpacingSpin->interpretText();
  s.LineSpacing = LineSpacingSpin->value();
  s.NewSignMessages = SignMessagesCheck->isChecked();
  s.ItemQl = ItemQlCheck->isChecked();
  s.ItemDb =
      ItemDbCombo->currentIndex() == 1 ? QStringLiteral("tarvik") : QStringLiteral("veyradb");
  Host.ApplyChatWindow();
}

} // namespace tessra

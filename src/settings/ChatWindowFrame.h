#pragma once

#include <QColor>

#include "ColorCode.h"
#include "OptionBaseFrame.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace tessra {

// "Chat Window": how chat lines are built and shown.
class TChatWindowFrame : public TOptionBaseFrame {
public:
  TChatWindowFrame(TOptionsHost& host, QWidget* parent);

  void LoadOptions() override;
  void ApplyOptions() override;

  void TimestampColorClick();
  void UpdateEnabledStates();
  // The time stamp colour the format box is drawn in.
  TColorCode TimestampColor() const { return StampColor; }

  // The page's controls.
  QCheckBox* ParseEmoticonsCheck;
  QCheckBox* ParseUrlsCheck;
  QCheckBox* LinkNamesCheck;
  QCheckBox* LinkGroupsCheck;
  QCheckBox* SmoothScrollingCheck;
  QCheckBox* TimestampChatCheck;
  QLabel* TimestampFormatLabel;
  QLineEdit* TimestampFormatEdit;
  QPushButton* TimestampColorButton;
  QCheckBox* TimestampIndentCheck;
  QLabel* LineSpacingLabel;
  QSpinBox* LineSpacingSpin;
  QCheckBox* SignMessagesCheck;
  QCheckBox* ItemQlCheck;
  QLabel* ItemDbLabel;
  QComboBox* ItemDbCombo;

private:
  void SetStampColor(TColorCode code);

  TColorCode StampColor = kColorWindowText;
  // The colour dialog opens on the colour last chosen in it.
  QColor LastChosenColor;
};

} // namespace tessra

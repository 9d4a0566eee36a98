#pragma once

#include "OptionBaseFrame.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QToolButton;

namespace tessra {

// "Connection": what happens at start-up (nothing, the login dialog or a login
// with a stored account) and whether a lost connection is retried.
class TAutoConnectFrame : public TOptionBaseFrame {
public:
  TAutoConnectFrame(TOptionsHost& host, QWidget* parent);

  void LoadOptions() override;
  void ApplyOptions() override;

  void ManageDimensionsClick();
  void UpdateEnabledStates();

  // The page's controls.
  QRadioButton* DoNothingRadio;
  QRadioButton* LoginDialogRadio;
  QRadioButton* AutoLoginRadio;
  QLabel* UserNameLabel;
  QComboBox* UserNameCombo;
  QLabel* PasswordLabel;
  QLineEdit* PasswordEdit;
  QLabel* DimensionLabel;
  QComboBox* DimensionCombo;
  QToolButton* ManageDimensionsButton;
  QCheckBox* ReconnectCheck;
  QSpinBox* ReconnectTimesSpin;
  QLabel* TimesLabel;
  QLabel* DelayLabel;
  QSpinBox* ReconnectDelaySpin;
  QLabel* SecondsLabel;

private:
  // The engine's dimensions in list order, keeping the name shown before
  // selected, else the first entry.
  void FillDimensions();
  // Selects the entry named name (letter case ignored), else the first one.
  void SelectDimension(const QString& name);
};

} // namespace tessra

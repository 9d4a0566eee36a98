#pragma once

#include "OptionBaseFrame.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace tessra {

// "Away Options": what the away mode keeps and when it starts by itself.
class TAwayOptionsFrame : public TOptionBaseFrame {
public:
  TAwayOptionsFrame(TOptionsHost& host, QWidget* parent);

  void LoadOptions() override;
  void ApplyOptions() override;

  void UpdateEnabledStates();

  // The page's controls.
  QCheckBox* LogPrivateCheck;
  QCheckBox* CancelOnActivityCheck;
  QCheckBox* AutoAwayCheck;
  QLabel* IdleLabel;
  QSpinBox* IdleSpin;
  QLabel* MinutesLabel;
  QLabel* MessageLabel;
  QLineEdit* MessageEdit;
};

} // namespace tessra

#pragma once

#include "OptionBaseFrame.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace tessra {

// "SOCKS Proxy": the proxy the engine connects through. The values live in the
// engine; applying hands them over at once.
class TSOCKSFrame : public TOptionBaseFrame {
public:
  TSOCKSFrame(TOptionsHost& host, QWidget* parent);

  void LoadOptions() override;
  void ApplyOptions() override;

  void UpdateEnabledStates();

  // The page's controls.
  QCheckBox* EnableCheck;
  QRadioButton* Ver4Radio;
  QRadioButton* Ver5Radio;
  QLabel* HostLabel;
  QLineEdit* HostEdit;
  QLabel* PortLabel;
  QLineEdit* PortEdit;
  QLabel* UserLabel;
  QLineEdit* UserEdit;
  QLabel* PassLabel;
  QLineEdit* PassEdit;
};

} // namespace tessra

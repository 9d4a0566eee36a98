#pragma once

#include "OptionBaseFrame.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QToolButton;

namespace tessra {

// "Veyra Options": the game's folder, voice sounds and the game's ignore-list
// files.
class TVeyraFrame : public TOptionBaseFrame {
public:
  TVeyraFrame(TOptionsHost& host, QWidget* parent);

  void LoadOptions() override;
  void ApplyOptions() override;

  void UpdateEnabledStates();
  // The folder browser for edit, whose text it replaces on OK.
  void BrowseFor(QLineEdit* edit);

  // The page's controls.
  QLabel* FolderLabel;
  QLineEdit* FolderEdit;
  QToolButton* FolderBrowseButton;
  QCheckBox* PlaySoundsCheck;
  QCheckBox* ckbxIgnorelist;
  QRadioButton* rbAcctCharIgnore;
  QRadioButton* rbOneForAllIgnore;
  QLabel* lblIgnorelist;
  QLineEdit* edtIgnorelist;
  QToolButton* spdbtnIgnorelist;
};

} // namespace tessra

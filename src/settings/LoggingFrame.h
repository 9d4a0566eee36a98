#pragma once

#include "OptionBaseFrame.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QToolButton;

namespace tessra {

// "Logging": whether chat is written to log files, where, and which kinds.
class TLoggingFrame : public TOptionBaseFrame {
public:
  // The rows of the "Log the Following:" list.
  enum TLogRow { lrGroup, lrPrivate, lrPrivateGroup, lrSystem, lrError, lrCount };

  TLoggingFrame(TOptionsHost& host, QWidget* parent);

  void LoadOptions() override;
  void ApplyOptions() override;

  void BrowseClick();
  void UpdateEnabledStates();
  bool RowChecked(TLogRow row) const;
  void SetRowChecked(TLogRow row, bool checked);

  // The page's controls.
  QCheckBox* EnableLoggingCheck;
  QCheckBox* TimestampLogsCheck;
  QLabel* LogFolderLabel;
  QLineEdit* LogFolderEdit;
  QToolButton* BrowseButton;
  QLabel* LogFollowingLabel;
  QListWidget* LogList;
};

} // namespace tessra

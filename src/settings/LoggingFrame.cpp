#include "LoggingFrame.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "OptionsHost.h"

namespace tessra {

TLoggingFrame::TLoggingFrame(TOptionsHost& host, QWidget* parent) : TOptionBaseFrame(host, parent) {
  setObjectName(QStringLiteral("LoggingFrame"));
  EnableLoggingCheck = new QCheckBox(QStringLiteral("Enable Logging"), this);
  TimestampLogsCheck = new QCheckBox(QStringLiteral("Timestamp Logs"), this);
  LogFolderEdit = new QLineEdit(this);
  LogFolderLabel = new QLabel(QStringLiteral("Log Folder:"), this);
  LogFolderLabel->setBuddy(LogFolderEdit);
  BrowseButton = new QToolButton(this);
  BrowseButton->setText(QStringLiteral("..."));
  BrowseButton->setToolTip(QStringLiteral("Browse"));
  LogList = new QListWidget(this);
  LogFollowingLabel = new QLabel(QStringLiteral("Log the Following:"), this);
  LogFollowingLabel->setBuddy(LogList);
  for (const char* text : {"Group Messages", "Private Messages", "Private Group Messages",
                           "System Messages", "Error Messages"}) {
    auto* item = new QListWidgetItem(QString::fromLatin1(text), LogList);
    item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setCheckState(Qt::Unchecked);
  }

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Heading(QStringLiteral("Logging")));
  auto* switches = new QHBoxLayout;
  switches->setContentsMargins(12, 0, 0, 0);
  switches->addWidget(EnableLoggingCheck);
  switches->addWidget(TimestampLogsCheck);
  switches->addStretch(1);
  layout->addLayout(switches);
  auto* folder = new QHBoxLayout;
  folder->setContentsMargins(12, 0, 0, 0);
  folder->addWidget(LogFolderLabel);
  folder->addWidget(LogFolderEdit, 1);
  folder->addWidget(BrowseButton);
  layout->addLayout(folder);
  auto* list = new QVBoxLayout;
  list->setContentsMargins(12, 0, 0, 0);
  list->addWidget(LogFollowingLabel);
  list->addWidget(LogList, 1);
  layout->addLayout(list, 1);

  connect(EnableLoggingCheck, &QCheckBox::toggled, this, [this] { UpdateEnabledStates(); });
  connect(BrowseButton, &QToolButton::clicked, this, [this] { BrowseClick(); });
  UpdateEnabledStates();
}

void TLoggingFrame::UpdateEnabledStates() {
  const bool logging = EnableLoggingCheck->isChecked();
  for (QWidget* control :
       std::initializer_list<QWidget*>{TimestampLogsCheck, LogFolderLabel, LogFolderEdit,
                                       BrowseButton, LogFollowingLabel, LogList}) {
    control->setEnabled(logging);
  }
}

bool TLoggingFrame::RowChecked(TLogRow row) const {
  return LogList->item(row)->checkState() == Qt::Checked;
}

void TLoggingFrame::SetRowChecked(TLogRow row, bool checked) {
  LogList->item(row)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void TLoggingFrame::BrowseClick() {
  if (const std::optional<QString> folder =
          Host.BrowseFolder(this, QStringLiteral("Select your Tessra logging directory below:"),
                            LogFolderEdit->text())) {
    LogFolderEdit->setText(*folder);
  }
}

void TLoggingFrame::LoadOptions() {
  const TSettings& s = Host.Settings();
  EnableLoggingCheck->setChecked(s.Logging);
  TimestampLogsCheck->setChecked(s.TimestampLogging);
  LogFolderEdit->setText(s.LoggingFolder);
  SetRowChecked(lrGroup, s.LogGroup);
  SetRowChecked(lrPrivate, s.LogPrivate);
  SetRowChecked(lrPrivateGroup, s.LogPrivateGroup);
  SetRowChecked(lrSystem, s.LogSystem);
  SetRowChecked(lrError, s.LogError);
  UpdateEnabledStates();
}

void TLoggingFrame::ApplyOptions() {
  TSettings& s = Host.Settings();
  s.Logging = EnableLoggingCheck->isChecked();
  // Folder and switches first, so that logging switched on here starts in
  // the folder just chosen, with the files just chosen.
  s.TimestampLogging = TimestampLogsCheck->isChecked();
  s.LoggingFolder = LogFolderEdit->text();
  s.LogGroup = RowChecked(lrGroup);
  s.LogPrivate = RowChecked(lrPrivate);
  s.LogPrivateGroup = RowChecked(lrPrivateGroup);
  s.LogSystem = RowChecked(lrSystem);
  s.LogError = RowChecked(lrError);
  Host.SetLogging(s.Logging);
}

} // namespace tessra

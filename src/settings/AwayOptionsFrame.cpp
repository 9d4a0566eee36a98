#include "AwayOptionsFrame.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include "OptionsHost.h"

namespace tessra {

TAwayOptionsFrame::TAwayOptionsFrame(TOptionsHost& host, QWidget* parent)
    : TOptionBaseFrame(host, parent) {
  setObjectName(QStringLiteral("AwayOptionsFrame"));
  LogPrivateCheck = new QCheckBox(QStringLiteral("Log Private Messages"), this);
  CancelOnActivityCheck = new QCheckBox(QStringLiteral("Cancel Away on Activity"), this);
  AutoAwayCheck = new QCheckBox(QStringLiteral("Auto-away Enabled"), this);
  IdleSpin = SpinEdit(1, 999);
  IdleLabel = new QLabel(QStringLiteral("Set Away after idle:"), this);
  IdleLabel->setBuddy(IdleSpin);
  MinutesLabel = new QLabel(QStringLiteral("Minutes"), this);
  MessageEdit = new QLineEdit(this);
  MessageLabel = new QLabel(QStringLiteral("Message:"), this);
  MessageLabel->setBuddy(MessageEdit);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Heading(QStringLiteral("Away Settings")));
  auto* grid = new QGridLayout;
  grid->setContentsMargins(12, 0, 0, 0);
  grid->addWidget(LogPrivateCheck, 0, 0, 1, 3);
  grid->addWidget(CancelOnActivityCheck, 1, 0, 1, 3);
  grid->addWidget(AutoAwayCheck, 2, 0, 1, 3);
  grid->addWidget(IdleLabel, 3, 0);
  grid->addWidget(IdleSpin, 3, 1);
  grid->addWidget(MinutesLabel, 3, 2);
  grid->addWidget(MessageLabel, 4, 0);
  grid->addWidget(MessageEdit, 4, 1, 1, 2);
  grid->setColumnStretch(2, 1);
  layout->addLayout(grid);
  layout->addStretch(1);

  connect(AutoAwayCheck, &QCheckBox::toggled, this, [this] { UpdateEnabledStates(); });
  UpdateEnabledStates();
}

void TAwayOptionsFrame::UpdateEnabledStates() {
  const bool autoAway = AutoAwayCheck->isChecked();
  for (QWidget* control : std::initializer_list<QWidget*>{IdleLabel, IdleSpin, MinutesLabel,
                                                          MessageLabel, MessageEdit}) {
    control->setEnabled(autoAway);
  }
}

void TAwayOptionsFrame::LoadOptions() {
  const TSettings& s = Host.Settings();
  LogPrivateCheck->setChecked(s.AwayLogging);
  CancelOnActivityCheck->setChecked(s.AwayAutoCancel);
  AutoAwayCheck->setChecked(s.AutoAway);
  IdleSpin->setValue(s.AutoAwayIdle);
  MessageEdit->setText(s.AutoAwayMessage);
  UpdateEnabledStates();
}

void TAwayOptionsFrame::ApplyOptions() {
  TSettings& s = Host.Settings();
  s.AwayLogging = LogPrivateCheck->isChecked();
  s.AwayAutoCancel = CancelOnActivityCheck->isChecked();
  s.AutoAway = AutoAwayCheck->isChecked();
  IdleSpin->interpretText();
  s.AutoAwayIdle = IdleSpin->value();
  s.AutoAwayMessage = MessageEdit->text();
  Host.UpdateAwayTimer();
}

} // namespace tessra

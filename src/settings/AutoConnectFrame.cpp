#include "AutoConnectFrame.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "OptionsHost.h"

namespace tessra {

TAutoConnectFrame::TAutoConnectFrame(TOptionsHost& host, QWidget* parent)
    : TOptionBaseFrame(host, parent) {
  setObjectName(QStringLiteral("AutoConnectFrame"));
  DoNothingRadio = new QRadioButton(QStringLiteral("Do Nothing"), this);
  LoginDialogRadio = new QRadioButton(QStringLiteral("Display Login Dialog"), this);
  AutoLoginRadio = new QRadioButton(QStringLiteral("Login on With the Following Account"), this);
  UserNameCombo = new QComboBox(this);
  UserNameCombo->setEditable(true);
  UserNameCombo->setInsertPolicy(QComboBox::NoInsert);
  UserNameLabel = new QLabel(QStringLiteral("&Username:"), this);
  UserNameLabel->setBuddy(UserNameCombo);
  PasswordEdit = new QLineEdit(this);
  PasswordEdit->setEchoMode(QLineEdit::Password);
  PasswordEdit->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
  PasswordLabel = new QLabel(QStringLiteral("&Password:"), this);
  PasswordLabel->setBuddy(PasswordEdit);
  DimensionCombo = new QComboBox(this);
  DimensionLabel = new QLabel(QStringLiteral("&Dimension:"), this);
  DimensionLabel->setBuddy(DimensionCombo);
  ManageDimensionsButton = new QToolButton(this);
  ManageDimensionsButton->setText(QStringLiteral("..."));
  ManageDimensionsButton->setToolTip(QStringLiteral("Manage Dimensions"));

  ReconnectCheck = new QCheckBox(QStringLiteral("Attempt to Reconnect:"), this);
  ReconnectTimesSpin = SpinEdit(10, 999);
  TimesLabel = new QLabel(QStringLiteral("Times"), this);
  DelayLabel = new QLabel(QStringLiteral("Delay:"), this);
  ReconnectDelaySpin = SpinEdit(1, 120);
  DelayLabel->setBuddy(ReconnectDelaySpin);
  SecondsLabel = new QLabel(QStringLiteral("Seconds"), this);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Heading(QStringLiteral("On Startup")));
  auto* startup = new QGridLayout;
  startup->setContentsMargins(12, 0, 0, 0);
  startup->addWidget(DoNothingRadio, 0, 0, 1, 3);
  startup->addWidget(LoginDialogRadio, 1, 0, 1, 3);
  startup->addWidget(AutoLoginRadio, 2, 0, 1, 3);
  startup->addWidget(UserNameLabel, 3, 0);
  startup->addWidget(UserNameCombo, 3, 1, 1, 2);
  startup->addWidget(PasswordLabel, 4, 0);
  startup->addWidget(PasswordEdit, 4, 1, 1, 2);
  startup->addWidget(DimensionLabel, 5, 0);
  startup->addWidget(DimensionCombo, 5, 1);
  startup->addWidget(ManageDimensionsButton, 5, 2);
  startup->setColumnStretch(1, 1);
  layout->addLayout(startup);
  layout->addWidget(Heading(QStringLiteral("On Disconnect")));
  auto* reconnect = new QHBoxLayout;
  reconnect->setContentsMargins(12, 0, 0, 0);
  reconnect->addWidget(ReconnectCheck);
  reconnect->addWidget(ReconnectTimesSpin);
  reconnect->addWidget(TimesLabel);
  reconnect->addStretch(1);
  layout->addLayout(reconnect);
  auto* delay = new QHBoxLayout;
  delay->setContentsMargins(12, 0, 0, 0);
  delay->addWidget(DelayLabel);
  delay->addWidget(ReconnectDelaySpin);
  delay->addWidget(SecondsLabel);
  delay->addStretch(1);
  layout->addLayout(delay);
  layout->addStretch(1);

  for (QRadioButton* radio : {DoNothingRadio, LoginDialogRadio, AutoLoginRadio}) {
    connect(radio, &QRadioButton::toggled, this, [this] { UpdateEnabledStates(); });
  }
  connect(ReconnectCheck, &QCheckBox::toggled, this, [this] { UpdateEnabledStates(); });
  connect(ManageDimensionsButton, &QToolButton::clicked, this, [this] { ManageDimensionsClick(); });
  UpdateEnabledStates();
}

void TAutoConnectFrame::UpdateEnabledStates() {
  const bool account = AutoLoginRadio->isChecked();
  for (QWidget* control :
       std::initializer_list<QWidget*>{UserNameLabel, UserNameCombo, PasswordLabel, PasswordEdit,
                                       DimensionLabel, DimensionCombo, ManageDimensionsButton}) {
    control->setEnabled(account);
  }
  const bool reconnect = ReconnectCheck->isChecked();
  for (QWidget* control : std::initializer_list<QWidget*>{
           ReconnectTimesSpin, TimesLabel, DelayLabel, ReconnectDelaySpin, SecondsLabel}) {
    control->setEnabled(reconnect);
  }
}

void TAutoConnectFrame::FillDimensions() {
  const QString shown = DimensionCombo->currentText();
  DimensionCombo->clear();
  const TDimensionList& list = Host.Dimensions();
  for (int i = 0; i < list.Count(); ++i) {
    DimensionCombo->addItem(list.Get(i)->Name);
  }
  const int index = DimensionCombo->findText(shown, Qt::MatchFixedString);
  DimensionCombo->setCurrentIndex(index >= 0 ? index : (DimensionCombo->count() > 0 ? 0 : -1));
}

void TAutoConnectFrame::SelectDimension(const QString& name) {
  const int index = DimensionCombo->findText(name, Qt::MatchFixedString);
  if (index >= 0) {
    DimensionCombo->setCurrentIndex(index);
  } else if (DimensionCombo->count() > 0) {
    DimensionCombo->setCurrentIndex(0);
  }
}

void TAutoConnectFrame::LoadOptions() {
  const TSettings& s = Host.Settings();
  const TLoginArray& logins = Host.Logins();
  UserNameCombo->clear();
  UserNameCombo->addItems(logins.Accounts());
  UserNameCombo->setCurrentText(s.LastUser);
  const TBytes password = logins.GetLoginPassword(s.LastUser);
  if (!password.empty()) {
    PasswordEdit->setText(
        QString::fromUtf8(password.data(), static_cast<qsizetype>(password.size())));
  }

  FillDimensions();
  SelectDimension(s.LastDimension);

  if (s.OnStartup == 0) {
    DoNothingRadio->setChecked(true);
  } else if (s.OnStartup == 2) {
    AutoLoginRadio->setChecked(true);
  } else {
    LoginDialogRadio->setChecked(true);
  }

  SelectDimension(s.AutoLoginDimension);
  if (!s.AutoLoginUser.isEmpty()) {
    UserNameCombo->setCurrentText(s.AutoLoginUser);
  }
  if (!s.AutoLoginPassword.isEmpty()) {
    PasswordEdit->setText(s.AutoLoginPassword);
  }

  ReconnectCheck->setChecked(s.AutoReconnect);
  ReconnectTimesSpin->setValue(s.ReconnectTimes);
  ReconnectDelaySpin->setValue(s.ReconnectDelay);
  UpdateEnabledStates();
}

void TAutoConnectFrame::ManageDimensionsClick() {
  TDimensionList& list = Host.Dimensions();
  if (list.Count() == 0) {
    std::unique_ptr<TDimensionInfo> dimension = Host.NewDimension(this);
    if (dimension) {
      const QString name = dimension->Name;
      list.Add(std::move(dimension));
      DimensionCombo->addItem(name);
      DimensionCombo->setCurrentIndex(DimensionCombo->count() - 1);
    }
  } else if (Host.ManageDimensions(this)) {
    FillDimensions();
  }
}

void TAutoConnectFrame::ApplyOptions() {
  TSettings& s = Host.Settings();
  if (DoNothingRadio->isChecked()) {
    s.OnStartup = 0;
  } else if (AutoLoginRadio->isChecked()) {
    s.OnStartup = 2;
  } else {
    s.OnStartup = 1;
  }
  if (AutoLoginRadio->isChecked()) {
    // The entries are the dimensions' names; with no dimension at all there is
    // none to log in to.
    s.AutoLoginDimension =
        DimensionCombo->currentIndex() >= 0 ? DimensionCombo->currentText() : QString();
    s.AutoLoginUser = UserNameCombo->currentText();
    s.AutoLoginPassword = PasswordEdit->text();
  }
  s.AutoReconnect = ReconnectCheck->isChecked();
  ReconnectTimesSpin->interpretText();
  ReconnectDelaySpin->interpretText();
  s.ReconnectTimes = ReconnectTimesSpin->value();
  s.ReconnectDelay = ReconnectDelaySpin->value();
}

} // namespace tessra

#include "SOCKSFrame.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "OptionsHost.h"

namespace tessra {

TSOCKSFrame::TSOCKSFrame(TOptionsHost& host, QWidget* parent) : TOptionBaseFrame(host, parent) {
  setObjectName(QStringLiteral("SOCKSFrame"));
  EnableCheck = new QCheckBox(QStringLiteral("&Enable"), this);
  Ver4Radio = new QRadioButton(QStringLiteral("Ver &4"), this);
  Ver5Radio = new QRadioButton(QStringLiteral("Ver &5"), this);
  HostEdit = new QLineEdit(this);
  HostLabel = new QLabel(QStringLiteral("&Host:"), this);
  HostLabel->setBuddy(HostEdit);
  PortEdit = new QLineEdit(this);
  PortLabel = new QLabel(QStringLiteral("&Port:"), this);
  PortLabel->setBuddy(PortEdit);
  UserEdit = new QLineEdit(this);
  UserLabel = new QLabel(QStringLiteral("&User:"), this);
  UserLabel->setBuddy(UserEdit);
  PassEdit = new QLineEdit(this);
  PassEdit->setEchoMode(QLineEdit::Password);
  PassEdit->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
  PassLabel = new QLabel(QStringLiteral("&Pass:"), this);
  PassLabel->setBuddy(PassEdit);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Heading(QStringLiteral("SOCKS proxy")));
  auto* versions = new QHBoxLayout;
  versions->setContentsMargins(12, 0, 0, 0);
  versions->addWidget(EnableCheck);
  versions->addWidget(Ver4Radio);
  versions->addWidget(Ver5Radio);
  versions->addStretch(1);
  layout->addLayout(versions);
  auto* address = new QGridLayout;
  address->setContentsMargins(12, 0, 0, 0);
  address->addWidget(HostLabel, 0, 0);
  address->addWidget(HostEdit, 0, 1);
  address->addWidget(PortLabel, 1, 0);
  address->addWidget(PortEdit, 1, 1);
  layout->addLayout(address);
  layout->addWidget(Heading(QStringLiteral("Ver5 Authentication")));
  auto* login = new QGridLayout;
  login->setContentsMargins(12, 0, 0, 0);
  login->addWidget(UserLabel, 0, 0);
  login->addWidget(UserEdit, 0, 1);
  login->addWidget(PassLabel, 1, 0);
  login->addWidget(PassEdit, 1, 1);
  layout->addLayout(login);
  layout->addStretch(1);

  connect(EnableCheck, &QCheckBox::toggled, this, [this] { UpdateEnabledStates(); });
  connect(Ver5Radio, &QRadioButton::toggled, this, [this] { UpdateEnabledStates(); });
  Ver4Radio->setChecked(true);
  UpdateEnabledStates();
}

void TSOCKSFrame::UpdateEnabledStates() {
  const bool enabled = EnableCheck->isChecked();
  for (QWidget* control : std::initializer_list<QWidget*>{Ver4Radio, Ver5Radio, HostLabel, HostEdit,
                                                          PortLabel, PortEdit}) {
    control->setEnabled(enabled);
  }
  // The authentication fields follow the version choice alone.
  const bool version5 = Ver5Radio->isChecked();
  for (QWidget* control :
       std::initializer_list<QWidget*>{UserLabel, UserEdit, PassLabel, PassEdit}) {
    control->setEnabled(version5);
  }
}

void TSOCKSFrame::LoadOptions() {
  const TProxySettings proxy = Host.GetProxy();
  EnableCheck->setChecked(proxy.Enabled);
  (proxy.Version5 ? Ver5Radio : Ver4Radio)->setChecked(true);
  HostEdit->setText(proxy.Host);
  PortEdit->setText(proxy.Port);
  UserEdit->setText(proxy.User);
  PassEdit->setText(proxy.Pass);
  UpdateEnabledStates();
}

void TSOCKSFrame::ApplyOptions() {
  TProxySettings proxy;
  proxy.Enabled = EnableCheck->isChecked();
  proxy.Version5 = Ver5Radio->isChecked();
  proxy.Host = HostEdit->text();
  proxy.Port = PortEdit->text();
  proxy.User = UserEdit->text();
  proxy.Pass = PassEdit->text();
  Host.ApplyProxy(proxy);
}

} // namespace tessra

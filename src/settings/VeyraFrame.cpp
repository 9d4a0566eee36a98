#include "VeyraFrame.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "OptionsHost.h"

namespace tessra {

namespace {

QToolButton* BrowseButton(QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setText(QStringLiteral("..."));
  button->setToolTip(QStringLiteral("Browse"));
  return button;
}

} // namespace

TVeyraFrame::TVeyraFrame(TOptionsHost& host, QWidget* parent) : TOptionBaseFrame(host, parent) {
  setObjectName(QStringLiteral("VeyraFrame"));
  FolderEdit = new QLineEdit(this);
  FolderLabel = new QLabel(QStringLiteral("Veyra Folder:"), this);
  FolderLabel->setBuddy(FolderEdit);
  FolderBrowseButton = BrowseButton(this);
  PlaySoundsCheck = new QCheckBox(QStringLiteral("Play Voice Commands (Requires Ormund)"), this);
  ckbxIgnorelist = new QCheckBox(QStringLiteral("Load and save ignorelist"), this);
  rbAcctCharIgnore =
      new QRadioButton(QStringLiteral(".. of appropriate account and character"), this);
  rbOneForAllIgnore = new QRadioButton(QStringLiteral("one for all accounts and characters"), this);
  edtIgnorelist = new QLineEdit(this);
  lblIgnorelist = new QLabel(QStringLiteral("Ignorelist.bin:"), this);
  lblIgnorelist->setBuddy(edtIgnorelist);
  spdbtnIgnorelist = BrowseButton(this);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Heading(QStringLiteral("Veyra Options")));
  auto* folder = new QHBoxLayout;
  folder->setContentsMargins(12, 0, 0, 0);
  folder->addWidget(FolderLabel);
  folder->addWidget(FolderEdit, 1);
  folder->addWidget(FolderBrowseButton);
  layout->addLayout(folder);
  auto* checks = new QVBoxLayout;
  checks->setContentsMargins(12, 0, 0, 0);
  checks->addWidget(PlaySoundsCheck);
  checks->addWidget(ckbxIgnorelist);
  layout->addLayout(checks);
  auto* modes = new QVBoxLayout;
  modes->setContentsMargins(28, 0, 0, 0);
  modes->addWidget(rbAcctCharIgnore);
  modes->addWidget(rbOneForAllIgnore);
  auto* file = new QHBoxLayout;
  file->setContentsMargins(16, 0, 0, 0);
  file->addWidget(lblIgnorelist);
  file->addWidget(edtIgnorelist, 1);
  file->addWidget(spdbtnIgnorelist);
  modes->addLayout(file);
  layout->addLayout(modes);
  layout->addStretch(1);

  connect(ckbxIgnorelist, &QCheckBox::toggled, this, [this] { UpdateEnabledStates(); });
  connect(rbOneForAllIgnore, &QRadioButton::toggled, this, [this] { UpdateEnabledStates(); });
  connect(FolderBrowseButton, &QToolButton::clicked, this, [this] { BrowseFor(FolderEdit); });
  connect(spdbtnIgnorelist, &QToolButton::clicked, this, [this] { BrowseFor(edtIgnorelist); });
  rbAcctCharIgnore->setChecked(true);
  UpdateEnabledStates();
}

void TVeyraFrame::UpdateEnabledStates() {
  const bool ignoreList = ckbxIgnorelist->isChecked();
  rbAcctCharIgnore->setEnabled(ignoreList);
  rbOneForAllIgnore->setEnabled(ignoreList);
  const bool oneForAll = rbOneForAllIgnore->isChecked() && rbOneForAllIgnore->isEnabled();
  for (QWidget* control :
       std::initializer_list<QWidget*>{lblIgnorelist, edtIgnorelist, spdbtnIgnorelist}) {
    control->setEnabled(oneForAll);
  }
}

void TVeyraFrame::BrowseFor(QLineEdit* edit) {
  if (const std::optional<QString> folder = Host.BrowseFolder(
          this, QStringLiteral("Select your Veyra directory below:"), edit->text())) {
    edit->setText(*folder);
  }
}

void TVeyraFrame::LoadOptions() {
  const TSettings& s = Host.Settings();
  FolderEdit->setText(s.VeyraDirectory);
  PlaySoundsCheck->setChecked(s.PlaySounds);
  ckbxIgnorelist->setChecked(s.IgnoreList);
  (s.IgnoreMode == 0 ? rbAcctCharIgnore : rbOneForAllIgnore)->setChecked(true);
  edtIgnorelist->setText(s.IgnoreAllFolder);
  UpdateEnabledStates();
}

void TVeyraFrame::ApplyOptions() {
  TSettings& s = Host.Settings();
  s.VeyraDirectory = FolderEdit->text();
  s.PlaySounds = PlaySoundsCheck->isChecked();
  s.IgnoreList = ckbxIgnorelist->isChecked();
  s.IgnoreMode = rbAcctCharIgnore->isChecked() ? 0 : 1;
  s.IgnoreAllFolder = edtIgnorelist->text();
}

} // namespace tessra

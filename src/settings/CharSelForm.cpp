#include "CharSelForm.h"

#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "EnterIsOk.h"

namespace tessra {

TCharSelForm::TCharSelForm(QWidget* parent, const QStringList& characters,
                           const QString& lastCharacter, TPrompt& prompt)
    : QDialog(parent), Prompt(prompt) {
  setWindowTitle(QStringLiteral("Character Selection"));
  auto* heading = new QLabel(QStringLiteral("Select Veyra Character"), this);
  QFont headingFont = heading->font();
  headingFont.setBold(true);
  heading->setFont(headingFont);
  auto* hint = new QLabel(QStringLiteral("You have the following characters available..."), this);

  Characters = new QComboBox(this);
  Characters->setEditable(true);
  Characters->setInsertPolicy(QComboBox::NoInsert);
  Characters->completer()->setCaseSensitivity(Qt::CaseInsensitive);
  QStringList sorted = characters;
  sorted.sort(Qt::CaseInsensitive);
  Characters->addItems(sorted);
  int preselect = Characters->findText(lastCharacter, Qt::MatchFixedString);
  if (lastCharacter.isEmpty() || preselect < 0) {
    preselect = sorted.isEmpty() ? -1 : 0;
  }
  Characters->setCurrentIndex(preselect);

  auto* form = new QFormLayout;
  auto* label = new QLabel(QStringLiteral("&Character:"), this);
  label->setBuddy(Characters);
  form->addRow(label, Characters);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  OkBtn = buttons->button(QDialogButtonBox::Ok);
  OkBtn->setText(QStringLiteral("Ok"));
  OkBtn->setDefault(true);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &TCharSelForm::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TCharSelForm::reject);
  new TEnterIsOk(*Characters, *OkBtn, this);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addWidget(hint);
  layout->addLayout(form);
  layout->addWidget(buttons);
  Characters->setFocus();
}

QString TCharSelForm::CharacterName() const {
  return Characters->currentText();
}

void TCharSelForm::accept() {
  const QString text = CharacterName();
  // MatchFixedString compares without regard to letter case.
  if (text.isEmpty() || Characters->findText(text, Qt::MatchFixedString) < 0) {
    Prompt.Error(this, QStringLiteral("The character ") + text +
                           QStringLiteral(" is not available for your account."));
    return;
  }
  QDialog::accept();
}

} // namespace tessra

#include "CharSelForm.h"

#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessra {

namespace {

// Turns Enter in a field into one click of a button (unless a list is open
// over the field, where Enter picks the entry).
class TEnterIsOk : public QObject {
public:
  TEnterIsOk(QPushButton* button, QObject* parent) : QObject(parent), Button(button) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
          key->modifiers() == Qt::NoModifier) {
        Button->click();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

private:
  QPushButton* Button;
};

} // namespace

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
  // An editable combo box keeps Enter to itself, so the default button would
  // never hear it: Enter in the name field means Ok, once.
  // The box passes its keys on to its line edit by hand, past any filter, so
  // both are watched.
  auto* enterIsOk = new TEnterIsOk(OkBtn, this);
  Characters->installEventFilter(enterIsOk);
  Characters->lineEdit()->installEventFilter(enterIsOk);

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

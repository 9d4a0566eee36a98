#include "LoginForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "EnterIsOk.h"
#include "ServerForm.h"
#include "ServersForm.h"

namespace tessra {

namespace {

QString BytesToText(const TBytes& bytes) {
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace

TLoginForm::TLoginForm(QWidget* parent, const TLoginArray& logins, TDimensionList& dimensions,
                       TDimensionInfo*& current, const QString& lastUser,
                       const QString& lastDimension, TPrompt& prompt)
    : QDialog(parent), Logins(logins), DimensionList(dimensions), Current(current), Prompt(prompt) {
  setWindowTitle(QStringLiteral("Tessra+ Login"));
  auto* intro = new QLabel(QStringLiteral("User authentication is required to chat on Veyra.  "
                                          "Please select a dimension, enter your username and "
                                          "corresponding password below."),
                           this);
  intro->setWordWrap(true);

  UserNames = new QComboBox(this);
  UserNames->setEditable(true);
  UserNames->setInsertPolicy(QComboBox::NoInsert);
  UserNames->completer()->setCaseSensitivity(Qt::CaseInsensitive);
  QStringList accounts = logins.Accounts();
  accounts.sort(Qt::CaseInsensitive);
  UserNames->addItems(accounts);

  PasswordBox = new QLineEdit(this);
  PasswordBox->setEchoMode(QLineEdit::Password);
  PasswordBox->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
  Remember = new QCheckBox(QStringLiteral("Remember password"), this);

  Dimensions = new QComboBox(this);
  Dimensions->setEditable(false);
  ManageBtn = new QToolButton(this);
  ManageBtn->setText(QStringLiteral("..."));
  ManageBtn->setToolTip(QStringLiteral("Manage Dimensions"));

  auto* userLabel = new QLabel(QStringLiteral("&Username:"), this);
  userLabel->setBuddy(UserNames);
  auto* passwordLabel = new QLabel(QStringLiteral("&Password:"), this);
  passwordLabel->setBuddy(PasswordBox);
  auto* dimensionLabel = new QLabel(QStringLiteral("&Dimension:"), this);
  dimensionLabel->setBuddy(Dimensions);

  auto* grid = new QGridLayout;
  grid->addWidget(userLabel, 0, 0);
  grid->addWidget(UserNames, 0, 1, 1, 2);
  grid->addWidget(passwordLabel, 1, 0);
  grid->addWidget(PasswordBox, 1, 1, 1, 2);
  grid->addWidget(Remember, 2, 1, 1, 2);
  grid->addWidget(dimensionLabel, 3, 0);
  grid->addWidget(Dimensions, 3, 1);
  grid->addWidget(ManageBtn, 3, 2);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  OkBtn = buttons->button(QDialogButtonBox::Ok);
  OkBtn->setText(QStringLiteral("OK"));
  OkBtn->setDefault(true);
  new TEnterIsOk(*UserNames, *OkBtn, this);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &TLoginForm::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TLoginForm::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addLayout(grid);
  layout->addWidget(buttons);

  connect(UserNames, &QComboBox::currentTextChanged, this, &TLoginForm::UserNameChanged);
  connect(ManageBtn, &QToolButton::clicked, this, &TLoginForm::ManageDimensionsClick);

  UserNames->setCurrentIndex(-1);
  UserNames->setEditText(lastUser);
  UserNameChanged(lastUser);
  FillDimensions(lastDimension);
  if (lastUser.isEmpty()) {
    UserNames->setFocus();
  } else {
    PasswordBox->setFocus();
  }
}

QString TLoginForm::UserName() const {
  return UserNames->currentText();
}
QString TLoginForm::Password() const {
  return PasswordBox->text();
}
bool TLoginForm::RememberPassword() const {
  return Remember->isChecked();
}

TDimensionInfo* TLoginForm::SelectedDimension() const {
  const int index = Dimensions->currentIndex();
  return index >= 0 && index < DimensionList.Count() ? DimensionList.Get(index) : nullptr;
}

void TLoginForm::UserNameChanged(const QString& text) {
  const TBytes password = Logins.GetLoginPassword(text);
  PasswordBox->setText(BytesToText(password));
  Remember->setChecked(!password.empty());
}

// The entries mirror the list one to one, so an entry's index is its
// dimension's index: nothing here can outlive a change of the list.
void TLoginForm::FillDimensions(const QString& selectName) {
  Dimensions->clear();
  for (int i = 0; i < DimensionList.Count(); ++i) {
    Dimensions->addItem(DimensionList.Get(i)->Name);
  }
  const int index = DimensionList.IndexOfName(selectName);
  Dimensions->setCurrentIndex(index >= 0 ? index : (DimensionList.Count() > 0 ? 0 : -1));
}

void TLoginForm::ManageDimensionsClick() {
  if (DimensionList.Count() == 0) {
    std::unique_ptr<TDimensionInfo> dimension = TServerForm::NewDimension(this, Prompt, {});
    if (dimension) {
      const QString name = dimension->Name;
      DimensionList.Add(std::move(dimension));
      FillDimensions(name);
    }
    return;
  }
  const QString shown = Dimensions->currentText();
  if (TServersForm::ManageDimensions(this, DimensionList, Current, Prompt)) {
    FillDimensions(shown);
  }
}

void TLoginForm::accept() {
  // Connecting needs somewhere to connect to; everything else is the server's to judge.
  if (SelectedDimension() == nullptr) {
    Prompt.Error(this, QStringLiteral("Please add a Dimension to connect to."));
    return;
  }
  QDialog::accept();
}

} // namespace tessra

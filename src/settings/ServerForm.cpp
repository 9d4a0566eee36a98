#include "ServerForm.h"

#include <limits>

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "LoginStore.h"

namespace tessra {

TServerForm::TServerForm(QWidget* parent, TPrompt& prompt) : QDialog(parent), Prompt(prompt) {
  setWindowTitle(QStringLiteral("Dimension Details"));
  auto* tabs = new QTabWidget(this);
  auto* page = new QWidget(tabs);
  tabs->addTab(page, QStringLiteral("General"));

  Title = new QLabel(QStringLiteral("Edit Veyra Dimension"), page);
  QFont titleFont = Title->font();
  titleFont.setBold(true);
  Title->setFont(titleFont);
  NameBox = new QLineEdit(page);
  HostBox = new QLineEdit(page);
  PortBox = new QSpinBox(page);
  PortBox->setRange(0, std::numeric_limits<int>::max());
  PortBox->setValue(kDefaultDimensionPort);
  DescriptionBox = new QPlainTextEdit(page);
  DescriptionBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  DescriptionBox->setTabChangesFocus(true);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Name:"), NameBox);
  form->addRow(QStringLiteral("Host:"), HostBox);
  form->addRow(QStringLiteral("Port:"), PortBox);
  form->addRow(QStringLiteral("Description:"), DescriptionBox);
  auto* pageLayout = new QVBoxLayout(page);
  pageLayout->addWidget(Title);
  pageLayout->addLayout(form);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  OkBtn = buttons->button(QDialogButtonBox::Ok);
  OkBtn->setText(QStringLiteral("OK"));
  OkBtn->setDefault(true);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &TServerForm::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TServerForm::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  layout->addWidget(buttons);
  NameBox->setFocus();
}

void TServerForm::Fill(const TDimensionInfo& dimension) {
  NameBox->setText(dimension.Name);
  HostBox->setText(dimension.Host);
  PortBox->setValue(dimension.Port);
  QString description = dimension.Description;
  description.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  DescriptionBox->setPlainText(description);
  const bool editable = !dimension.BuiltIn;
  NameBox->setEnabled(editable);
  HostBox->setEnabled(editable);
  PortBox->setEnabled(editable);
  DescriptionBox->setEnabled(editable);
  OkBtn->setEnabled(editable);
  Title->setText(editable ? QStringLiteral("Edit Veyra Dimension")
                          : QStringLiteral("Built-In Veyra Dimension"));
}

void TServerForm::ApplyTo(TDimensionInfo& dimension) const {
  dimension.SetName(NameBox->text());
  dimension.SetHost(HostBox->text());
  dimension.SetPort(PortBox->value());
  // Several lines are kept with CR LF between them, as the store expects.
  QString description = DescriptionBox->toPlainText();
  description.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  description.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  dimension.SetDescription(description);
}

void TServerForm::accept() {
  // A built-in dimension is only looked at; OK is disabled for it.
  if (!OkBtn->isEnabled()) {
    return;
  }
  auto refuse = [this](QWidget* field, const QString& message) {
    Prompt.Information(this, message);
    field->setFocus();
  };
  const QString name = NameBox->text().trimmed();
  if (name.isEmpty()) {
    refuse(NameBox, QStringLiteral("You must specify a name for the Dimension."));
    return;
  }
  if (HostBox->text().trimmed().isEmpty()) {
    refuse(HostBox, QStringLiteral("You must specify a host for the Dimension."));
    return;
  }
  if (PortBox->value() <= 0) {
    refuse(PortBox, QStringLiteral("You must specify a port for the Dimension."));
    return;
  }
  // The name is the dimension's key in the store: a backslash would split it
  // into nested keys, and two names equal but for case would share one key.
  if (name.contains(QLatin1Char('\\'))) {
    refuse(NameBox, QStringLiteral("The name of a Dimension cannot contain a backslash."));
    return;
  }
  for (const QString& taken : TakenNames) {
    if (taken.trimmed().compare(name, Qt::CaseInsensitive) == 0) {
      refuse(NameBox, QStringLiteral("There is already a Dimension named '") + taken +
                          QStringLiteral("'.  Please choose another name."));
      return;
    }
  }
  QDialog::accept();
}

std::unique_ptr<TDimensionInfo> TServerForm::NewDimension(QWidget* parent, TPrompt& prompt,
                                                          const QStringList& takenNames) {
  TServerForm form(parent, prompt);
  TDimensionInfo fresh(QStringLiteral("New Dimension"), QString(), kDefaultDimensionPort,
                       QString());
  form.Fill(fresh);
  form.SetTakenNames(takenNames);
  if (prompt.ExecDialog(form) != QDialog::Accepted) {
    return nullptr;
  }
  auto dimension = std::make_unique<TDimensionInfo>();
  form.ApplyTo(*dimension);
  dimension->SetBuiltIn(false);
  return dimension;
}

} // namespace tessra

#include "ServersForm.h"

#include <memory>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ServerForm.h"

namespace tessra {

namespace {

std::unique_ptr<TDimensionInfo> Copy(const TDimensionInfo& source) {
  auto copy =
      std::make_unique<TDimensionInfo>(source.Name, source.Description, source.Port, source.Host);
  copy->SetBuiltIn(source.BuiltIn);
  return copy;
}

} // namespace

TServersForm::TServersForm(QWidget* parent, const TDimensionList& dimensions, TPrompt& prompt)
    : QDialog(parent), Prompt(prompt) {
  setWindowTitle(QStringLiteral("Veyra Dimensions"));
  auto* heading = new QLabel(QStringLiteral("Available Veyra Dimensions"), this);
  QFont headingFont = heading->font();
  headingFont.setBold(true);
  heading->setFont(headingFont);
  auto* hint = new QLabel(
      QStringLiteral("You can select a Dimension and change its settings or remove it."), this);
  auto* listLabel =
      new QLabel(QStringLiteral("Tessra has the following Dimensions configred:"), this);

  List = new QTreeWidget(this);
  List->setColumnCount(1);
  List->setHeaderLabels({QStringLiteral("Name")});
  List->setRootIsDecorated(false);
  List->setSelectionMode(QAbstractItemView::SingleSelection);
  listLabel->setBuddy(List);

  ChangeBtn = new QPushButton(QStringLiteral("&Change..."), this);
  AddBtn = new QPushButton(QStringLiteral("&Add..."), this);
  RemoveBtn = new QPushButton(QStringLiteral("&Remove"), this);
  OkBtn = new QPushButton(QStringLiteral("OK"), this);
  CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
  OkBtn->setDefault(true);

  auto* side = new QVBoxLayout;
  side->addWidget(ChangeBtn);
  side->addWidget(AddBtn);
  side->addWidget(RemoveBtn);
  side->addStretch();
  auto* middle = new QHBoxLayout;
  middle->addWidget(List, 1);
  middle->addLayout(side);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch();
  bottom->addWidget(OkBtn);
  bottom->addWidget(CancelBtn);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addWidget(hint);
  layout->addWidget(listLabel);
  layout->addLayout(middle);
  layout->addLayout(bottom);

  WorkingList.Clear();
  for (int i = 0; i < dimensions.Count(); ++i) {
    const TDimensionInfo* source = dimensions.Get(i);
    WorkingList.Add(Copy(*source));
    Origins.push_back(source);
    AddRow(source->Name);
  }
  if (List->topLevelItemCount() > 0) {
    List->setCurrentItem(List->topLevelItem(0));
  }

  connect(List, &QTreeWidget::itemSelectionChanged, this, &TServersForm::UpdateButtons);
  connect(List, &QTreeWidget::itemDoubleClicked, this, [this] { ChangeClick(); });
  connect(ChangeBtn, &QPushButton::clicked, this, &TServersForm::ChangeClick);
  connect(AddBtn, &QPushButton::clicked, this, &TServersForm::AddClick);
  connect(RemoveBtn, &QPushButton::clicked, this, &TServersForm::RemoveClick);
  connect(OkBtn, &QPushButton::clicked, this, &TServersForm::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &TServersForm::reject);
  UpdateButtons();
}

int TServersForm::SelectedIndex() const {
  const QList<QTreeWidgetItem*> selected = List->selectedItems();
  return selected.isEmpty() ? -1 : List->indexOfTopLevelItem(selected.first());
}

void TServersForm::AddRow(const QString& name) {
  auto* item = new QTreeWidgetItem(List);
  item->setText(0, name);
}

void TServersForm::UpdateButtons() {
  const int index = SelectedIndex();
  ChangeBtn->setEnabled(index >= 0);
  AddBtn->setEnabled(true);
  RemoveBtn->setEnabled(index >= 0 && index < WorkingList.Count() &&
                        !WorkingList.Get(index)->BuiltIn);
}

QStringList TServersForm::NamesExcept(int index) const {
  QStringList names;
  for (int i = 0; i < WorkingList.Count(); ++i) {
    if (i != index) {
      names.append(WorkingList.Get(i)->Name);
    }
  }
  return names;
}

void TServersForm::ChangeClick() {
  const int index = SelectedIndex();
  if (index < 0) {
    Prompt.Error(this, QStringLiteral("Please select a Dimension configuration to change."));
    return;
  }
  TDimensionInfo* dimension = WorkingList.Get(index);
  TServerForm details(this, Prompt);
  details.Fill(*dimension);
  details.SetTakenNames(NamesExcept(index));
  if (Prompt.ExecDialog(details) == QDialog::Accepted && !dimension->BuiltIn) {
    details.ApplyTo(*dimension);
  }
  List->topLevelItem(index)->setText(0, dimension->Name);
  UpdateButtons();
}

void TServersForm::AddClick() {
  std::unique_ptr<TDimensionInfo> dimension =
      TServerForm::NewDimension(this, Prompt, NamesExcept(-1));
  if (dimension) {
    const QString name = dimension->Name;
    WorkingList.Add(std::move(dimension));
    Origins.push_back(nullptr);
    AddRow(name);
    List->setCurrentItem(List->topLevelItem(List->topLevelItemCount() - 1));
  }
  UpdateButtons();
}

void TServersForm::RemoveClick() {
  const int index = SelectedIndex();
  if (index < 0) {
    Prompt.Error(this, QStringLiteral("Please select a Dimension configuration to remove."));
    return;
  }
  const TDimensionInfo* dimension = WorkingList.Get(index);
  if (dimension->BuiltIn) {
    return; // the button is disabled for these
  }
  if (Prompt.Question(this, QStringLiteral("Are you sure you want to remove the '") +
                                dimension->Name + QStringLiteral("' Dimension?"))) {
    WorkingList.Delete(index);
    Origins.erase(Origins.begin() + index);
    // The row goes quietly; the buttons are brought up to date below. A taken
    // item belongs to us.
    const QSignalBlocker quiet(List);
    std::unique_ptr<QTreeWidgetItem> row(List->takeTopLevelItem(index));
  }
  UpdateButtons();
}

TDimensionInfo* TServersForm::Commit(TDimensionList& target, TDimensionInfo* current) const {
  // Which working entry stands for current has to be known before the
  // originals go; a current that is not in target is not replaced at all.
  const bool replaced = current != nullptr && target.IndexOf(current) >= 0;
  int currentIndex = -1;
  QString currentName;
  if (replaced) {
    currentName = current->Name;
    for (size_t i = 0; i < Origins.size(); ++i) {
      if (Origins[i] == current) {
        currentIndex = static_cast<int>(i);
      }
    }
  }
  target.Clear();
  for (int i = 0; i < WorkingList.Count(); ++i) {
    target.Add(Copy(*WorkingList.Get(i)));
  }
  if (!replaced) {
    return current;
  }
  if (currentIndex >= 0) {
    return target.Get(currentIndex);
  }
  const int byName = target.IndexOfName(currentName);
  return byName >= 0 ? target.Get(byName) : nullptr;
}

bool TServersForm::ManageDimensions(QWidget* parent, TDimensionList& dimensions,
                                    TDimensionInfo*& current, TPrompt& prompt) {
  TServersForm form(parent, dimensions, prompt);
  if (prompt.ExecDialog(form) != QDialog::Accepted) {
    return false;
  }
  current = form.Commit(dimensions, current);
  return true;
}

} // namespace tessra

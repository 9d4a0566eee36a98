#pragma once

#include <vector>

#include <QDialog>

#include "Prompt.h"
#include "engine/DimensionList.h"

class QPushButton;
class QTreeWidget;

namespace tessra {

// "Veyra Dimensions": lists the dimensions and lets the user change, add and
// remove them. It works on copies; only Commit changes the real list.
class TServersForm : public QDialog {
public:
  TServersForm(QWidget* parent, const TDimensionList& dimensions, TPrompt& prompt);

  void ChangeClick();
  void AddClick();
  void RemoveClick();

  // Replaces every dimension of target with copies of the working list and
  // returns the copy standing for current (found by identity, else by name),
  // or nullptr when it is gone. A current that is not in target stays as it is.
  TDimensionInfo* Commit(TDimensionList& target, TDimensionInfo* current) const;

  const TDimensionList& Working() const { return WorkingList; }
  QTreeWidget* ListView() const { return List; }
  QPushButton* ChangeButton() const { return ChangeBtn; }
  QPushButton* AddButton() const { return AddBtn; }
  QPushButton* RemoveButton() const { return RemoveBtn; }
  QPushButton* OkButton() const { return OkBtn; }
  QPushButton* CancelButton() const { return CancelBtn; }

  // Runs the dialog on the list; on OK commits it, keeping current pointing at
  // the same dimension (nullptr if it was removed). True when committed.
  static bool ManageDimensions(QWidget* parent, TDimensionList& dimensions,
                               TDimensionInfo*& current, TPrompt& prompt);

private:
  int SelectedIndex() const;
  void AddRow(const QString& name);
  void UpdateButtons();
  QStringList NamesExcept(int index) const;

  TPrompt& Prompt;
  TDimensionList WorkingList;
  // For each working entry, the entry of the original list it was copied from
  // (nullptr for new ones).
  std::vector<const TDimensionInfo*> Origins;
  QTreeWidget* List;
  QPushButton* ChangeBtn;
  QPushButton* AddBtn;
  QPushButton* RemoveBtn;
  QPushButton* OkBtn;
  QPushButton* CancelBtn;
};

} // namespace tessra

#pragma once

#include <memory>

#include <QDialog>
#include <QStringList>

#include "Prompt.h"
#include "engine/DimensionList.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace tessra {

// "Dimension Details": name, host, port and description of one dimension.
// OK checks the entries and keeps the dialog open on the first failure.
class TServerForm : public QDialog {
public:
  TServerForm(QWidget* parent, TPrompt& prompt);

  // Fills the fields from a dimension; a built-in one can only be looked at.
  void Fill(const TDimensionInfo& dimension);
  // Names used by the other dimensions (letter case ignored); OK refuses them.
  void SetTakenNames(const QStringList& names) { TakenNames = names; }
  // The entered values, as typed.
  void ApplyTo(TDimensionInfo& dimension) const;

  QLineEdit* NameEdit() const { return NameBox; }
  QLineEdit* HostEdit() const { return HostBox; }
  QSpinBox* PortEdit() const { return PortBox; }
  QPlainTextEdit* DescriptionEdit() const { return DescriptionBox; }
  QPushButton* OkButton() const { return OkBtn; }
  QLabel* TitleLabel() const { return Title; }

  void accept() override;

  // Opens the dialog for a new dimension; the entered dimension, not built in,
  // or nothing when cancelled.
  static std::unique_ptr<TDimensionInfo> NewDimension(QWidget* parent, TPrompt& prompt,
                                                      const QStringList& takenNames);

private:
  TPrompt& Prompt;
  QStringList TakenNames;
  QLabel* Title;
  QLineEdit* NameBox;
  QLineEdit* HostBox;
  QSpinBox* PortBox;
  QPlainTextEdit* DescriptionBox;
  QPushButton* OkBtn;
};

} // namespace tessra

#pragma once

#include <QDialog>

#include "LoginArray.h"
#include "Prompt.h"
#include "engine/DimensionList.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace tessra {

// "Tessra+ Login": account, password, "Remember password" and the dimension to
// connect to, with a button to manage the dimensions. It edits the engine's
// dimension list in place (through the dimensions dialog) and keeps current,
// the engine's chosen dimension, pointing at a live entry.
class TLoginForm : public QDialog {
public:
  TLoginForm(QWidget* parent, const TLoginArray& logins, TDimensionList& dimensions,
             TDimensionInfo*& current, const QString& lastUser, const QString& lastDimension,
             TPrompt& prompt);

  QString UserName() const;
  QString Password() const;
  bool RememberPassword() const;
  // The dimension of the selected entry; nullptr when the list is empty.
  TDimensionInfo* SelectedDimension() const;

  void ManageDimensionsClick();

  QComboBox* UserNameBox() const { return UserNames; }
  QLineEdit* PasswordEdit() const { return PasswordBox; }
  QCheckBox* RememberBox() const { return Remember; }
  QComboBox* DimensionBox() const { return Dimensions; }
  QToolButton* ManageButton() const { return ManageBtn; }
  QPushButton* OkButton() const { return OkBtn; }

  void accept() override;

private:
  void UserNameChanged(const QString& text);
  void FillDimensions(const QString& selectName);

  const TLoginArray& Logins;
  TDimensionList& DimensionList;
  TDimensionInfo*& Current;
  TPrompt& Prompt;
  QComboBox* UserNames;
  QLineEdit* PasswordBox;
  QCheckBox* Remember;
  QComboBox* Dimensions;
  QToolButton* ManageBtn;
  QPushButton* OkBtn;
};

} // namespace tessra

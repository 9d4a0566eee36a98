#pragma once

#include <QDialog>
#include <QStringList>

#include "Prompt.h"

class QComboBox;
class QPushButton;

namespace tessra {

// "Character Selection": picks one of the account's characters. Ok accepts a
// listed name in any letter case and keeps the text as typed.
class TCharSelForm : public QDialog {
public:
  // lastCharacter is preselected when listed, else the first (sorted) name.
  TCharSelForm(QWidget* parent, const QStringList& characters, const QString& lastCharacter,
               TPrompt& prompt);

  QString CharacterName() const;
  QComboBox* CharacterBox() const { return Characters; }
  QPushButton* OkButton() const { return OkBtn; }

  void accept() override;

private:
  TPrompt& Prompt;
  QComboBox* Characters;
  QPushButton* OkBtn;
};

} // namespace tessra

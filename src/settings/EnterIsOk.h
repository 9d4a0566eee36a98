#pragma once

#include <QObject>

class QComboBox;
class QPushButton;

namespace tessra {

// Enter in an editable combo box means the dialog's default button. The box
// keeps Enter to itself otherwise, so the default button never hears it.
// Owned by the dialog (its Qt parent).
class TEnterIsOk : public QObject {
public:
  TEnterIsOk(QComboBox& box, QPushButton& button, QObject* parent);

  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QPushButton& Button;
};

} // namespace tessra

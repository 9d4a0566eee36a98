#include "OptionBaseFrame.h"

#include <QLabel>
#include <QSpinBox>

namespace tessra {

TOptionBaseFrame::TOptionBaseFrame(TOptionsHost& host, QWidget* parent)
    : QFrame(parent), Host(host) {
  QFont tahoma(QStringLiteral("Tahoma"));
  tahoma.setPointSize(8);
  setFont(tahoma);
  setMinimumSize(kDesignSize);
}

QLabel* TOptionBaseFrame::Heading(const QString& text) {
  auto* label = new QLabel(text, this);
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  return label;
}

QSpinBox* TOptionBaseFrame::SpinEdit(int minimum, int maximum) {
  auto* spin = new QSpinBox(this);
  spin->setRange(minimum, maximum);
  // Out-of-range text is corrected rather than refused while typing.
  spin->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
  spin->setKeyboardTracking(false);
  return spin;
}

} // namespace tessra

#pragma once

#include <QFrame>
#include <QSize>

class QLabel;
class QSpinBox;

namespace tessra {

class TOptionsHost;

// The base of every page of the options dialog: an embeddable frame that
// fills its controls from the settings when first shown (LoadOptions) and
// copies them back when the user presses "Ok" (ApplyOptions). Both do nothing
// here.
class TOptionBaseFrame : public QFrame {
public:
  // The size the pages are laid out for.
  static constexpr QSize kDesignSize{345, 284};

  TOptionBaseFrame(TOptionsHost& host, QWidget* parent);

  // Copy the page's controls into the settings (and apply them).
  virtual void ApplyOptions() {}
  // Fill the page's controls from the settings.
  virtual void LoadOptions() {}

protected:
  TOptionsHost& Host;

  // A section heading of a page.
  QLabel* Heading(const QString& text);
  // A spin edit for whole numbers between minimum and maximum; a value typed
  // outside the range is brought into it when the field loses the focus.
  QSpinBox* SpinEdit(int minimum, int maximum);
};

} // namespace tessra

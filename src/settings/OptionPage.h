#pragma once

#include <functional>

#include <QPointer>
#include <QString>

#include "OptionBaseFrame.h"

namespace tessra {

class TOptionsHost;

// One row of the options dialog's page table: where the page sits in the
// tree, its instance once created, and how to create it.
struct TOptionPage {
  using TPageClass = std::function<TOptionBaseFrame*(TOptionsHost& host, QWidget* parent)>;

  QString Category;
  QString PageName;
  QPointer<TOptionBaseFrame> Instance; // created on first use; owned by the dialog
  TPageClass PageClass;
};

} // namespace tessra

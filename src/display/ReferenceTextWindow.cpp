#include "display/ReferenceTextWindow.h"

#include <QTextBrowser>
#include <QVBoxLayout>

namespace tessra {

TReferenceTextWindow::TReferenceTextWindow(QWidget* parent)
    : QDialog(parent), Browser(new QTextBrowser(this)) {
  setWindowTitle(QStringLiteral("Reference Information"));
  setWindowFlag(Qt::WindowStaysOnTopHint);
  Browser->setOpenLinks(false);
  Browser->setOpenExternalLinks(false);
  Browser->setReadOnly(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Browser);
  resize(420, 300);
}

void TReferenceTextWindow::ShowReference(const QString& text) {
  Browser->setPlainText(text);
  show();
  raise();
  activateWindow();
}

QString TReferenceTextWindow::Text() const {
  return Browser->toPlainText();
}

} // namespace tessra

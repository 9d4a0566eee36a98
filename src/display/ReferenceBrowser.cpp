#include "display/ReferenceBrowser.h"

#include <QDir>
#include <QFileInfo>

namespace tessra {

TReferenceBrowser::TReferenceBrowser(QWidget* parent) : QTextBrowser(parent) {
  setOpenLinks(false);
  setOpenExternalLinks(false);
  setReadOnly(true);
  // A click reaches doSetSource like every other navigation.
  connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) { setSource(url); });
}

bool TReferenceBrowser::IsOwnPage(const QUrl& url) const {
  if (PagesFolder.isEmpty() || !url.isLocalFile()) {
    return false;
  }
  const QFileInfo page(url.toLocalFile());
  return QDir::cleanPath(page.absolutePath()) == QDir::cleanPath(QDir(PagesFolder).absolutePath());
}

QVariant TReferenceBrowser::loadResource(int type, const QUrl& name) {
  if (!IsOwnPage(name)) {
    return {};
  }
  return QTextBrowser::loadResource(type, name);
}

void TReferenceBrowser::doSetSource(const QUrl& name, QTextDocument::ResourceType type) {
  if (!OnNavigate || !OnNavigate(name)) {
    return;
  }
  QTextBrowser::doSetSource(name, type);
}

} // namespace tessra

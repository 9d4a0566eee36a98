#include "display/ReferenceBrowser.h"

#include <QDir>
#include <QFileInfo>
#include <QTextDocument>

namespace tessra {

TReferenceBrowser::TReferenceBrowser(QWidget* parent) : QTextBrowser(parent) {
  setOpenLinks(false);
  setOpenExternalLinks(false);
  setReadOnly(true);
  // The pages are black: links in the usual dark blue would hardly show. A page's own colours
  // still win.
  document()->setDefaultStyleSheet(QStringLiteral("a { color: #8EB5FF; }"));
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

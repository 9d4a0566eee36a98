#include "app/AwayBrowser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QUrl>

namespace tessra {

namespace {
// The viewer's pages are small; anything larger is not one of them.
constexpr qint64 kMaxPageSize = 16 * 1024 * 1024;
} // namespace

TAwayBrowser::TAwayBrowser(QString pagesFolder, QWidget* parent)
    : QTextBrowser(parent), PagesFolder(std::move(pagesFolder)) {
  setOpenLinks(false);
  setOpenExternalLinks(false);
}

bool TAwayBrowser::IsOwnPage(const QUrl& url) const {
  if (!url.isLocalFile()) {
    return false;
  }
  const QFileInfo file(url.toLocalFile());
  return file.isFile() && file.absoluteDir() == QDir(PagesFolder) &&
         file.suffix().compare(QStringLiteral("html"), Qt::CaseInsensitive) == 0;
}

QVariant TAwayBrowser::loadResource(int type, const QUrl& name) {
  if (type != QTextDocument::HtmlResource) {
    return QVariant();
  }
  if (name.scheme() == QLatin1String("about")) {
    return QStringLiteral("<html></html>"); // about:blank
  }
  if (!IsOwnPage(name)) {
    return QVariant();
  }
  QFile file(name.toLocalFile());
  if (file.size() > kMaxPageSize || !file.open(QIODevice::ReadOnly)) {
    return QVariant();
  }
  return QString::fromUtf8(file.readAll());
}

void TAwayBrowser::mouseReleaseEvent(QMouseEvent* event) {
  Clicked = anchorAt(event->position().toPoint());
  QTextBrowser::mouseReleaseEvent(event);
  Clicked.clear();
}

} // namespace tessra

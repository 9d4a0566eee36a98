#pragma once

#include <functional>

#include <QString>
#include <QTextBrowser>
#include <QUrl>
#include <QVariant>

namespace tessra {

// The reference viewer's browser. It follows no link by itself: every change of its page, from a
// click or from setSource, is first put to OnNavigate, which may cancel it. It only ever reads
// the pages in PagesFolder; a page that names any other file or resource (a picture, a style
// sheet, a local path) gets nothing.
class TReferenceBrowser : public QTextBrowser {
  Q_OBJECT

public:
  explicit TReferenceBrowser(QWidget* parent = nullptr);

  // Whether the address at `url` may be loaded; unset, everything is cancelled.
  std::function<bool(const QUrl& url)> OnNavigate;
  // The folder of the pages it may read.
  QString PagesFolder;

  QVariant loadResource(int type, const QUrl& name) override;

  // Whether `url` is a page in PagesFolder.
  bool IsOwnPage(const QUrl& url) const;

protected:
  void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;
};

} // namespace tessra

#pragma once

#include <QTextBrowser>

namespace tessra {

// The browser of the away messages viewer. It shows only the pages the viewer writes into its
// own folder: nothing a message names (pictures, style sheets, other files) is loaded, so a
// message cannot make the window read an arbitrary file or stall on one. Links are never
// followed by the browser itself (openLinks is off); the viewer decides on each.
class TAwayBrowser : public QTextBrowser {
public:
  // pagesFolder: the folder whose pages may be shown.
  TAwayBrowser(QString pagesFolder, QWidget* parent = nullptr);

  QVariant loadResource(int type, const QUrl& name) override;

  // The address of the link being clicked as written in the page (the browser's own address
  // form lower-cases the part after "name://"); empty outside a click.
  const QString& ClickedAnchor() const { return Clicked; }

protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

private:
  bool IsOwnPage(const QUrl& url) const;

  QString PagesFolder;
  QString Clicked;
};

} // namespace tessra

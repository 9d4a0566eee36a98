#pragma once

#include <functional>

#include <QColor>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include "display/RefPagesFolder.h"
#include "display/ReferenceCommands.h"
#include "display/ViewerHistory.h"

class QAction;
class QToolBar;

namespace tessra {

class TReferenceBrowser;
class TReferenceRequest;
class TSafeUrl;

// The reference viewer, "Reference Information": each reference it is given becomes a local
// page in the "tessra_refs" folder, shown in its browser with Back and Forward through the pages
// shown so far. The page's links run the page's actions (the slash commands of
// TReferenceCommands); links to anything else are never followed inside the viewer. It stays on
// top; closing it only hides it, and the folder is removed when it is destroyed.
class TNewTextRefForm : public QWidget {
  Q_OBJECT

public:
  // The host, the request and the opener must outlive the viewer. `tempDir` is the temporary
  // folder the pages folder is made in (the system's when empty).
  TNewTextRefForm(TReferenceCommands::THost& host, TReferenceRequest& request, TSafeUrl& urls,
                  const QString& tempDir = QString(), QWidget* parent = nullptr);
  ~TNewTextRefForm() override;
  TNewTextRefForm(const TNewTextRefForm&) = delete;
  TNewTextRefForm& operator=(const TNewTextRefForm&) = delete;

  // Shows `text` (the game's info-window mark-up) as a new page and brings the window up. When
  // the page cannot be made, the failure is an error line and the window stays as it was.
  void ShowReference(const QString& text);

  // The browser's question before it changes its page: one of the viewer's pages is let through
  // (and becomes the current history item), "link://N" runs action N of the current page, an
  // anchor inside the page scrolls, and every other address is handed to the opener, which
  // opens only web, mail and news addresses, outside the viewer.
  bool BeforeNavigate(const QUrl& address);

  void GoBack();
  void GoForward();

  // The ItemDb setting, read for each page.
  std::function<QString()> ItemDb;
  // The colour text switches back to at the code 12 hex: the page's own text colour.
  QColor PageTextColor = QColor(0xFF, 0xFF, 0xFF);

  TReferenceBrowser* Browser() const { return PageBrowser; }
  QAction* BackAction() const { return Back; }
  QAction* ForwardAction() const { return Forward; }
  const TViewerHistory& History() const { return Pages; }
  const QStringList& CurrentActions() const { return Actions; }
  TReferenceCommands& Commands() { return LinkCommands; }
  const TRefPagesFolder& Folder() const { return PagesFolder; }

private:
  void UpdateButtons();
  void RunAction(const QUrl& address);

  TReferenceCommands::THost& Host;
  TSafeUrl& Urls;
  TRefPagesFolder PagesFolder;
  TViewerHistory Pages;
  QStringList Actions;
  TReferenceCommands LinkCommands;
  QToolBar* Tools = nullptr;
  QAction* Back = nullptr;
  QAction* Forward = nullptr;
  TReferenceBrowser* PageBrowser = nullptr;
};

} // namespace tessra

#pragma once

#include <functional>

#include <QHash>
#include <QLocale>
#include <QMainWindow>
#include <QString>

#include "app/AwayPage.h"
#include "common/TickSource.h"
#include "display/LinkDispatcher.h"
#include "display/RefPagesFolder.h"
#include "display/ReferenceRequest.h"
#include "display/References.h"
#include "engine/BlobList.h"

class QAction;
class QTreeWidget;
class QTreeWidgetItem;

namespace tessra {

class TAwayBrowser;
class TAwayList;
class TRegistry;
class TSafeUrl;

// The away messages viewer "Logged Away Messages": the senders of the away store in a list
// and the selected sender's messages as a page in the browser below, with working character
// and reference links. Its pages are files in the "tessra_refs" temporary folder, which goes
// with the viewer.
class TAwayMessagesForm : public QMainWindow {
public:
  struct TOptions {
    // Where the placement is kept (under MessagesForm); none keeps nothing.
    TRegistry* Registry = nullptr;
    // The temporary folder the pages folder lives in; empty for the system's own.
    QString TempDir;
  };

  // The store and the opener of web addresses must outlive the viewer.
  TAwayMessagesForm(TAwayList& store, TSafeUrl& urls, TOptions options, QWidget* parent = nullptr);
  ~TAwayMessagesForm() override;
  TAwayMessagesForm(const TAwayMessagesForm&) = delete;
  TAwayMessagesForm& operator=(const TAwayMessagesForm&) = delete;

  // Raised by "Clear Messages" after the store was emptied.
  std::function<void(TAwayMessagesForm& sender)> OnClearMessages;
  // Read whenever a page is built.
  std::function<TAwayPageSettings()> PageSettings;
  // A character link: make the character the message target (the input line takes the focus).
  std::function<void(const QString& charName)> QueryChar;
  // What a reference link shows (ShowReference, ShowMessage) and the ItemDb setting.
  TLinkActions& ReferenceActions() { return Links.Actions; }
  std::function<QString()>& ItemDb() { return Links.ItemDb; }

  // Rebuilds the sender list, keeping the selected sender selected (else the first row).
  void RefreshList();
  // "Refresh Messages": the selected sender's page is built again.
  void RefreshMessages();
  // "Clear Messages".
  void ClearMessages();
  // Decides on an address before the browser opens it; true when the browser goes there.
  bool BeforeNavigate(const QString& address);

  // "Last Message": the system's short date and long time.
  static QString LastMessageText(const QDateTime& time, const QLocale& locale);
  // Marks a row's icon as read or unread (the role holds true for read).
  static constexpr int kViewedRole = Qt::UserRole + 1;

  QTreeWidget* SenderList() const { return Senders; }
  TAwayBrowser* Browser() const { return PageView; }
  QAction* ClearAction() const { return ClearMessagesAction; }
  QAction* RefreshAction() const { return RefreshMessagesAction; }
  QAction* CloseAction() const { return CloseFormAction; }
  // The upper-cased name of the sender whose page is shown.
  const QString& ShownName() const { return Shown; }
  // The page file last written, and the sender each written page belongs to (by file name).
  const QString& ShownPage() const { return ShownFile; }
  const QHash<QString, QString>& PageFiles() const { return FileMap; }
  TBlobList& Blobs() { return BlobStore; }
  TRefPagesFolder& Pages() { return PagesFolder; }
  QLocale Locale = QLocale::system();

private:
  void ListChange();
  void ShowPage(TAwayCharacter& character, QTreeWidgetItem& row);
  void SetRowIcon(QTreeWidgetItem& row, bool viewed) const;
  QTreeWidgetItem* RowOf(const QString& name) const;
  QTreeWidgetItem* SelectedRow() const;

  TAwayList& Store;
  TSafeUrl& Urls;
  TRefPagesFolder PagesFolder;
  TBlobList BlobStore;
  TSteadyTickSource Ticks;
  TReferenceRequest Request;
  TReferences References;
  TLinkDispatcher Links;
  QHash<QString, QString> FileMap;
  QString Shown;
  QString ShownFile;

  QTreeWidget* Senders = nullptr;
  TAwayBrowser* PageView = nullptr;
  QAction* ClearMessagesAction = nullptr;
  QAction* RefreshMessagesAction = nullptr;
  QAction* CloseFormAction = nullptr;
};

} // namespace tessra

#include "app/AwayMessagesForm.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>

#include "app/AwayBrowser.h"
#include "app/MainActions.h"
#include "common/Trace.h"
#include "display/SafeUrl.h"
#include "settings/AwayStore.h"
#include "settings/FormSaver.h"
#include "settings/SettingsStore.h"

namespace tessra {

namespace {

const QString kCharLinkPrefix = QStringLiteral("charlink://");
const QString kRefLinkPrefix = QStringLiteral("reflink://");

// Rows are kept sorted by name, letter case ignored.
class TSenderRow : public QTreeWidgetItem {
public:
  using QTreeWidgetItem::QTreeWidgetItem;
  bool operator<(const QTreeWidgetItem& other) const override {
    const int column = treeWidget() != nullptr ? treeWidget()->sortColumn() : 0;
    return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
  }
};

// The text after the prefix of a link address. The browser may end the address with a "/" of
// its own; a name or a key never ends in one.
QString LinkParam(const QString& address, const QString& prefix) {
  QString param = address.mid(address.indexOf(prefix, 0, Qt::CaseInsensitive) + prefix.size());
  if (param.endsWith(QLatin1Char('/'))) {
    param.chop(1);
  }
  return param;
}

} // namespace

TAwayMessagesForm::TAwayMessagesForm(TAwayList& store, TSafeUrl& urls, TOptions options,
                                     QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowStaysOnTopHint), Store(store), Urls(urls),
      PagesFolder(options.TempDir), Request(Ticks), References(BlobStore, Request, nullptr),
      Links(BlobStore, urls) {
  setObjectName(QStringLiteral("AwayMessagesForm"));
  setWindowTitle(QStringLiteral("Logged Away Messages"));
  setAttribute(Qt::WA_DeleteOnClose);
  resize(520, 420);

  CloseFormAction = new QAction(QStringLiteral("Close"), this);
  CloseFormAction->setObjectName(QStringLiteral("CloseAction"));
  ClearMessagesAction = new QAction(QStringLiteral("Clear Messages"), this);
  ClearMessagesAction->setObjectName(QStringLiteral("ClearMessagesAction"));
  ClearMessagesAction->setIcon(TMainActions::IconFor("edit-clear", "C"));
  RefreshMessagesAction = new QAction(QStringLiteral("Refresh Messages"), this);
  RefreshMessagesAction->setObjectName(QStringLiteral("RefreshMessagesAction"));
  RefreshMessagesAction->setIcon(TMainActions::IconFor("view-refresh", "R"));
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->addAction(CloseFormAction);
  QMenu* actions = menuBar()->addMenu(QStringLiteral("&Actions"));
  actions->addActions({ClearMessagesAction, RefreshMessagesAction});
  auto* bar = new QToolBar(QStringLiteral("Actions"), this);
  bar->setObjectName(QStringLiteral("AwayToolBar"));
  bar->addActions({ClearMessagesAction, RefreshMessagesAction});
  addToolBar(Qt::TopToolBarArea, bar);
  connect(CloseFormAction, &QAction::triggered, this, &QWidget::close);
  connect(ClearMessagesAction, &QAction::triggered, this, [this] { ClearMessages(); });
  connect(RefreshMessagesAction, &QAction::triggered, this, [this] { RefreshMessages(); });

  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->setChildrenCollapsible(false);
  Senders = new QTreeWidget(splitter);
  Senders->setObjectName(QStringLiteral("SenderList"));
  Senders->setColumnCount(3);
  Senders->setHeaderLabels(
      {QStringLiteral("Character"), QStringLiteral("Messages"), QStringLiteral("Last Message")});
  Senders->setRootIsDecorated(false);
  Senders->setSelectionMode(QAbstractItemView::SingleSelection);
  Senders->setSelectionBehavior(QAbstractItemView::SelectRows);
  Senders->setAllColumnsShowFocus(true);
  Senders->setSortingEnabled(true);
  Senders->sortByColumn(0, Qt::AscendingOrder);
  Senders->header()->setSortIndicatorShown(false);
  Senders->header()->setSectionsClickable(false);
  Senders->setColumnWidth(0, 160);
  Senders->setColumnWidth(1, 70);
  PageView = new TAwayBrowser(PagesFolder.Path(), splitter);
  PageView->setObjectName(QStringLiteral("AwayBrowser"));
  splitter->addWidget(Senders);
  splitter->addWidget(PageView);
  splitter->setStretchFactor(0, 0);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({130, 290});
  setCentralWidget(splitter);
  connect(Senders, &QTreeWidget::itemSelectionChanged, this, [this] { ListChange(); });
  connect(PageView, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
    const QString raw = PageView->ClickedAnchor();
    BeforeNavigate(raw.isEmpty() ? url.toString() : raw);
  });

  if (options.Registry != nullptr) {
    new TFormSaver(this, *options.Registry, kMessagesFormPath);
  }
}

TAwayMessagesForm::~TAwayMessagesForm() {
  // The widgets go after this object's own part; their last signals must not reach it.
  QObject::disconnect(Senders, nullptr, this, nullptr);
  QObject::disconnect(PageView, nullptr, this, nullptr);
  // The pages are only copies of the store; the folder goes with the viewer.
  PagesFolder.Remove();
}

QString TAwayMessagesForm::LastMessageText(const QDateTime& time, const QLocale& locale) {
  return locale.toString(time.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
         locale.toString(time.time(), QLocale::LongFormat);
}

void TAwayMessagesForm::SetRowIcon(QTreeWidgetItem& row, bool viewed) const {
  row.setIcon(0, viewed ? TMainActions::IconFor("mail-read", "R")
                        : TMainActions::IconFor("mail-unread", "U"));
  row.setData(0, kViewedRole, viewed);
}

QTreeWidgetItem* TAwayMessagesForm::RowOf(const QString& name) const {
  for (int i = 0; i < Senders->topLevelItemCount(); ++i) {
    QTreeWidgetItem* row = Senders->topLevelItem(i);
    if (row->text(0).compare(name, Qt::CaseInsensitive) == 0) {
      return row;
    }
  }
  return nullptr;
}

QTreeWidgetItem* TAwayMessagesForm::SelectedRow() const {
  QTreeWidgetItem* current = Senders->currentItem();
  if (current != nullptr && current->isSelected()) {
    return current;
  }
  const QList<QTreeWidgetItem*> selected = Senders->selectedItems();
  return selected.isEmpty() ? nullptr : selected.constFirst();
}

void TAwayMessagesForm::RefreshList() {
  {
    const QSignalBlocker quiet(Senders);
    const QTreeWidgetItem* selected = SelectedRow();
    const QString remembered = selected != nullptr ? selected->text(0) : QString();
    Senders->clear();
    for (int i = 0; i < Store.Count(); ++i) {
      const TAwayCharacter& character = Store.Get(i);
      const TAwayMessageList& messages = character.Messages();
      auto* row = new TSenderRow(Senders);
      SetRowIcon(*row, character.Viewed);
      row->setText(0, character.Name());
      row->setText(1, QString::number(messages.Count()));
      if (messages.Count() > 0) {
        row->setText(2, LastMessageText(messages.Get(messages.Count() - 1).Received(), Locale));
      }
    }
    QTreeWidgetItem* select = nullptr;
    for (int i = 0; i < Senders->topLevelItemCount() && !remembered.isEmpty(); ++i) {
      if (Senders->topLevelItem(i)->text(0) == remembered) {
        select = Senders->topLevelItem(i);
      }
    }
    if (select == nullptr && Senders->topLevelItemCount() > 0) {
      select = Senders->topLevelItem(0);
    }
    if (select != nullptr) {
      Senders->setCurrentItem(select);
    }
  }
  ListChange();
}

void TAwayMessagesForm::ListChange() {
  QTreeWidgetItem* row = SelectedRow();
  if (row == nullptr) {
    return;
  }
  const QString name = row->text(0);
  const int index = Store.IndexOf(name);
  // A sender shown already is shown again only when new messages came in since.
  const bool unread = index >= 0 && !Store.Get(index).Viewed;
  if (name.toUpper() == Shown && !unread) {
    return;
  }
  if (index >= 0) {
    ShowPage(Store.Get(index), *row);
  }
  Shown = name.toUpper();
}

void TAwayMessagesForm::ShowPage(TAwayCharacter& character, QTreeWidgetItem& row) {
  const TAwayPageSettings settings = PageSettings ? PageSettings() : TAwayPageSettings{};
  const QString page = BuildAwayPage(character, settings, References);
  const QString path = PagesFolder.WritePage(page);
  if (path.isEmpty()) {
    // Without a file there is nothing to open; the browser says why instead.
    PageView->setPlainText(PagesFolder.Error());
    return;
  }
  FileMap.insert(QFileInfo(path).fileName(), character.Name());
  ShownFile = path;
  PageView->setSource(QUrl::fromLocalFile(path));
  character.Viewed = true;
  SetRowIcon(row, true);
}

void TAwayMessagesForm::RefreshMessages() {
  Shown.clear();
  RefreshList();
}

void TAwayMessagesForm::ClearMessages() {
  Store.Clear();
  if (OnClearMessages) {
    OnClearMessages(*this);
  }
  Shown.clear();
  RefreshList();
  PageView->setSource(QUrl(QStringLiteral("about:blank")));
}

bool TAwayMessagesForm::BeforeNavigate(const QString& address) {
  TraceApp(QStringLiteral("AwayMessagesForm.BeforeNavigate: ") + address);
  if (address.contains(kCharLinkPrefix, Qt::CaseInsensitive)) {
    QString name = LinkParam(address, kCharLinkPrefix);
    // A link the browser rewrote in lower case still names the sender as stored.
    if (const int index = Store.IndexOf(name); index >= 0) {
      name = Store.Get(index).Name();
    }
    if (!name.isEmpty() && QueryChar) {
      QueryChar(name);
    }
    return false;
  }
  if (address.contains(kRefLinkPrefix, Qt::CaseInsensitive)) {
    Links.ShowReference(LinkParam(address, kRefLinkPrefix));
    return false;
  }
  const QUrl url(address);
  const auto page = FileMap.constFind(url.fileName());
  if (page != FileMap.constEnd()) {
    const QString shownBefore = ShownFile;
    if (QTreeWidgetItem* row = RowOf(page.value())) {
      Senders->setCurrentItem(row);
    }
    // One of the viewer's own pages; unless picking its sender just showed a fresh one.
    if (ShownFile == shownBefore) {
      PageView->setSource(QUrl::fromLocalFile(QDir(PagesFolder.Path()).filePath(url.fileName())));
    }
    return true;
  }
  // Links in messages come from other players: web, mail and news addresses go to the
  // desktop's own programs, nothing else is opened.
  Urls.Open(address);
  return false;
}

} // namespace tessra

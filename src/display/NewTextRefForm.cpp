#include "display/NewTextRefForm.h"

#include <exception>
#include <optional>

#include <QAction>
#include <QToolBar>
#include <QVBoxLayout>

#include "common/Trace.h"
#include "display/ReferenceBrowser.h"
#include "display/ReferencePage.h"
#include "display/SafeUrl.h"

namespace tessra {

namespace {

constexpr QLatin1String kLinkScheme("link");

// The N of "link://N" (or "link://N/"). URL parsers read a number in the host's place as an IPv4
// address ("link://3" arrives as "link://0.0.0.3"), so both forms are understood.
std::optional<qsizetype> LinkNumber(const QUrl& address) {
  if (!address.path().isEmpty() && address.path() != QLatin1String("/")) {
    return std::nullopt;
  }
  const QString host = address.host();
  const QStringList parts = host.split(QLatin1Char('.'));
  if (parts.size() != 1 && parts.size() != 4) {
    return std::nullopt;
  }
  qint64 value = 0;
  for (const QString& part : parts) {
    bool ok = false;
    const qint64 number = part.toLongLong(&ok);
    const qint64 limit = parts.size() == 1 ? qint64(INT32_MAX) : 255;
    if (!ok || number < 0 || number > limit || part.startsWith(QLatin1Char('+'))) {
      return std::nullopt;
    }
    value = value * (parts.size() == 1 ? 1 : 256) + number;
  }
  return qsizetype(value);
}

} // namespace

TNewTextRefForm::TNewTextRefForm(TReferenceCommands::THost& host, TReferenceRequest& request,
                                 TSafeUrl& urls, const QString& tempDir, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), Host(host), Urls(urls),
      PagesFolder(tempDir), LinkCommands(host, request, urls) {
  setObjectName(QStringLiteral("NewTextRefForm"));
  setWindowTitle(QStringLiteral("Reference Information"));
  Tools = new QToolBar(this);
  Back = Tools->addAction(QStringLiteral("Back"));
  Forward = Tools->addAction(QStringLiteral("Forward"));
  PageBrowser = new TReferenceBrowser(this);
  PageBrowser->setObjectName(QStringLiteral("ReferenceViewer"));
  PageBrowser->PagesFolder = PagesFolder.Path();
  PageBrowser->OnNavigate = [this](const QUrl& url) { return BeforeNavigate(url); };
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Tools);
  layout->addWidget(PageBrowser);
  connect(Back, &QAction::triggered, this, [this] { GoBack(); });
  connect(Forward, &QAction::triggered, this, [this] { GoForward(); });
  LinkCommands.HideViewer = [this] { hide(); };
  LinkCommands.ShowReference = [this](const QString& text) { ShowReference(text); };
  UpdateButtons();
  resize(480, 360);
}

TNewTextRefForm::~TNewTextRefForm() {
  PageBrowser->OnNavigate = nullptr;
  PagesFolder.Remove();
}

void TNewTextRefForm::ShowReference(const QString& text) {
  TReferencePage page = BuildReferencePage(text, PageTextColor, ItemDb ? ItemDb() : QString());
  if (!page.Error.isEmpty()) {
    Host.AddErrorLine(page.Error);
    return;
  }
  const QString path = PagesFolder.WritePage(page.Html);
  if (path.isEmpty()) {
    Host.AddErrorLine(PagesFolder.Error());
    return;
  }
  Actions = std::move(page.Actions);
  PageBrowser->setSource(QUrl::fromLocalFile(path));
  show();
  raise();
  activateWindow();
}

bool TNewTextRefForm::BeforeNavigate(const QUrl& address) {
  if (address.scheme() == kLinkScheme) {
    RunAction(address);
    return false;
  }
  if (address.isRelative() && address.path().isEmpty() && address.hasFragment()) {
    return true; // an anchor of the page itself
  }
  if (!PageBrowser->IsOwnPage(address)) {
    // Not one of the viewer's pages: the viewer never loads it. A web address opens in the
    // desktop's browser; the opener refuses anything else with an error line.
    Urls.Open(address);
    return false;
  }
  const QString text = address.toString();
  const qsizetype known = Pages.IndexOf(text);
  if (known >= 0) {
    Pages.SetCurrent(known);
    Actions = Pages.Current()->Actions;
  } else {
    Pages.Add(text, Actions);
  }
  UpdateButtons();
  return true;
}

void TNewTextRefForm::RunAction(const QUrl& address) {
  const std::optional<qsizetype> number = LinkNumber(address);
  if (!number || *number >= Actions.size()) {
    TraceApp(QStringLiteral("Reference link without an action: ") + address.toString());
    return;
  }
  const qsizetype index = *number;
  // A copy: the action may show a new page, which replaces the current action list.
  const QString action = Actions.at(index);
  try {
    LinkCommands.RunLinkActions(action);
  } catch (const std::exception& e) {
    // The click came through the browser's own event handling, which must not be unwound.
    Host.AddErrorLine(QString::fromUtf8(e.what()));
  }
}

void TNewTextRefForm::GoBack() {
  if (const THistoryItem* item = Pages.Previous()) {
    PageBrowser->setSource(QUrl(item->Address));
  }
}

void TNewTextRefForm::GoForward() {
  if (const THistoryItem* item = Pages.Next()) {
    PageBrowser->setSource(QUrl(item->Address));
  }
}

void TNewTextRefForm::UpdateButtons() {
  Back->setEnabled(Pages.CanGoBack());
  Forward->setEnabled(Pages.CanGoForward());
}

} // namespace tessra

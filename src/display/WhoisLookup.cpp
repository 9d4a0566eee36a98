#include "WhoisLookup.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include "common/Trace.h"
#include "display/WhoisReader.h"

namespace tessra {

TWhoisLookup::TWhoisLookup(QNetworkAccessManager& network, const TWhoisSite& site,
                           const QString& name, int dimension)
    : Network(network), Site(site) {
  Outcome.Name = name;
  Outcome.Dimension = dimension;
  Outcome.PageAddress = Site.CharacterPage(dimension, name);
  Outcome.FullName = name;
  Timeout.setSingleShot(true);
  Timeout.setInterval(kTimeoutMs);
  connect(&Timeout, &QTimer::timeout, this, [this] { TimeoutEvent(); });
}

TWhoisLookup::~TWhoisLookup() {
  Detach();
}

void TWhoisLookup::Start() {
  if (Started) {
    return;
  }
  Started = true;
  const QString address = Site.CharacterDocument(Outcome.Dimension, Outcome.Name);
  TraceApp(QStringLiteral("Whois.Start ") + address);
  QNetworkRequest request{QUrl(address, QUrl::StrictMode)};
  // One GET: a redirect is an answer that is not the document.
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::ManualRedirectPolicy);
  Reply = Network.get(request);
  connect(Reply, &QNetworkReply::metaDataChanged, this, [this] { ReplyMetaData(); });
  connect(Reply, &QNetworkReply::readyRead, this, [this] { ReplyReadyRead(); });
  connect(Reply, &QNetworkReply::finished, this, [this] { ReplyFinished(); });
  Timeout.start();
}

void TWhoisLookup::TimeoutEvent() {
  if (Running()) {
    TraceApp(QStringLiteral("Whois.Timeout ") + Outcome.Name);
    End(false);
  }
}

void TWhoisLookup::ReplyMetaData() {
  const QVariant length = Reply->header(QNetworkRequest::ContentLengthHeader);
  if (length.isValid() && length.toLongLong() > kMaxDocumentSize) {
    End(false);
  }
}

void TWhoisLookup::ReplyReadyRead() {
  TakeBody();
}

bool TWhoisLookup::TakeBody() {
  // Read no more than one byte past the bound: that is enough to know the answer is too large.
  Body += Reply->read(kMaxDocumentSize + 1 - Body.size());
  if (Body.size() > kMaxDocumentSize) {
    End(false);
    return false;
  }
  return true;
}

void TWhoisLookup::ReplyFinished() {
  if (Ended || !TakeBody()) {
    return;
  }
  const int status = Reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (Reply->error() != QNetworkReply::NoError || status < 200 || status > 299) {
    TraceApp(QStringLiteral("Whois.Failed ") + Outcome.Name + QStringLiteral(" status ") +
             QString::number(status) + QLatin1Char(' ') + Reply->errorString());
    End(false);
    return;
  }
  End(true);
}

void TWhoisLookup::End(bool read) {
  if (Ended) {
    return;
  }
  Ended = true;
  Timeout.stop();
  Detach();
  if (read) {
    Outcome = ReadWhoisDocument(Body, Outcome.Name, Outcome.Dimension, Site);
  }
  Body.clear();
  // Last: the handler may destroy this look-up.
  if (OnWhoisTerminate) {
    OnWhoisTerminate(*this);
  }
}

// Lets go of the reply: no more of its signals reach this look-up, a transfer still running is
// stopped, and the reply is deleted once the event loop is back (this may run inside one of its
// signals). The network manager deletes it at the latest.
void TWhoisLookup::Detach() {
  if (!Reply) {
    return;
  }
  QNetworkReply* reply = Reply;
  Reply = nullptr;
  reply->disconnect(this);
  if (reply->isRunning()) {
    reply->abort();
  }
  reply->deleteLater();
}

} // namespace tessra

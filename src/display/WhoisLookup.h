#pragma once

#include <functional>

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include "display/WhoisResult.h"
#include "display/WhoisSite.h"

class QNetworkAccessManager;
class QNetworkReply;

namespace tessra {

// One whois look-up: one plain GET of the character's document, read when the answer is
// complete. It runs on the GUI thread without ever blocking it (the network manager does the
// waiting) and holds its own copy of every input and result. It ends exactly once, raising
// OnWhoisTerminate, on success and on every failure: an error status, a broken connection, an
// answer larger than kMaxDocumentSize (the transfer is stopped as soon as that is known), a
// silent site (kTimeoutMs), a document that cannot be read. Destroying a running look-up
// abandons it without an event.
class TWhoisLookup : public QObject {
public:
  static constexpr qint64 kMaxDocumentSize = 1024 * 1024;
  static constexpr int kTimeoutMs = 30000;

  TWhoisLookup(QNetworkAccessManager& network, const TWhoisSite& site, const QString& name,
               int dimension);
  ~TWhoisLookup() override;
  TWhoisLookup(const TWhoisLookup&) = delete;
  TWhoisLookup& operator=(const TWhoisLookup&) = delete;

  // Sends the request; once only.
  void Start();
  bool Running() const { return Started && !Ended; }
  const TWhoisResult& Result() const { return Outcome; }

  // The timeout's handler: a look-up still waiting for its answer ends without Success.
  void TimeoutEvent();

  // Raised once when the look-up has ended; the handler may destroy the look-up.
  std::function<void(TWhoisLookup& sender)> OnWhoisTerminate;

private:
  void ReplyMetaData();
  void ReplyReadyRead();
  void ReplyFinished();
  // Takes what has arrived; false (and the look-up ended) when it is more than the bound.
  bool TakeBody();
  void End(bool read);
  void Detach();

  QNetworkAccessManager& Network;
  TWhoisSite Site;
  TWhoisResult Outcome;
  QByteArray Body;
  QPointer<QNetworkReply> Reply;
  QTimer Timeout;
  bool Started = false;
  bool Ended = false;
};

} // namespace tessra

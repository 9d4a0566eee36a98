#pragma once

#include <map>

#include <QByteArray>
#include <QString>
#include <QTcpServer>

namespace tessra {

// The demo's stand-in for the game's web site: a small HTTP server on
// 127.0.0.1 that publishes a character document for each character of the
// demo, so that whois works in demo mode without leaving the machine. Every
// other address gets 404. Requests are read up to a bound and each connection
// gets one answer and is closed.
class TDemoWhoisSite {
public:
  TDemoWhoisSite();

  TDemoWhoisSite(const TDemoWhoisSite&) = delete;
  TDemoWhoisSite& operator=(const TDemoWhoisSite&) = delete;

  // False when no loopback port could be opened.
  bool IsListening() const { return Server.isListening(); }
  // "127.0.0.1:PORT", the whois host option's form.
  QString Host() const;

  // The answer to one request path: status and body (404 for unknown paths).
  struct TAnswer {
    int Status = 404;
    QByteArray Body;
  };
  TAnswer Answer(const QByteArray& path) const;

  // The characters' documents by request path.
  const std::map<QByteArray, QByteArray>& Documents() const { return Pages; }

private:
  void Accept();

  QTcpServer Server;
  std::map<QByteArray, QByteArray> Pages;
};

} // namespace tessra

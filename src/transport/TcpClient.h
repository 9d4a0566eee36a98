#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;
class QHostInfo;

namespace tessra {

// Error codes the connection reports; the texts are in TcpErrorText().
enum : int {
  kErrNotClosed = 20001,        // "Operation only allowed on closed socket"
  kErrNotConnected = 20002,     // "Socket not connected"
  kErrSocksBase = 40000,        // 40000 + SOCKS5 reply code
  kErrSocksNegotiation = 40101, // "Socks negotiation failed"
  kErrSocksAuth = 40102,        // "Socks authentication failed"
  kErrAborted = 60010,          // "Aborted"
};

// The text that goes with an error code: "Socket error #N" below 10000, the
// platform's text for 10000..19999, and the fixed texts of the table above.
QString TcpErrorText(int code);

// Socket states, with the names the traces use.
enum class TSocketState {
  Closed,
  Resolving,
  Resolved,
  Connecting,
  Negotiating,
  Connected,
  Listening
};
enum class TClientState { Closed, Connecting, Connected };
QString SocketStateName(TSocketState state);
QString ClientStateName(TClientState state);

// How to reach the target through a SOCKS5 proxy. The target host name is
// always handed to the proxy to resolve, unless it is a dotted IPv4 address.
struct TSocks5Proxy {
  QString Host;
  QString Port; // decimal text, no default
  bool Authenticate = false;
  QString User;
  QString Password;
  bool ResolveAtProxy = true;

  bool operator==(const TSocks5Proxy&) const = default;
};

// The non-blocking TCP client connection the chat engine owns. QTcpSocket and
// QHostInfo serve only as the raw socket and resolver; the receive and send
// buffers, the notifications and the whole SOCKS5 negotiation are ours.
//
// Notifications are raised on the thread that owns the object, one at a time,
// from the event loop: never from inside a call the owner made (except the
// error notification that precedes an exception thrown by a call), so an owner
// may run a nested event loop inside a notification handler and still receive
// further notifications there.
class TTCPClient : public QObject {
public:
  explicit TTCPClient(QObject* parent = nullptr);
  ~TTCPClient() override;

  TTCPClient(const TTCPClient&) = delete;
  TTCPClient& operator=(const TTCPClient&) = delete;

  // Only while closed; the same value again is always accepted. Otherwise
  // fails with "(Host h:p) Operation only allowed on closed socket: SetHost".
  void SetHost(const QString& host);
  void SetPort(const QString& port);
  QString Host() const;
  QString Port() const;

  // Attach, replace or remove (nullopt) the proxy; only while closed.
  void SetProxy(std::optional<TSocks5Proxy> proxy);
  const std::optional<TSocks5Proxy>& Proxy() const;

  // Starts a connection and returns at once; does nothing while already
  // active. Fails with "Port not specified", "Host not specified", or
  // "Connect failed: " + reason when the platform refuses outright (also for a
  // port that is neither a number 1..65535 nor a known TCP service). With a
  // proxy, a user name, password or target name too long for the SOCKS
  // messages fails here too, before anything starts.
  void Activate();
  // Graceful close: pending outgoing bytes are written first; the connection
  // stays "connected" (but takes no more writes) until then. Before the
  // connection is up it stops at once. Closed follows from the event loop.
  // Does nothing on an inactive connection.
  void Deactivate();
  bool Active() const;

  // Accepts all bytes while negotiating or connected; what cannot be written
  // now is written later, in order. Bytes written while negotiating are held
  // back until the proxy has connected us. Otherwise (also after Deactivate)
  // fails with "Socket not connected".
  void Write(const QByteArray& bytes);
  void Write(const char* data, int64_t count);

  // Up to count bytes from the start of the receive buffer, left in place.
  // While negotiating the buffer holds the proxy's answers, which are not the
  // owner's: Peek, Buffered and Read then see nothing.
  QByteArray Peek(int64_t count) const;
  int64_t Buffered() const;
  // Up to count bytes taken from the receive buffer; 0 when nothing is there.
  // Never blocks.
  int64_t Read(char* destination, int64_t count);
  QByteArray Read(int64_t count);

  TSocketState State() const;
  TClientState ClientState() const;
  bool IsConnected() const;
  bool IsNegotiating() const;
  // A SOCKS negotiation is in progress (the bytes received belong to it).
  bool ProxyNegotiating() const;
  int LastErrorCode() const;
  QString LastErrorText() const;

  // Notifications. Each is optional.
  std::function<void(TSocketState oldState, TSocketState newState)> OnStateChange;
  std::function<void(TClientState oldState, TClientState newState)> OnClientStateChange;
  std::function<void()> OnNegotiating;
  std::function<void()> OnConnectFailed;
  std::function<void()> OnDataAvailable;
  std::function<void()> OnClose;
  std::function<void(int code, const QString& text)> OnError;
  // An exception escaped one of the notification handlers above. Exceptions
  // never travel through Qt's event loop: the connection catches them and
  // hands them here (the engine forwards them to the program's error handler).
  // Without a handler they are written to the warning log.
  std::function<void(const std::exception& e)> OnException;

private:
  class TImpl;
  std::unique_ptr<TImpl> Impl;
};

} // namespace tessra

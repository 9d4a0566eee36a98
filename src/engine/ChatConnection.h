#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

#include <QByteArray>
#include <QString>

#include "transport/TcpClient.h"

namespace tessra {

// What the engine needs of its connection. The real one is the TCP client
// with its SOCKS5 negotiation (TTcpChatConnection); benchmarks and fuzzing
// drive the dispatch with an in-memory one. Notifications follow the TCP
// client's rules: raised from the event loop, one at a time.
class TChatConnection {
public:
  virtual ~TChatConnection() = default;

  virtual void SetTarget(const QString& host, const QString& port) = 0;
  virtual void SetProxy(std::optional<TSocks5Proxy> proxy) = 0;
  virtual const std::optional<TSocks5Proxy>& Proxy() const = 0;
  virtual QString Host() const = 0;
  virtual QString Port() const = 0;

  virtual void Activate() = 0;
  virtual void Deactivate() = 0;
  virtual bool Active() const = 0;

  virtual void Write(const char* data, int64_t count) = 0;
  virtual QByteArray Peek(int64_t count) const = 0;
  virtual int64_t Buffered() const = 0;
  virtual QByteArray Read(int64_t count) = 0;

  virtual bool IsConnected() const = 0;
  virtual bool IsNegotiating() const = 0;
  virtual bool ProxyNegotiating() const = 0;

  std::function<void(TSocketState oldState, TSocketState newState)> OnStateChange;
  std::function<void(TClientState oldState, TClientState newState)> OnClientStateChange;
  std::function<void()> OnNegotiating;
  std::function<void()> OnConnectFailed;
  std::function<void()> OnDataAvailable;
  std::function<void()> OnClose;
  std::function<void(int code, const QString& text)> OnError;
  std::function<void(const std::exception& e)> OnException;

  // Drops every handler (the owner is going away).
  void DetachHandlers();
};

// The real connection: TTCPClient, with its notifications forwarded.
class TTcpChatConnection : public TChatConnection {
public:
  TTcpChatConnection();
  ~TTcpChatConnection() override;

  void SetTarget(const QString& host, const QString& port) override;
  void SetProxy(std::optional<TSocks5Proxy> proxy) override;
  const std::optional<TSocks5Proxy>& Proxy() const override;
  QString Host() const override;
  QString Port() const override;
  void Activate() override;
  void Deactivate() override;
  bool Active() const override;
  void Write(const char* data, int64_t count) override;
  QByteArray Peek(int64_t count) const override;
  int64_t Buffered() const override;
  QByteArray Read(int64_t count) override;
  bool IsConnected() const override;
  bool IsNegotiating() const override;
  bool ProxyNegotiating() const override;

  TTCPClient& Client() { return *Tcp; }

private:
  std::unique_ptr<TTCPClient> Tcp;
};

// An in-memory connection: bytes are fed by hand and what the engine writes
// is collected. Feed() raises the data notification directly, so a
// benchmark or a fuzzer runs the dispatch pass without an event loop.
class TMemoryChatConnection : public TChatConnection {
public:
  void SetTarget(const QString& host, const QString& port) override;
  void SetProxy(std::optional<TSocks5Proxy> proxy) override;
  const std::optional<TSocks5Proxy>& Proxy() const override { return ProxyValue; }
  QString Host() const override { return HostValue; }
  QString Port() const override { return PortValue; }
  // A new connection starts with nothing received, like the TCP client.
  void Activate() override {
    Buffer.clear();
    ReadPos = 0;
    Connected = true;
  }
  void Deactivate() override;
  bool Active() const override { return Connected; }
  void Write(const char* data, int64_t count) override;
  QByteArray Peek(int64_t count) const override;
  int64_t Buffered() const override { return Buffer.size() - ReadPos; }
  QByteArray Read(int64_t count) override;
  bool IsConnected() const override { return Connected; }
  bool IsNegotiating() const override { return false; }
  bool ProxyNegotiating() const override { return false; }

  // Appends received bytes and raises the data notification once.
  void Feed(const QByteArray& bytes);
  // The peer closes: the close notification follows.
  void PeerClose();

  QByteArray Written;

private:
  QByteArray Buffer;
  int64_t ReadPos = 0;
  bool Connected = false;
  QString HostValue;
  QString PortValue;
  std::optional<TSocks5Proxy> ProxyValue;
};

} // namespace tessra

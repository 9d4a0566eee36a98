#include "engine/ChatConnection.h"

#include <algorithm>

#include "common/ChatException.h"
#include "common/Trace.h"

namespace tessra {

void TChatConnection::DetachHandlers() {
  OnStateChange = nullptr;
  OnClientStateChange = nullptr;
  OnNegotiating = nullptr;
  OnConnectFailed = nullptr;
  OnDataAvailable = nullptr;
  OnClose = nullptr;
  OnError = nullptr;
  OnException = nullptr;
}

// ------------------------------------------------------------------ TCP

TTcpChatConnection::TTcpChatConnection() : Tcp(std::make_unique<TTCPClient>()) {
  Tcp->OnStateChange = [this](TSocketState o, TSocketState n) {
    if (OnStateChange) {
      OnStateChange(o, n);
    }
  };
  Tcp->OnClientStateChange = [this](TClientState o, TClientState n) {
    if (OnClientStateChange) {
      OnClientStateChange(o, n);
    }
  };
  Tcp->OnNegotiating = [this] {
    if (OnNegotiating) {
      OnNegotiating();
    }
  };
  Tcp->OnConnectFailed = [this] {
    if (OnConnectFailed) {
      OnConnectFailed();
    }
  };
  Tcp->OnDataAvailable = [this] {
    if (OnDataAvailable) {
      OnDataAvailable();
    }
  };
  Tcp->OnClose = [this] {
    if (OnClose) {
      OnClose();
    }
  };
  Tcp->OnError = [this](int code, const QString& text) {
    if (OnError) {
      OnError(code, text);
    }
  };
  Tcp->OnException = [this](const std::exception& e) {
    if (OnException) {
      OnException(e);
    } else {
      qCWarning(lcTessraEngine).noquote() << "Unhandled connection error:" << e.what();
    }
  };
}

TTcpChatConnection::~TTcpChatConnection() {
  Tcp->OnStateChange = nullptr;
  Tcp->OnClientStateChange = nullptr;
  Tcp->OnNegotiating = nullptr;
  Tcp->OnConnectFailed = nullptr;
  Tcp->OnDataAvailable = nullptr;
  Tcp->OnClose = nullptr;
  Tcp->OnError = nullptr;
  Tcp->OnException = nullptr;
}

void TTcpChatConnection::SetTarget(const QString& host, const QString& port) {
  Tcp->SetHost(host);
  Tcp->SetPort(port);
}
void TTcpChatConnection::SetProxy(std::optional<TSocks5Proxy> proxy) {
  Tcp->SetProxy(std::move(proxy));
}
const std::optional<TSocks5Proxy>& TTcpChatConnection::Proxy() const {
  return Tcp->Proxy();
}
QString TTcpChatConnection::Host() const {
  return Tcp->Host();
}
QString TTcpChatConnection::Port() const {
  return Tcp->Port();
}
void TTcpChatConnection::Activate() {
  Tcp->Activate();
}
void TTcpChatConnection::Deactivate() {
  Tcp->Deactivate();
}
bool TTcpChatConnection::Active() const {
  return Tcp->Active();
}
void TTcpChatConnection::Write(const char* data, int64_t count) {
  Tcp->Write(data, count);
}
QByteArray TTcpChatConnection::Peek(int64_t count) const {
  return Tcp->Peek(count);
}
int64_t TTcpChatConnection::Buffered() const {
  return Tcp->Buffered();
}
QByteArray TTcpChatConnection::Read(int64_t count) {
  return Tcp->Read(count);
}
bool TTcpChatConnection::IsConnected() const {
  return Tcp->IsConnected();
}
bool TTcpChatConnection::IsNegotiating() const {
  return Tcp->IsNegotiating();
}
bool TTcpChatConnection::ProxyNegotiating() const {
  return Tcp->ProxyNegotiating();
}

// --------------------------------------------------------------- memory

void TMemoryChatConnection::SetTarget(const QString& host, const QString& port) {
  HostValue = host;
  PortValue = port;
}

void TMemoryChatConnection::SetProxy(std::optional<TSocks5Proxy> proxy) {
  ProxyValue = std::move(proxy);
}

void TMemoryChatConnection::Deactivate() {
  if (Connected) {
    PeerClose();
  }
}

void TMemoryChatConnection::Write(const char* data, int64_t count) {
  if (!Connected) {
    throw TChatException("Socket not connected");
  }
  Written.append(data, static_cast<qsizetype>(count));
}

QByteArray TMemoryChatConnection::Peek(int64_t count) const {
  return Buffer.mid(static_cast<qsizetype>(ReadPos),
                    static_cast<qsizetype>(std::min(count, Buffered())));
}

QByteArray TMemoryChatConnection::Read(int64_t count) {
  const int64_t n = std::min(std::max<int64_t>(count, 0), Buffered());
  QByteArray out = Buffer.mid(static_cast<qsizetype>(ReadPos), static_cast<qsizetype>(n));
  ReadPos += n;
  // Drop what was read once it is the larger part, so memory stays bounded.
  if (ReadPos > 65536 && ReadPos * 2 > Buffer.size()) {
    Buffer.remove(0, static_cast<qsizetype>(ReadPos));
    ReadPos = 0;
  }
  return out;
}

namespace {
// Like the TCP client, the in-memory connection never lets a handler's
// exception escape: it goes to the exception notification.
void Guarded(TChatConnection& c, const std::function<void()>& handler) {
  if (!handler) {
    return;
  }
  try {
    handler();
  } catch (const std::exception& e) {
    if (c.OnException) {
      c.OnException(e);
    }
  }
}
} // namespace

void TMemoryChatConnection::Feed(const QByteArray& bytes) {
  Buffer.append(bytes);
  Guarded(*this, OnDataAvailable);
}

void TMemoryChatConnection::PeerClose() {
  Connected = false;
  Guarded(*this, OnClose);
}

} // namespace tessra

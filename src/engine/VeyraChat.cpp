#include "engine/VeyraChat.h"

#include <QDateTime>
#include <QTime>

#include "common/ChatException.h"
#include "common/Trace.h"
#include "engine/ChatConnection.h"
#include "engine/LoginKey.h"
#include "engine/VeyraBlob.h"

namespace tessra {

namespace {

constexpr int kPaceIntervalMs = 3300;
constexpr int kDisconnectPollMs = 5;
constexpr int kKeepAliveIntervalMs = 5000;
constexpr uint32_t kKeepAliveSilenceMs = 60000;
// A burst is handled a slice at a time: after this many packets the rest waits
// for a follow-up pass, so the window repaints and takes input in between.
constexpr int kPacketsPerPass = 500;

constexpr uint32_t Bits(std::initializer_list<int> kinds) {
  uint32_t bits = 0;
  for (int k : kinds) {
    bits |= 1u << k;
  }
  return bits;
}

constexpr uint32_t kAllIncoming = (1u << kIncomingPacketCount) - 1u;
constexpr uint32_t kAllOutgoing =
    ((1u << kOutgoingPacketCount) - 1u) & ~(1u << opPrivategroupClientPart);

const TChatStateInfo kChatStateTable[] = {
    {"Disconnected", 0, 0},
    {"Connecting", Bits({ipLoginSeed}), 0},
    {"Authorizing", 0, Bits({opLoginResponseGetCharList})},
    {"Awaiting Authoriziation", Bits({ipLoginResultError, ipLoginCharacterList}), 0},
    {"Ready for Login", 0, Bits({opLoginSelectCharacter})},
    {"Awaiting Login Result", Bits({ipLoginResultOK, ipLoginResultError}), 0},
    {"Logged In", kAllIncoming, kAllOutgoing},
    {"Disconnecting", Bits({ipLoginCanceled}), 0},
};

QString FromBytes(const TBytes& b) {
  return QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size()));
}

QString BoolText(bool value) {
  return value ? QStringLiteral("-1") : QStringLiteral("0");
}

QString OrDash(const QString& s) {
  return s.isEmpty() ? QStringLiteral("-") : s;
}

std::optional<TBytes> DataOf(const TPacketParam& p) {
  if (p.IsNull()) {
    return std::nullopt;
  }
  return p.AsData();
}

} // namespace

const TChatStateInfo& ChatStateInfo(TChatState state) {
  return kChatStateTable[static_cast<size_t>(state) & 7u];
}

QString ChatStateName(TChatState state) {
  return QString::fromLatin1(ChatStateInfo(state).Name);
}

bool IncomingAllowed(TChatState state, int kind) {
  return kind >= 0 && kind <= 31 && (ChatStateInfo(state).Incoming & (1u << kind)) != 0;
}

bool OutgoingAllowed(TChatState state, int kind) {
  return kind >= 0 && kind <= 31 && (ChatStateInfo(state).Outgoing & (1u << kind)) != 0;
}

TVeyraChat::TVeyraChat(QObject* parent, const TTickSource* ticks,
                       std::unique_ptr<TChatConnection> connection)
    : QObject(parent), Ticks(ticks), Client(std::move(connection)), Names(*this), Friends(*this),
      Groups(*this) {
  TraceEngine(QStringLiteral("TVeyraChat.Create"));
  if (Ticks == nullptr) {
    OwnTicks = std::make_unique<TSteadyTickSource>();
    Ticks = OwnTicks.get();
  }
  ServerValueHex = kVeyraServerValueHex;
  if (!Client) {
    Client = std::make_unique<TTcpChatConnection>();
  }

  Client->OnConnectFailed = [this] {
    TraceEngine(QStringLiteral("TVeyraChat.SockConnectFailed"));
    SocketEvent(3);
  };
  Client->OnClose = [this] {
    TraceEngine(QStringLiteral("TVeyraChat.SockCloseEvent"));
    SocketEvent(3);
  };
  Client->OnDataAvailable = [this] {
    TraceEngine(QStringLiteral("TVeyraChat.SockDataAvailableEvent: Conn: %1:%2, SocketConn: %1:%2, "
                               "peek: %3")
                    .arg(Client->Host(), Client->Port())
                    .arg(std::min<int64_t>(Client->Buffered(), 10)));
    if (!Client->IsNegotiating() && !Client->ProxyNegotiating()) {
      SocketEvent(7);
    }
  };
  Client->OnError = [this](int code, const QString& text) {
    TraceEngine(QStringLiteral("TVeyraChat.SockErrorEvent: %1: %2").arg(code).arg(text));
    TraceEngine(QStringLiteral("TVeyraChat.SocketError: %1").arg(code));
    int errorCode = code;
    if (OnError) {
      OnError(*this, errorCode);
    }
  };
  Client->OnException = [this](const std::exception& e) {
    TraceEngine(QStringLiteral("TVeyraChat.SockExceptionEvent: ") + QString::fromUtf8(e.what()));
    ReportException(e);
  };
  Client->OnStateChange = [](TSocketState oldState, TSocketState newState) {
    TraceEngine(QStringLiteral("TVeyraChat.SockStateChangeEvent: ") + SocketStateName(oldState) +
                QStringLiteral(" -> ") + SocketStateName(newState));
  };
  Client->OnClientStateChange = [](TClientState oldState, TClientState newState) {
    TraceEngine(QStringLiteral("TVeyraChat.StateChangeEvent: ") + ClientStateName(oldState) +
                QStringLiteral(" -> ") + ClientStateName(newState));
  };
  Client->OnNegotiating = [this] {
    const auto& proxy = Client->Proxy();
    TraceEngine(QStringLiteral("TVeyraChat.SockNegotiatingEvent: Proxy: %1:%2, Socket: %3:%4")
                    .arg(OrDash(proxy ? proxy->Host : QString()),
                         OrDash(proxy ? proxy->Port : QString()), Client->Host(), Client->Port()));
  };

  SendTimerObj.setSingleShot(false);
  connect(&SendTimerObj, &QTimer::timeout, this, [this] {
    try {
      TimerEvent();
    } catch (const std::exception& e) {
      ReportException(e);
    }
  });
  KeepAliveTimerObj.setInterval(kKeepAliveIntervalMs);
  connect(&KeepAliveTimerObj, &QTimer::timeout, this, [this] {
    try {
      KeepAliveEvent();
    } catch (const std::exception& e) {
      ReportException(e);
    }
  });
}

TVeyraChat::~TVeyraChat() {
  TraceEngine(QStringLiteral("TVeyraChat.Destroy"));
  // No event is raised and no packet is sent from here on.
  Client->DetachHandlers();
  Aborted = true;
  Names.WakeWaiters(3);
  SendTimerObj.stop();
  KeepAliveTimerObj.stop();
  SendQueue.clear();
}

void TVeyraChat::SetState(TChatState state) {
  CurrentState = state;
}

void TVeyraChat::ReportException(const std::exception& e) {
  if (OnException) {
    OnException(*this, e);
  } else {
    qCWarning(lcTessraEngine).noquote() << "Unhandled engine error:" << e.what();
  }
}

bool TVeyraChat::CanWaitForNames() const {
  return CurrentState == TChatState::csLoggedIn && Client->IsConnected() && !Aborted;
}

void TVeyraChat::Abort() {
  Aborted = true;
  Names.WakeWaiters(3);
}

// ---------------------------------------------------------------- connection

void TVeyraChat::Connect() {
  TraceEngine(QStringLiteral("TVeyraChat.Connect"));
  if (Dimension == nullptr) {
    throw TChatException("No dimension selected");
  }
  if (CurrentState != TChatState::csDisconnected || Client->Active()) {
    // The host disables its connect command while connected; a second
    // connection on the same engine would tear the first one's state apart.
    throw TChatException(FormatMessage("Cannot connect while the connection is %s",
                                       {ChatStateInfo(CurrentState).Name}));
  }
  Client->SetTarget(Dimension->Host, QString::number(Dimension->Port));
  if (ProxySettings.Enabled) {
    TSocks5Proxy proxy;
    proxy.Host = ProxySettings.Host;
    proxy.Port = ProxySettings.Port;
    proxy.Authenticate = ProxySettings.Version5;
    proxy.User = ProxySettings.User;
    proxy.Password = ProxySettings.Pass;
    proxy.ResolveAtProxy = true;
    Client->SetProxy(proxy);
  } else {
    Client->SetProxy(std::nullopt);
  }
  Client->Activate();
  SetState(TChatState::csConnecting);
}

void TVeyraChat::Disconnect() {
  TraceEngine(QStringLiteral("TVeyraChat.Disconnect"));
  Client->Deactivate();
}

TBytes TVeyraChat::GenLoginKey() const {
  TraceEngine(QStringLiteral("TVeyraChat.GenLoginKey"));
  return tessra::GenLoginKey(UserName, Seed, Password, ServerValueHex, SystemRandomByte);
}

void TVeyraChat::Authorize() {
  TraceEngine(QStringLiteral("TVeyraChat.Authorize"));
  if (UserName.empty()) {
    throw TChatException("Need a username!");
  }
  if (Password.empty()) {
    throw TChatException("No password!");
  }
  const TBytes key = GenLoginKey();
  SendPacketNoWait(std::make_unique<TVeyraChatOutgoingPacket>(
      opLoginResponseGetCharList,
      std::vector<TPacketParam>{TPacketParam::Integer(0), TPacketParam::String(UserName),
                                TPacketParam::String(key)}));
  SetState(TChatState::csAwaitingAuthorization);
}

// ----------------------------------------------------------------- send path

void TVeyraChat::SendPacket(std::unique_ptr<TVeyraChatOutgoingPacket> packet) {
  TraceEngine(QStringLiteral("TVeyraChat.SendPacket"));
  if (SendTimerObj.isActive()) {
    SendQueue.push_back(std::move(packet));
    return;
  }
  SendPacketNoWait(std::move(packet));
  SendTimerObj.setInterval(kPaceIntervalMs);
  SendTimerObj.start();
}

void TVeyraChat::SendPacketNoWait(std::unique_ptr<TVeyraChatOutgoingPacket> packet) {
  TraceEngine(QStringLiteral("TVeyraChat.SendPacketNoWait"));
  if (!OutgoingAllowed(CurrentState, packet->TypeIndex())) {
    throw TChatException(FormatMessage("Packet type %s not allowed in state %s",
                                       {packet->Info().Name, ChatStateInfo(CurrentState).Name}));
  }
  const TBytes frame = packet->BuildFrame();
  Client->Write(frame.data(), static_cast<int64_t>(frame.size()));
  LastSend = Now();
}

void TVeyraChat::TimerEvent() {
  TraceEngine(QStringLiteral("TVeyraChat.TimerEvent"));
  if (CurrentState == TChatState::csLoggedIn) {
    if (SendQueue.empty()) {
      SendTimerObj.stop();
    } else {
      std::unique_ptr<TVeyraChatOutgoingPacket> next = std::move(SendQueue.front());
      SendQueue.pop_front();
      SendPacketNoWait(std::move(next));
    }
  } else if (CurrentState == TChatState::csDisconnecting) {
    if (!Client->IsConnected()) {
      SendTimerObj.stop();
      SetState(TChatState::csDisconnected);
      if (OnDisconnect) {
        OnDisconnect(*this);
      }
    }
  }
}

void TVeyraChat::KeepAliveEvent() {
  TraceEngine(QStringLiteral("TVeyraChat.KeepAliveEvent"));
  if (CurrentState == TChatState::csLoggedIn &&
      static_cast<uint32_t>(Now() - LastSend) > kKeepAliveSilenceMs) {
    Ping();
  }
}

void TVeyraChat::CleanUp() {
  TraceEngine(QStringLiteral("TVeyraChat.CleanUp"));
  Names.Clear();
  Groups.Clear();
  Friends.Clear();
  Chars.Clear();
  KeepAliveTimerObj.stop();
  LastSend = 0;
  SendQueue.clear();
}

void TVeyraChat::SocketEvent(int code) {
  if (EngineTracing()) {
    TraceEngine(QStringLiteral("TVeyraChat.SocketEvent: ") + QString::number(code));
  }
  if (code == 3) {
    CleanUp();
    SendTimerObj.stop();
    SendTimerObj.setInterval(kDisconnectPollMs);
    SetState(TChatState::csDisconnecting);
    SendTimerObj.start();
  } else if (code == 7) {
    DispatchPass();
  }
}

// ------------------------------------------------------------------ dispatch

std::unique_ptr<TVeyraChatIncomingPacket> TVeyraChat::ReceivePacket() {
  if (EngineTracing()) {
    TraceEngine(QStringLiteral("TVeyraChat.ReceivePacket"));
  }
  if (!Client->IsConnected() || Client->IsNegotiating() || Client->ProxyNegotiating() ||
      Client->Buffered() < 4) {
    return nullptr;
  }
  const QByteArray head = Client->Peek(EngineTracing() ? 4 + 20 : 4);
  const auto b = [&head](int i) { return static_cast<uint8_t>(head[i]); };
  const int32_t typeNumber = static_cast<int16_t>((b(0) << 8) | b(1));
  const int length = (b(2) << 8) | b(3);
  if (EngineTracing()) {
    TraceEngine(QStringLiteral("Packet type %1 size %2 ")
                    .arg(typeNumber)
                    .arg(length)
                    .append(QString::fromLatin1(head.mid(4))));
  }
  // Wait for the whole payload; it stays buffered until then, so a packet is
  // always handled whole and in arrival order.
  if (Client->Buffered() < 4 + int64_t{length}) {
    return nullptr;
  }
  Client->Read(4);
  const QByteArray payload = Client->Read(length);
  if (length > kMaxFieldLength) {
    // Skipped whole, so the stream stays in step with the server.
    throw TChatException(FormatMessage(
        "Malformed packet \"%s\": payload length %s is 0x8000 or more",
        {IncomingPacketTable[IncomingTypeIndex(typeNumber)].Name, std::to_string(length)}));
  }
  return std::make_unique<TVeyraChatIncomingPacket>(
      typeNumber, TBytes(payload.constData(), static_cast<size_t>(payload.size())));
}

bool TVeyraChat::WholePacketBuffered() const {
  if (!Client->IsConnected() || Client->IsNegotiating() || Client->ProxyNegotiating() ||
      Client->Buffered() < 4) {
    return false;
  }
  const QByteArray head = Client->Peek(4);
  const int length = (static_cast<uint8_t>(head[2]) << 8) | static_cast<uint8_t>(head[3]);
  return Client->Buffered() >= 4 + int64_t{length};
}

void TVeyraChat::ScheduleFollowUpPass() {
  // Only a whole packet is worth a pass: the rest of a torn one comes with the
  // next data notification, and posting passes until then would spin.
  if (FollowUpPending || !WholePacketBuffered()) {
    return;
  }
  FollowUpPending = true;
  QTimer::singleShot(0, this, [this] {
    FollowUpPending = false;
    try {
      if (Client->IsConnected()) {
        SocketEvent(7);
      }
    } catch (const std::exception& e) {
      ReportException(e);
    }
  });
}

void TVeyraChat::DispatchPass() {
  const char* handling = nullptr;
  try {
    std::unique_ptr<TVeyraChatIncomingPacket> packet = ReceivePacket();
    int handled = 0;
    while (packet) {
      handling = packet->Info().Name;
      if (!IncomingAllowed(CurrentState, packet->TypeIndex())) {
        throw TChatException(FormatMessage("Packet type %s not allowed in state %s",
                                           {handling, ChatStateInfo(CurrentState).Name}));
      }
      bool endPass = false;
      HandlePacket(*packet, endPass);
      packet.reset();
      if (endPass || ++handled == kPacketsPerPass) {
        break;
      }
      packet = ReceivePacket();
    }
  } catch (const std::exception& e) {
    // Whatever is still buffered is handled by a later pass, so one bad
    // packet never stalls the ones behind it.
    ScheduleFollowUpPass();
    if (handling != nullptr) {
      throw TChatException(FormatMessage("Error in packet handler, packet type: %s, error %s",
                                         {handling, e.what()}));
    }
    throw;
  }
  ScheduleFollowUpPass();
}

void TVeyraChat::HandlePacket(const TVeyraChatIncomingPacket& packet, bool& endPass) {
  const auto& p = packet.Params();
  switch (packet.TypeIndex()) {
  case ipLoginSeed:
    Seed = p[0].AsString();
    SetState(TChatState::csAuthorizing);
    endPass = true;
    Authorize();
    break;
  case ipLoginResultOK:
    SetState(TChatState::csLoggedIn);
    KeepAliveTimerObj.start();
    if (OnLogin) {
      OnLogin(*this);
    }
    break;
  case ipLoginResultError:
    if (OnLoginError) {
      OnLoginError(*this, p[0].AsString());
    }
    Disconnect();
    break;
  case ipLoginCharacterList: {
    const auto& ids = p[0].AsIntegerArray();
    const auto& names = p[1].AsStringArray();
    const auto& numbers = p[2].AsIntegerArray();
    const auto& flags = p[3].AsIntegerArray();
    if (names.size() != ids.size() || numbers.size() != ids.size() || flags.size() != ids.size()) {
      throw TChatException("Malformed packet \"Login CharacterList\": its four arrays differ in "
                           "length");
    }
    Chars.Clear();
    for (size_t k = 0; k < ids.size(); ++k) {
      Chars.Add(names[k], numbers[k], flags[k] != 0);
      Names.Add(names[k], ids[k]);
    }
    SetState(TChatState::csReadyForLogin);
    if (OnConnect) {
      OnConnect(*this);
    }
    break;
  }
  case ipClientName:
  case ipLookupResult:
    Names.Add(p[1].AsString(), p[0].AsInteger());
    break;
  case ipMessagePrivate:
    if (OnPrivateMessage) {
      std::unique_ptr<TBlob> blob = CreateBlob(ipMessagePrivate, DataOf(p[2]));
      const TBytes name = Names.GetName(p[0].AsInteger());
      if (!name.empty()) {
        OnPrivateMessage(*this, name, p[1].AsString(), blob.get());
      }
    }
    break;
  case ipMessageVicinity:
  case ipMessageAnonVicinity:
    if (OnSystemMessage) {
      OnSystemMessage(*this, p[1].AsString());
    }
    break;
  case ipMessageSystem:
    if (OnSystemMessage) {
      OnSystemMessage(*this, p[0].AsString());
    }
    break;
  case ipOfflineMessage:
    if (OnOfflinePrivMessage) {
      std::unique_ptr<TBlob> blob = CreateBlob(ipOfflineMessage, DataOf(p[3]));
      if (const auto* strings = dynamic_cast<const TStringsBlob*>(blob.get())) {
        OnOfflinePrivMessage(*this, TBytes(), TBytes(), strings);
      } else if (blob && DataOf(p[3])->front() == 'S') {
        // A message list that runs past the end of its data: the stored messages would
        // otherwise vanish without a word.
        throw TChatException("Stream read error");
      }
    }
    break;
  case ipFriendAdded: {
    const TBytes name = Names.GetName(p[0].AsInteger());
    if (!name.empty()) {
      // No data at all counts as not accepted.
      const TBytes& data = p[2].AsData();
      const bool accepted = !data.empty() && static_cast<uint8_t>(data[0]) == 1;
      Friends.Add(name, p[1].AsInteger() != 0, accepted);
    }
    break;
  }
  case ipFriendRemoved: {
    const TBytes name = Names.GetName(p[0].AsInteger());
    if (!name.empty()) {
      Friends.Remove(name);
    }
    break;
  }
  case ipPrivategroupInvited:
  case ipPrivategroupKicked: {
    const TBytes group = Names.GetName(p[0].AsInteger());
    const auto& handler =
        packet.TypeIndex() == ipPrivategroupInvited ? OnPrivateGroupInvite : OnPrivateGroupKick;
    if (!group.empty() && handler) {
      handler(*this, group);
    }
    break;
  }
  case ipPrivategroupClientJoin:
  case ipPrivategroupClientPart:
  case ipPrivategroupDeclined: {
    const TBytes group = Names.GetName(p[0].AsInteger());
    const auto& handler =
        packet.TypeIndex() == ipPrivategroupClientJoin ? OnPrivateGroupJoin : OnPrivateGroupLeave;
    if (!group.empty() && handler) {
      handler(*this, group, Names.GetName(p[1].AsInteger()));
    }
    break;
  }
  case ipPrivategroupMessage: {
    const TBytes group = Names.GetName(p[0].AsInteger());
    if (!group.empty() && OnPrivateGroupMessage) {
      std::unique_ptr<TBlob> blob = CreateBlob(ipPrivategroupMessage, DataOf(p[3]));
      OnPrivateGroupMessage(*this, group, Names.GetName(p[1].AsInteger()), p[2].AsString(),
                            blob.get());
    }
    break;
  }
  case ipGroupJoin:
    Groups.Add(p[0].AsGroupId(), p[1].AsString(), static_cast<uint32_t>(p[2].AsInteger()));
    break;
  case ipGroupMessage:
    if (OnGroupMessage) {
      std::unique_ptr<TBlob> blob = CreateBlob(ipGroupMessage, DataOf(p[3]));
      OnGroupMessage(*this, Groups.GetIndex(p[0].AsGroupId()), Names.GetName(p[1].AsInteger()),
                     p[2].AsString(), blob.get());
    }
    break;
  default:
    // Unknown, Client Unknown, the part notices, Pong, Adm Mux Info and
    // Login canceled need nothing.
    break;
  }
}

// ------------------------------------------------------- outgoing operations

TBytes TVeyraChat::MessageData(int outgoingKind, const TTextBlob* blob) const {
  if (blob != nullptr) {
    return blob->Encode(outgoingKind);
  }
  return TBytes(1, '\0');
}

void TVeyraChat::Login2(const TBytes& charName) {
  TraceEngine(QStringLiteral("TVeyraChat.Login2 ") + Quoted(FromBytes(charName)));
  const int32_t id = Names.GetID(charName);
  SendPacketNoWait(std::make_unique<TVeyraChatOutgoingPacket>(
      opLoginSelectCharacter, std::vector<TPacketParam>{TPacketParam::Integer(id)}));
  SetState(TChatState::csAwaitingLoginResult);
}

void TVeyraChat::SendTell(const TBytes& charName, const TBytes& message, const TTextBlob* blob) {
  TraceEngine(QStringLiteral("TVeyraChat.SendTell ") + Quoted(FromBytes(charName)));
  const int32_t id = Names.GetID(charName);
  if (id == -1) {
    return;
  }
  SendPacket(std::make_unique<TVeyraChatOutgoingPacket>(
      opMessagePrivate,
      std::vector<TPacketParam>{TPacketParam::Integer(id), TPacketParam::String(message),
                                TPacketParam::Data(MessageData(opMessagePrivate, blob))}));
}

void TVeyraChat::SendGroup(int groupIdx, const TBytes& message, const TTextBlob* blob) {
  TraceEngine(QStringLiteral("TVeyraChat.SendGroup ") + Quoted(groupIdx));
  TBytes data = MessageData(opGroupMessage, blob);
  const TGroupId gid = Groups.GetGID(groupIdx);
  SendPacket(std::make_unique<TVeyraChatOutgoingPacket>(
      opGroupMessage,
      std::vector<TPacketParam>{TPacketParam::GroupId(gid), TPacketParam::String(message),
                                TPacketParam::Data(std::move(data))}));
}

void TVeyraChat::SendGroup2(const TBytes& groupName, const TBytes& message, const TTextBlob* blob) {
  TraceEngine(QStringLiteral("TVeyraChat.SendGroup2 ") + Quoted(FromBytes(groupName)));
  SendGroup(Groups.IndexOf(groupName), message, blob);
}

void TVeyraChat::IgnoreGroup(int groupIdx) {
  TraceEngine(QStringLiteral("TVeyraChat.IgnoreGroup"));
  SendPacketNoWait(std::make_unique<TVeyraChatOutgoingPacket>(
      opGroupDataSet, std::vector<TPacketParam>{TPacketParam::GroupId(Groups.GetGID(groupIdx)),
                                                TPacketParam::Integer(kGroupMuteFlags),
                                                TPacketParam::Data(TBytes(1, '\0'))}));
}

void TVeyraChat::UnignoreGroup(int groupIdx) {
  TraceEngine(QStringLiteral("TVeyraChat.UnignoreGroup"));
  SendPacketNoWait(std::make_unique<TVeyraChatOutgoingPacket>(
      opGroupDataSet,
      std::vector<TPacketParam>{TPacketParam::GroupId(Groups.GetGID(groupIdx)),
                                TPacketParam::Integer(0), TPacketParam::Data(TBytes(1, '\0'))}));
}

namespace {
std::unique_ptr<TVeyraChatOutgoingPacket> IdPacket(uint8_t kind, int32_t id) {
  return std::make_unique<TVeyraChatOutgoingPacket>(
      kind, std::vector<TPacketParam>{TPacketParam::Integer(id)});
}
} // namespace

void TVeyraChat::PrivateGroupInvite(const TBytes& charName) {
  TraceEngine(QStringLiteral("TVeyraChat.PrivateGroupInvite"));
  const int32_t id = Names.GetID(charName);
  if (id != -1) {
    SendPacketNoWait(IdPacket(opPrivategroupInvite, id));
  }
}

void TVeyraChat::PrivateGroupKick(const TBytes& charName) {
  TraceEngine(QStringLiteral("TVeyraChat.PrivateGroupKick"));
  const int32_t id = Names.GetID(charName);
  if (id != -1) {
    SendPacketNoWait(IdPacket(opPrivategroupKick, id));
  }
}

void TVeyraChat::PrivateGroupJoin(const TBytes& groupName) {
  TraceEngine(QStringLiteral("TVeyraChat.PrivateGroupJoin"));
  const int32_t id = Names.GetID(groupName);
  if (id != -1) {
    SendPacketNoWait(IdPacket(opPrivategroupJoin, id));
  }
}

void TVeyraChat::PrivateGroupLeave(const TBytes& groupName) {
  TraceEngine(QStringLiteral("TVeyraChat.PrivateGroupLeave"));
  const int32_t id = Names.GetID(groupName);
  if (id != -1) {
    SendPacketNoWait(IdPacket(opPrivategroupPart, id));
  }
}

void TVeyraChat::PrivateGroupKickAll() {
  TraceEngine(QStringLiteral("TVeyraChat.PrivateGroupKickAll"));
  SendPacketNoWait(std::make_unique<TVeyraChatOutgoingPacket>(opPrivategroupKickall,
                                                              std::vector<TPacketParam>{}));
}

void TVeyraChat::PrivateGroupMessage(const TBytes& groupName, const TBytes& message,
                                     const TTextBlob* blob) {
  TraceEngine(QStringLiteral("TVeyraChat.PrivateGroupMessage"));
  const int32_t id = Names.GetID(groupName);
  if (id == -1) {
    return;
  }
  SendPacket(std::make_unique<TVeyraChatOutgoingPacket>(
      opPrivategroupMessage,
      std::vector<TPacketParam>{TPacketParam::Integer(id), TPacketParam::String(message),
                                TPacketParam::Data(MessageData(opPrivategroupMessage, blob))}));
}

void TVeyraChat::AddFRiend(const TBytes& charName, bool accepted) {
  TraceEngine(QStringLiteral("TVeyraChat.AddFRiend"));
  const int32_t id = Names.GetID(charName);
  if (id == -1) {
    return;
  }
  SendPacketNoWait(std::make_unique<TVeyraChatOutgoingPacket>(
      opFriendAdd,
      std::vector<TPacketParam>{TPacketParam::Integer(id),
                                TPacketParam::Data(TBytes(1, accepted ? '\1' : '\0'))}));
}

void TVeyraChat::RemoveFriend(const TBytes& charName) {
  TraceEngine(QStringLiteral("TVeyraChat.RemoveFriend"));
  const int32_t id = Names.GetID(charName);
  if (id != -1) {
    SendPacketNoWait(IdPacket(opFriendRemove, id));
  }
}

void TVeyraChat::Ping() {
  TraceEngine(QStringLiteral("TVeyraChat.Ping"));
  // The one data byte is the low byte of the time of day in seconds, counted
  // from the platform's date origin (1899-12-30) towards 1970-01-01.
  const int64_t secondsOfDay = QTime::currentTime().msecsSinceStartOfDay() / 1000;
  const int64_t originOffset = int64_t{25569} * 86400;
  const auto low = static_cast<char>(static_cast<uint8_t>((secondsOfDay - originOffset) & 0xFF));
  SendPacket(std::make_unique<TVeyraChatOutgoingPacket>(
      opPing, std::vector<TPacketParam>{TPacketParam::Data(TBytes(1, low))}));
}

void TVeyraChat::SetProxy(bool enabled, bool version5, const QString& host, const QString& port,
                          const QString& user, const QString& pass) {
  ProxySettings = TProxySettings{enabled, version5, host, port, user, pass};
  // The password is masked: traces may end up in bug reports.
  TraceEngine(QStringLiteral("TVeyraChat.SetProxy %1: %2:%3 %4: %5/%6")
                  .arg(BoolText(enabled), host, port, BoolText(version5), user,
                       QString(pass.size(), QLatin1Char('*'))));
}

TProxySettings TVeyraChat::GetProxy() const {
  const TProxySettings& s = ProxySettings;
  TraceEngine(QStringLiteral("TVeyraChat.GetProxy %1: %2:%3%4: %5/%6")
                  .arg(BoolText(s.Enabled), s.Host, s.Port, BoolText(s.Version5), s.User,
                       QString(s.Pass.size(), QLatin1Char('*'))));
  return s;
}

} // namespace tessra

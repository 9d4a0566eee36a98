#include "server/ChatServer.h"

#include <algorithm>

#include <QDateTime>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>

#include "common/ChatException.h"
#include "common/Trace.h"
#include "engine/LoginKey.h"
#include "engine/VeyraBlob.h"
#include "engine/VeyraChatPacket.h"
#include "server/ServerSession.h"

namespace tessra {

namespace {

constexpr int kHousekeepingIntervalMs = 1000;
constexpr int kListenBacklog = 256;
// Both bits set means the character muted the group (what the client sends).
constexpr uint32_t kMuteBits = 0x01010000;
// Room an incoming frame's payload has: the header's length is 15 bits.
constexpr size_t kMaxPayload = static_cast<size_t>(kMaxFieldLength);
constexpr size_t kMaxNameLength = 64;

std::string Lower(const TBytes& text) {
  std::string out = text;
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return out;
}

bool IsMuted(uint32_t flags) {
  return (flags & kMuteBits) == kMuteBits;
}

TPacketParam Int(int32_t v) {
  return TPacketParam::Integer(v);
}
TPacketParam Str(const TBytes& s) {
  return TPacketParam::String(s);
}
// A data parameter; no bytes travel as a length of 0 (null).
TPacketParam Data(const TBytes& d) {
  return d.empty() ? TPacketParam() : TPacketParam::Data(d);
}

int32_t NowSeconds() {
  return static_cast<int32_t>(QDateTime::currentSecsSinceEpoch() & 0x7FFFFFFF);
}

TBytes NowText() {
  return QDateTime::currentDateTimeUtc()
      .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss 'UTC'"))
      .toStdString();
}

} // namespace

TChatServer::TChatServer(TServerConfig config, TBigInt secret, const TTickSource* ticks,
                         QObject* parent)
    : QObject(parent), Config(std::move(config)), Secret(std::move(secret)),
      KeyHex(ServerValueFor(Secret)), Ticks(ticks) {
  if (Ticks == nullptr) {
    OwnTicks = std::make_unique<TSteadyTickSource>();
    Ticks = OwnTicks.get();
  }
  for (size_t a = 0; a < Config.Accounts.size(); ++a) {
    for (const auto& c : Config.Accounts[a].Characters) {
      TCharacter& record = Characters[c.Id];
      record.Name = c.Name;
      record.Id = c.Id;
      record.AccountIndex = static_cast<int>(a);
      NameIndex[Lower(c.Name)] = c.Id;
    }
  }
  for (const auto& c : Config.KnownNames) {
    TCharacter& record = Characters[c.Id];
    record.Name = c.Name;
    record.Id = c.Id;
    NameIndex[Lower(c.Name)] = c.Id;
  }
  for (const auto& g : Config.Groups) {
    Groups.push_back({g.Id, g.Name});
    for (const auto& member : g.Members) {
      if (member == "*") {
        for (auto& [id, record] : Characters) {
          if (record.AccountIndex >= 0) {
            record.GroupFlags.emplace(g.Id, g.Flags);
          }
        }
      } else if (TCharacter* record = FindCharacter(member)) {
        record->GroupFlags.emplace(g.Id, g.Flags);
      }
    }
  }
  for (const auto& [owner, buddies] : Config.Buddies) {
    if (TCharacter* record = FindCharacter(owner)) {
      for (const auto& buddy : buddies) {
        if (const TCharacter* b = FindCharacter(buddy)) {
          record->Buddies[b->Id] = true;
        }
      }
    }
  }
  HousekeepingTimer.setInterval(kHousekeepingIntervalMs);
  connect(&HousekeepingTimer, &QTimer::timeout, this, [this] { Housekeeping(); });
}

TChatServer::~TChatServer() {
  Stopping = true;
  Sessions.clear();
}

TBigInt TChatServer::RandomSecret() {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (int i = 0; i < 16; ++i) {
    const auto b = static_cast<uint8_t>(QRandomGenerator::system()->bounded(256));
    hex.push_back(kDigits[b >> 4]);
    hex.push_back(kDigits[b & 0xF]);
  }
  // A zero secret would make every shared key the same; it is one chance in
  // 2^128, but costs nothing to exclude.
  hex[0] = kDigits[1 + QRandomGenerator::system()->bounded(15)];
  return TBigInt::FromHex(hex);
}

bool TChatServer::Listen(const QHostAddress& address, quint16 port) {
  Listener = std::make_unique<QTcpServer>();
  connect(Listener.get(), &QTcpServer::newConnection, this, [this] { AcceptConnections(); });
  // Many clients may connect at the same moment (a restart, a benchmark).
  Listener->setListenBacklogSize(kListenBacklog);
  if (!Listener->listen(address, port)) {
    return false;
  }
  HousekeepingTimer.start();
  TraceTransport(QStringLiteral("TChatServer.Listen ") + Listener->serverAddress().toString() +
                 QLatin1Char(':') + QString::number(Listener->serverPort()));
  return true;
}

quint16 TChatServer::ServerPort() const {
  return Listener ? Listener->serverPort() : 0;
}

QHostAddress TChatServer::ServerAddress() const {
  return Listener ? Listener->serverAddress() : QHostAddress();
}

QString TChatServer::ErrorString() const {
  return Listener ? Listener->errorString() : QString();
}

void TChatServer::Close() {
  if (Listener) {
    Listener->close();
  }
  HousekeepingTimer.stop();
  // Closing a session may end others' private groups; work on a snapshot.
  std::vector<TServerSession*> open;
  for (const auto& s : Sessions) {
    open.push_back(s.get());
  }
  for (TServerSession* s : open) {
    s->Close("The server is shutting down");
  }
}

int TChatServer::SessionCount() const {
  return static_cast<int>(std::count_if(Sessions.begin(), Sessions.end(), [](const auto& s) {
    return s->Phase() != TServerSession::TPhase::Closed;
  }));
}

bool TChatServer::IsOnline(const TBytes& characterName) const {
  const auto it = NameIndex.find(Lower(characterName));
  return it != NameIndex.end() && Characters.at(it->second).Online();
}

void TChatServer::AcceptConnections() {
  while (QTcpSocket* raw = Listener->nextPendingConnection()) {
    std::unique_ptr<QTcpSocket> socket(raw);
    socket->setParent(nullptr);
    if (SessionCount() >= Config.MaxClients) {
      const TBytes frame =
          BuildIncomingFrame(ipMessageSystem, {Str("The server is full; try again later")});
      socket->write(frame.data(), static_cast<qint64>(frame.size()));
      socket->disconnectFromHost();
      socket.release()->deleteLater();
      continue;
    }
    Sessions.push_back(std::make_unique<TServerSession>(*this, std::move(socket), Config, *Ticks));
    Sessions.back()->Start();
  }
}

void TChatServer::Housekeeping() {
  const uint32_t now = Ticks->Now();
  std::vector<TServerSession*> late;
  for (const auto& s : Sessions) {
    const auto phase = s->Phase();
    if ((phase == TServerSession::TPhase::AwaitingLogin ||
         phase == TServerSession::TPhase::AwaitingSelect) &&
        now - s->ConnectedTick() > Config.LoginTimeoutMs) {
      late.push_back(s.get());
    }
  }
  for (TServerSession* s : late) {
    s->Close("Login timed out; disconnected");
  }
}

void TChatServer::SessionEnded(TServerSession& session) {
  if (Stopping) {
    return;
  }
  if (session.CharacterId != -1) {
    if (TCharacter* c = FindCharacter(session.CharacterId); c && c->Session == &session) {
      LogOut(*c);
    }
    session.CharacterId = -1;
  }
  ScheduleReap();
}

void TChatServer::ScheduleReap() {
  // A session may be in the middle of its own processing; it is released
  // from the event loop.
  if (!ReapPending && !Stopping) {
    ReapPending = true;
    QMetaObject::invokeMethod(
        this, [this] { Reap(); }, Qt::QueuedConnection);
  }
}

void TChatServer::Reap() {
  ReapPending = false;
  // A closing session stays until its last bytes (a refusal, the reason for
  // a disconnect) have gone out.
  std::erase_if(Sessions, [](const auto& s) { return s->Finished(); });
}

TChatServer::TCharacter* TChatServer::FindCharacter(int32_t id) {
  const auto it = Characters.find(id);
  return it == Characters.end() ? nullptr : &it->second;
}

TChatServer::TCharacter* TChatServer::FindCharacter(const TBytes& name) {
  const auto it = NameIndex.find(Lower(name));
  return it == NameIndex.end() ? nullptr : FindCharacter(it->second);
}

const TChatServer::TGroup* TChatServer::FindGroup(const TGroupId& id) const {
  for (const auto& g : Groups) {
    if (g.Id == id) {
      return &g;
    }
  }
  return nullptr;
}

TChatServer::TCharacter& TChatServer::CharacterOf(TServerSession& session) {
  TCharacter* c = FindCharacter(session.CharacterId);
  if (c == nullptr || c->Session != &session) {
    throw TChatException("Session without a character");
  }
  return *c;
}

void TChatServer::AnnounceTo(TServerSession& session, int32_t id) {
  if (const TCharacter* c = FindCharacter(id)) {
    session.Announce(id, c->Name);
  }
}

void TChatServer::HandlePacket(TServerSession& session, uint8_t kind,
                               const std::vector<TPacketParam>& p) {
  if (kind == opLoginResponseGetCharList) {
    HandleLoginResponse(session, p);
    return;
  }
  if (kind == opLoginSelectCharacter) {
    HandleSelectCharacter(session, p[0].AsInteger());
    return;
  }
  TCharacter& me = CharacterOf(session);
  switch (kind) {
  case opNameLookup:
    HandleLookup(session, p[0].AsString());
    break;
  case opMessagePrivate:
    HandleTell(session, me, p);
    break;
  case opFriendAdd:
    HandleFriendAdd(session, me, p[0].AsInteger(), p[1].AsData());
    break;
  case opFriendRemove:
    HandleFriendRemove(session, me, p[0].AsInteger());
    break;
  case opPrivategroupInvite:
    PrivateGroupInvite(session, me, p[0].AsInteger());
    break;
  case opPrivategroupKick:
    PrivateGroupKick(me, p[0].AsInteger());
    break;
  case opPrivategroupJoin:
    PrivateGroupJoin(session, me, p[0].AsInteger());
    break;
  case opPrivategroupPart:
    PrivateGroupPart(me, p[0].AsInteger());
    break;
  case opPrivategroupKickall:
    PrivateGroupKickAll(me);
    break;
  case opPrivategroupMessage:
    PrivateGroupMessage(session, me, p);
    break;
  case opGroupDataSet:
    HandleGroupDataSet(session, me, p);
    break;
  case opGroupMessage:
    HandleGroupMessage(session, me, p);
    break;
  case opPing:
    session.Send(ipPong, {p[0]});
    break;
  default:
    // Online status, client modes and the like: accepted, nothing to do.
    break;
  }
}

// ---- Login ---------------------------------------------------------------

void TChatServer::LoginFailed(TServerSession& session, const TBytes& text) {
  TraceEngine(QStringLiteral("TChatServer login refused for ") + session.PeerText() +
              QStringLiteral(": ") + QString::fromStdString(text));
  session.Send(ipLoginResultError, {Str(text)});
  session.Close({});
}

void TChatServer::HandleLoginResponse(TServerSession& session, const std::vector<TPacketParam>& p) {
  const TBytes& user = p[1].AsString();
  TLoginKeyContents contents;
  try {
    contents = DecodeLoginKey(p[2].AsString(), Secret);
  } catch (const TChatException&) {
    LoginFailed(session, "Malformed login key");
    return;
  }
  // A key made for another seed is a replay, not a login.
  if (contents.Seed != session.Seed()) {
    LoginFailed(session, "Malformed login key");
    return;
  }
  int account = -1;
  for (size_t a = 0; a < Config.Accounts.size(); ++a) {
    if (Lower(Config.Accounts[a].Name) == Lower(user)) {
      account = static_cast<int>(a);
    }
  }
  if (account < 0 || Lower(contents.User) != Lower(user) ||
      contents.Password != Config.Accounts[static_cast<size_t>(account)].Password) {
    LoginFailed(session, "Invalid user name or password");
    return;
  }
  session.AccountIndex = account;
  std::vector<int32_t> ids;
  std::vector<TBytes> names;
  std::vector<int32_t> numbers;
  std::vector<int32_t> online;
  for (const auto& c : Config.Accounts[static_cast<size_t>(account)].Characters) {
    ids.push_back(c.Id);
    names.push_back(c.Name);
    numbers.push_back(1);
    online.push_back(Characters[c.Id].Session != nullptr ? 1 : 0);
    // The character list puts these names into the client's cache.
    session.MarkAnnounced(c.Id);
  }
  session.Send(ipLoginCharacterList,
               {TPacketParam::IntegerArray(ids), TPacketParam::StringArray(names),
                TPacketParam::IntegerArray(numbers), TPacketParam::IntegerArray(online)});
  session.SetPhase(TServerSession::TPhase::AwaitingSelect);
}

void TChatServer::HandleSelectCharacter(TServerSession& session, int32_t id) {
  TCharacter* c = FindCharacter(id);
  if (c == nullptr || c->AccountIndex != session.AccountIndex) {
    LoginFailed(session, "That character is not on this account");
    return;
  }
  if (c->Session != nullptr) {
    LoginFailed(session, "That character is already logged in");
    return;
  }
  LogIn(session, *c);
}

void TChatServer::LogIn(TServerSession& session, TCharacter& me) {
  TraceEngine(QStringLiteral("TChatServer.LogIn ") + QString::fromStdString(me.Name));
  me.Session = &session;
  session.CharacterId = me.Id;
  session.SetPhase(TServerSession::TPhase::LoggedIn);
  session.Send(ipLoginResultOK, {});

  // Every id this login is about to use is announced first.
  for (const auto& [id, accepted] : me.Buddies) {
    AnnounceTo(session, id);
  }
  for (const auto& t : me.Offline) {
    AnnounceTo(session, t.SenderId);
  }
  for (const auto& [id, accepted] : me.Buddies) {
    SendFriend(session, Characters.at(id), accepted);
  }
  for (const auto& g : Groups) {
    if (const auto it = me.GroupFlags.find(g.Id); it != me.GroupFlags.end()) {
      SendGroupJoin(session, g, it->second);
    }
  }
  // Tells that waited for this character: a notice with the sender and the
  // date, then the tell itself.
  while (!me.Offline.empty()) {
    const TOfflineTell t = std::move(me.Offline.front());
    me.Offline.pop_front();
    const TBytes senderName = Characters.at(t.SenderId).Name;
    session.Send(ipOfflineMessage,
                 {Int(t.SenderId), Int(NowSeconds()), Int(0),
                  Data(TStringsBlob({senderName, t.Date}).Encode(opMessagePrivate))});
    session.Send(ipMessagePrivate, {Int(t.SenderId), Str(t.Text), Data(t.Data)});
  }
  PushOnlineState(me);
  if (OnCharacterLogIn) {
    OnCharacterLogIn(me.Name);
  }
}

void TChatServer::LogOut(TCharacter& me) {
  TraceEngine(QStringLiteral("TChatServer.LogOut ") + QString::fromStdString(me.Name));
  me.Session = nullptr;
  // Its own private group ends; it leaves every other one.
  PrivateGroupKickAll(me);
  PrivateGroups.erase(me.Id);
  std::vector<int32_t> hosts;
  for (const auto& [hostId, group] : PrivateGroups) {
    if (group.Members.count(me.Id) != 0 || group.Invited.count(me.Id) != 0) {
      hosts.push_back(hostId);
    }
  }
  for (int32_t hostId : hosts) {
    PrivateGroupPart(me, hostId);
  }
  PushOnlineState(me);
  if (OnCharacterLogOut) {
    OnCharacterLogOut(me.Name);
  }
}

void TChatServer::PushOnlineState(const TCharacter& character) {
  for (auto& [id, other] : Characters) {
    if (other.Session == nullptr || &other == &character) {
      continue;
    }
    if (const auto it = other.Buddies.find(character.Id); it != other.Buddies.end()) {
      SendFriend(*other.Session, character, it->second);
    }
  }
}

void TChatServer::SendFriend(TServerSession& session, const TCharacter& buddy, bool accepted) {
  session.Announce(buddy.Id, buddy.Name);
  session.Send(ipFriendAdded, {Int(buddy.Id), Int(buddy.Online() ? 1 : 0),
                               TPacketParam::Data(TBytes(1, accepted ? '\x01' : '\x00'))});
}

void TChatServer::SendGroupJoin(TServerSession& session, const TGroup& group, uint32_t flags) {
  session.Send(ipGroupJoin, {TPacketParam::GroupId(group.Id), Str(group.Name),
                             Int(static_cast<int32_t>(flags)), TPacketParam()});
}

// ---- Chat ----------------------------------------------------------------

void TChatServer::HandleLookup(TServerSession& session, const TBytes& name) {
  if (OnLookup && !OnLookup(name)) {
    return;
  }
  const TCharacter* c = name.size() <= kMaxNameLength ? FindCharacter(name) : nullptr;
  if (c == nullptr) {
    // The client waits for an answer carrying the very name it asked for.
    if (name.size() + 6 > kMaxPayload) {
      session.SendSystemMessage("Name too long");
      return;
    }
    session.Send(ipLookupResult, {Int(-1), Str(name)});
    return;
  }
  session.Announce(c->Id, c->Name);
  session.Send(ipLookupResult, {Int(c->Id), Str(c->Name)});
}

void TChatServer::HandleTell(TServerSession& session, TCharacter& sender,
                             const std::vector<TPacketParam>& p) {
  TCharacter* to = FindCharacter(p[0].AsInteger());
  if (to == nullptr) {
    session.SendSystemMessage("No such character");
    return;
  }
  const TBytes& text = p[1].AsString();
  const TBytes& data = p[2].AsData();
  if (to->Scripted) {
    if (OnScriptedTell) {
      OnScriptedTell(sender.Name, to->Name, text);
    }
    return;
  }
  if (to->Session != nullptr) {
    to->Session->Announce(sender.Id, sender.Name);
    to->Session->Send(ipMessagePrivate, {Int(sender.Id), Str(text), Data(data)});
    return;
  }
  if (static_cast<int>(to->Offline.size()) >= Config.MaxOfflineMessages) {
    session.SendSystemMessage(
        FormatMessage("%s is offline and cannot receive more messages", {to->Name}));
    return;
  }
  to->Offline.push_back({sender.Id, NowText(), text, data});
  session.Announce(to->Id, to->Name);
  session.Send(ipOfflineMessage, {Int(to->Id), Int(NowSeconds()), Int(0),
                                  Data(TStringsBlob({to->Name}).Encode(opMessagePrivate))});
}

void TChatServer::HandleGroupMessage(TServerSession& session, TCharacter& sender,
                                     const std::vector<TPacketParam>& p) {
  const TGroup* group = FindGroup(p[0].AsGroupId());
  if (group == nullptr || sender.GroupFlags.count(group->Id) == 0) {
    session.SendSystemMessage("You are not in that group");
    return;
  }
  const TBytes& text = p[1].AsString();
  const TBytes& data = p[2].AsData();
  // The sender's id makes what everyone receives 4 bytes longer than what
  // the sender sent.
  if (5 + 4 + 2 + text.size() + 2 + data.size() > kMaxPayload) {
    session.SendSystemMessage("Your message is too long");
    return;
  }
  BroadcastGroupMessage(*group, sender, text, data);
}

void TChatServer::BroadcastGroupMessage(const TGroup& group, const TCharacter& sender,
                                        const TBytes& text, const TBytes& data) {
  for (auto& [id, member] : Characters) {
    if (member.Session == nullptr) {
      continue;
    }
    const auto it = member.GroupFlags.find(group.Id);
    if (it == member.GroupFlags.end() || (IsMuted(it->second) && &member != &sender)) {
      continue;
    }
    member.Session->Announce(sender.Id, sender.Name);
    member.Session->Send(ipGroupMessage,
                         {TPacketParam::GroupId(group.Id), Int(sender.Id), Str(text), Data(data)});
  }
}

void TChatServer::HandleGroupDataSet(TServerSession& session, TCharacter& me,
                                     const std::vector<TPacketParam>& p) {
  const TGroup* group = FindGroup(p[0].AsGroupId());
  const auto it = group ? me.GroupFlags.find(group->Id) : me.GroupFlags.end();
  if (it == me.GroupFlags.end()) {
    session.SendSystemMessage("You are not in that group");
    return;
  }
  it->second = static_cast<uint32_t>(p[1].AsInteger());
  SendGroupJoin(session, *group, it->second);
}

void TChatServer::HandleFriendAdd(TServerSession& session, TCharacter& owner, int32_t id,
                                  const TBytes& data) {
  const TCharacter* buddy = FindCharacter(id);
  if (buddy == nullptr || buddy == &owner) {
    session.SendSystemMessage("No such character");
    return;
  }
  const bool accepted = !data.empty() && data[0] == '\x01';
  owner.Buddies[id] = accepted;
  SendFriend(session, *buddy, accepted);
}

void TChatServer::HandleFriendRemove(TServerSession& session, TCharacter& owner, int32_t id) {
  const TCharacter* buddy = FindCharacter(id);
  if (buddy == nullptr || owner.Buddies.erase(id) == 0) {
    session.SendSystemMessage("That character is not on your buddy list");
    return;
  }
  session.Announce(buddy->Id, buddy->Name);
  session.Send(ipFriendRemoved, {Int(id)});
}

// ---- Private groups ------------------------------------------------------

void TChatServer::ToPrivateGroup(int32_t hostId, uint8_t kind,
                                 const std::vector<TPacketParam>& values,
                                 const std::vector<int32_t>& announce) {
  const auto it = PrivateGroups.find(hostId);
  std::vector<int32_t> recipients{hostId};
  if (it != PrivateGroups.end()) {
    recipients.insert(recipients.end(), it->second.Members.begin(), it->second.Members.end());
  }
  for (int32_t id : recipients) {
    TCharacter* c = FindCharacter(id);
    if (c == nullptr || c->Session == nullptr) {
      continue;
    }
    AnnounceTo(*c->Session, hostId);
    for (int32_t a : announce) {
      AnnounceTo(*c->Session, a);
    }
    c->Session->Send(kind, values);
  }
}

void TChatServer::PrivateGroupInvite(TServerSession& session, TCharacter& host, int32_t targetId) {
  TCharacter* target = FindCharacter(targetId);
  if (target == nullptr || target->Session == nullptr || target == &host) {
    session.SendSystemMessage("That character is not online");
    return;
  }
  TPrivateGroup& group = PrivateGroups[host.Id];
  if (group.Members.count(targetId) != 0) {
    session.SendSystemMessage(FormatMessage("%s is already in your private group", {target->Name}));
    return;
  }
  group.Invited.insert(targetId);
  target->Session->Announce(host.Id, host.Name);
  target->Session->Send(ipPrivategroupInvited, {Int(host.Id)});
}

void TChatServer::PrivateGroupKick(TCharacter& host, int32_t targetId) {
  const auto it = PrivateGroups.find(host.Id);
  if (it == PrivateGroups.end()) {
    return;
  }
  it->second.Invited.erase(targetId);
  if (it->second.Members.erase(targetId) == 0) {
    return;
  }
  if (TCharacter* target = FindCharacter(targetId); target && target->Session) {
    target->Session->Send(ipPrivategroupKicked, {Int(host.Id)});
  }
  ToPrivateGroup(host.Id, ipPrivategroupClientPart, {Int(host.Id), Int(targetId)}, {targetId});
}

void TChatServer::PrivateGroupKickAll(TCharacter& host) {
  const auto it = PrivateGroups.find(host.Id);
  if (it == PrivateGroups.end()) {
    return;
  }
  const std::set<int32_t> members = std::move(it->second.Members);
  it->second.Members.clear();
  it->second.Invited.clear();
  for (int32_t id : members) {
    TCharacter* member = FindCharacter(id);
    if (member && member->Session) {
      member->Session->Send(ipPrivategroupKicked, {Int(host.Id)});
    }
    if (host.Session) {
      AnnounceTo(*host.Session, id);
      host.Session->Send(ipPrivategroupClientPart, {Int(host.Id), Int(id)});
    }
  }
}

void TChatServer::PrivateGroupJoin(TServerSession& session, TCharacter& joiner, int32_t hostId) {
  const auto it = PrivateGroups.find(hostId);
  if (it == PrivateGroups.end() || it->second.Invited.erase(joiner.Id) == 0) {
    session.SendSystemMessage("You have not been invited to that private group");
    return;
  }
  // Who is there already, then everyone hears of the newcomer.
  for (int32_t id : it->second.Members) {
    AnnounceTo(session, hostId);
    AnnounceTo(session, id);
    session.Send(ipPrivategroupClientJoin, {Int(hostId), Int(id)});
  }
  it->second.Members.insert(joiner.Id);
  ToPrivateGroup(hostId, ipPrivategroupClientJoin, {Int(hostId), Int(joiner.Id)}, {joiner.Id});
}

void TChatServer::PrivateGroupPart(TCharacter& leaver, int32_t hostId) {
  if (hostId == leaver.Id) {
    // Leaving one's own group ends it.
    PrivateGroupKickAll(leaver);
    return;
  }
  const auto it = PrivateGroups.find(hostId);
  if (it == PrivateGroups.end()) {
    return;
  }
  if (it->second.Invited.erase(leaver.Id) != 0) {
    // An invitation turned down.
    if (TCharacter* host = FindCharacter(hostId); host && host->Session) {
      AnnounceTo(*host->Session, leaver.Id);
      host->Session->Send(ipPrivategroupDeclined, {Int(hostId), Int(leaver.Id)});
    }
    return;
  }
  if (it->second.Members.erase(leaver.Id) == 0) {
    return;
  }
  const std::vector<TPacketParam> values{Int(hostId), Int(leaver.Id)};
  if (leaver.Session) {
    AnnounceTo(*leaver.Session, hostId);
    leaver.Session->Send(ipPrivategroupClientPart, values);
  }
  ToPrivateGroup(hostId, ipPrivategroupClientPart, values, {leaver.Id});
}

void TChatServer::PrivateGroupMessage(TServerSession& session, TCharacter& sender,
                                      const std::vector<TPacketParam>& p) {
  const int32_t hostId = p[0].AsInteger();
  const auto it = PrivateGroups.find(hostId);
  const bool inGroup =
      hostId == sender.Id || (it != PrivateGroups.end() && it->second.Members.count(sender.Id));
  if (!inGroup) {
    session.SendSystemMessage("You are not in that private group");
    return;
  }
  const TBytes& text = p[1].AsString();
  const TBytes& data = p[2].AsData();
  if (4 + 4 + 2 + text.size() + 2 + data.size() > kMaxPayload) {
    session.SendSystemMessage("Your message is too long");
    return;
  }
  ToPrivateGroup(hostId, ipPrivategroupMessage,
                 {Int(hostId), Int(sender.Id), Str(text), Data(data)}, {sender.Id});
}

// ---- Scripted characters -------------------------------------------------

bool TChatServer::SetScriptedOnline(const TBytes& name, bool online) {
  TCharacter* c = FindCharacter(name);
  // Account characters are played by their players only.
  if (c == nullptr || c->AccountIndex >= 0) {
    return false;
  }
  if (c->Scripted == online) {
    return true;
  }
  c->Scripted = online;
  if (!online) {
    // Its private group ends with it.
    PrivateGroupKickAll(*c);
    PrivateGroups.erase(c->Id);
  }
  PushOnlineState(*c);
  return true;
}

bool TChatServer::ScriptedGroupMessage(const TBytes& from, const TBytes& groupName,
                                       const TBytes& text, const TBytes& data) {
  const TCharacter* sender = FindCharacter(from);
  const auto group = std::find_if(Groups.begin(), Groups.end(),
                                  [&](const TGroup& g) { return g.Name == groupName; });
  if (sender == nullptr || !sender->Scripted || group == Groups.end() ||
      5 + 4 + 2 + text.size() + 2 + data.size() > kMaxPayload) {
    return false;
  }
  BroadcastGroupMessage(*group, *sender, text, data);
  return true;
}

bool TChatServer::ScriptedTell(const TBytes& from, const TBytes& to, const TBytes& text,
                               const TBytes& data) {
  const TCharacter* sender = FindCharacter(from);
  TCharacter* recipient = FindCharacter(to);
  // An offline member of the cast may still leave a message.
  if (sender == nullptr || sender->AccountIndex >= 0 || recipient == nullptr ||
      recipient->Scripted || 4 + 2 + text.size() + 2 + data.size() > kMaxPayload) {
    return false;
  }
  if (recipient->Session != nullptr) {
    recipient->Session->Announce(sender->Id, sender->Name);
    recipient->Session->Send(ipMessagePrivate, {Int(sender->Id), Str(text), Data(data)});
    return true;
  }
  if (recipient->AccountIndex < 0 ||
      static_cast<int>(recipient->Offline.size()) >= Config.MaxOfflineMessages) {
    return false;
  }
  recipient->Offline.push_back({sender->Id, NowText(), text, data});
  return true;
}

bool TChatServer::ScriptedInvite(const TBytes& host, const TBytes& target) {
  TCharacter* h = FindCharacter(host);
  TCharacter* t = FindCharacter(target);
  if (h == nullptr || !h->Scripted || t == nullptr || t->Session == nullptr) {
    return false;
  }
  TPrivateGroup& group = PrivateGroups[h->Id];
  if (group.Members.count(t->Id) != 0) {
    return false;
  }
  group.Invited.insert(t->Id);
  t->Session->Announce(h->Id, h->Name);
  t->Session->Send(ipPrivategroupInvited, {Int(h->Id)});
  return true;
}

bool TChatServer::ScriptedPrivateGroupMessage(const TBytes& host, const TBytes& text) {
  const TCharacter* h = FindCharacter(host);
  if (h == nullptr || !h->Scripted || 4 + 4 + 2 + text.size() + 2 > kMaxPayload) {
    return false;
  }
  const auto it = PrivateGroups.find(h->Id);
  if (it == PrivateGroups.end() || it->second.Members.empty()) {
    return false;
  }
  ToPrivateGroup(h->Id, ipPrivategroupMessage, {Int(h->Id), Int(h->Id), Str(text), TPacketParam()},
                 {h->Id});
  return true;
}

std::vector<TBytes> TChatServer::LoggedInNames() const {
  std::vector<TBytes> names;
  for (const auto& [id, c] : Characters) {
    if (c.Session != nullptr) {
      names.push_back(c.Name);
    }
  }
  return names;
}

} // namespace tessra

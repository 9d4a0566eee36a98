#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QTcpSocket>

#include "ScriptedServer.h"
#include "engine/LoginKey.h"
#include "engine/VeyraBlob.h"
#include "engine/VeyraChat.h"
#include "engine/VeyraChatPacket.h"
#include "server/ChatServer.h"

namespace tessra::test {

// Accounts and groups the server tests share: three accounts, a name that
// exists but never logs in, one group for everybody and one for two.
inline constexpr char kTestConfig[] = R"json({
  "maxBytesPerSecond": 0,
  "accounts": [
    {"name": "a1", "password": "pw1",
     "characters": [{"name": "Ann", "id": 101}, {"name": "Abe", "id": 102}]},
    {"name": "b1", "password": "pw2", "characters": [{"name": "Bob", "id": 201}]},
    {"name": "c1", "password": "pw3", "characters": [{"name": "Cat", "id": 301}]}
  ],
  "knownNames": [{"name": "Ghost", "id": 901}],
  "groups": [
    {"id": "0A00000001", "name": "General", "members": ["*"]},
    {"id": "0A00000002", "name": "Team", "members": ["Ann", "Bob"]}
  ]
})json";

inline TBigInt TestSecret() {
  return TBigInt::FromHex("1f2e3d4c5b6a79880123456789abcdef");
}

// An engine logged in (or trying to) to a server on loopback, with every
// event recorded as one line of text.
class TEngineClient {
public:
  TEngineClient(quint16 port, const std::string& serverKey) {
    Chat = std::make_unique<TVeyraChat>();
    Dimension.Host = QStringLiteral("127.0.0.1");
    Dimension.Port = port;
    Chat->Dimension = &Dimension;
    Chat->ServerValueHex = serverKey;
    Chat->OnConnect = [this](TVeyraChat&) { Events.push_back("Connect"); };
    Chat->OnLogin = [this](TVeyraChat&) { Events.push_back("Login"); };
    Chat->OnLoginError = [this](TVeyraChat&, const TBytes& m) {
      Events.push_back("LoginError " + m);
    };
    Chat->OnDisconnect = [this](TVeyraChat&) { Events.push_back("Disconnect"); };
    Chat->OnException = [this](TVeyraChat&, const std::exception& e) {
      Events.push_back(std::string("Exception ") + e.what());
    };
    Chat->OnSystemMessage = [this](TVeyraChat&, const TBytes& m) {
      Events.push_back("System " + m);
    };
    Chat->OnPrivateMessage = [this](TVeyraChat&, const TBytes& who, const TBytes& m,
                                    const TBlob* blob) {
      Events.push_back("Private " + who + ": " + m + BlobText(blob));
    };
    Chat->OnOfflinePrivMessage = [this](TVeyraChat&, const TBytes& who, const TBytes& m,
                                        const TStringsBlob* blob) {
      std::string s = "Offline [" + who + m + "]";
      for (const auto& str : blob->Strings) {
        s += " " + str;
      }
      Events.push_back(s);
    };
    Chat->OnGroupMessage = [this](TVeyraChat& c, int idx, const TBytes& who, const TBytes& m,
                                  const TBlob* blob) {
      const TBytes group = idx >= 0 ? c.GroupList().GetGroup(idx).Name : TBytes("?");
      Events.push_back("Group " + group + " " + who + ": " + m + BlobText(blob));
    };
    Chat->OnGroupListChange = [this](TVeyraChat&) { Events.push_back("GroupListChange"); };
    Chat->OnFriendAdd = [this](TVeyraChat&, const TFriendInfo& f) {
      Events.push_back("FriendAdd " + f.Name + (f.Online ? " on" : " off") +
                       (f.Accepted ? " acc" : ""));
    };
    Chat->OnFriendStatusChange = [this](TVeyraChat&, const TFriendInfo& f) {
      Events.push_back("FriendStatus " + f.Name + (f.Online ? " on" : " off"));
    };
    Chat->OnFriendRemove = [this](TVeyraChat&, const TFriendInfo& f) {
      Events.push_back("FriendRemove " + f.Name);
    };
    Chat->OnPrivateGroupInvite = [this](TVeyraChat&, const TBytes& g) {
      Events.push_back("Invite " + g);
    };
    Chat->OnPrivateGroupKick = [this](TVeyraChat&, const TBytes& g) {
      Events.push_back("Kick " + g);
    };
    Chat->OnPrivateGroupJoin = [this](TVeyraChat&, const TBytes& g, const TBytes& c) {
      Events.push_back("Join " + g + " " + c);
    };
    Chat->OnPrivateGroupLeave = [this](TVeyraChat&, const TBytes& g, const TBytes& c) {
      Events.push_back("Leave " + g + " " + c);
    };
    Chat->OnPrivateGroupMessage = [this](TVeyraChat&, const TBytes& g, const TBytes& c,
                                         const TBytes& m, const TBlob* blob) {
      Events.push_back("PGroup " + g + " " + c + ": " + m + BlobText(blob));
    };
  }

  static std::string BlobText(const TBlob* blob) {
    if (const auto* text = dynamic_cast<const TTextBlob*>(blob)) {
      return " [" + text->Text + "]";
    }
    return blob ? " +" + blob->ClassName() : "";
  }

  // Connects and waits for the character list (or the refusal).
  bool Connect(const TBytes& user, const TBytes& password) {
    Chat->UserName = user;
    Chat->Password = password;
    Chat->Connect();
    return WaitUntil(
               [this] { return Has("Connect") || Has("LoginError", true) || Has("Disconnect"); },
               10000) &&
           Has("Connect");
  }

  bool LogIn(const TBytes& user, const TBytes& password, const TBytes& character) {
    if (!Connect(user, password)) {
      return false;
    }
    Chat->Login2(character);
    return WaitUntil(
               [this] { return Has("Login") || Has("LoginError", true) || Has("Disconnect"); },
               10000) &&
           Has("Login");
  }

  // Whether an event equal to (or, with prefix, starting with) text was seen.
  bool Has(const std::string& text, bool prefix = false) const {
    for (const auto& e : Events) {
      if (e == text || (prefix && e.rfind(text, 0) == 0)) {
        return true;
      }
    }
    return false;
  }
  bool WaitFor(const std::string& text, int timeoutMs = 5000) {
    return WaitUntil([&] { return Has(text); }, timeoutMs);
  }
  int IndexOf(const std::string& text) const {
    for (size_t i = 0; i < Events.size(); ++i) {
      if (Events[i] == text) {
        return static_cast<int>(i);
      }
    }
    return -1;
  }

  // Everything the server sent before this call has been handled once it
  // returns: the look-up of a name nobody has is answered in order.
  void Barrier() { Chat->NameList().GetID("nobody-" + std::to_string(++Barriers)); }

  // The paced operations, without waiting 3300 ms between them.
  void Tell(const TBytes& to, const TBytes& text, const TTextBlob* blob = nullptr) {
    Chat->SendTell(to, text, blob);
    Chat->SendTimer().stop();
  }
  void Group(const TBytes& group, const TBytes& text) {
    Chat->SendGroup2(group, text);
    Chat->SendTimer().stop();
  }
  void PrivateGroup(const TBytes& group, const TBytes& text) {
    Chat->PrivateGroupMessage(group, text);
    Chat->SendTimer().stop();
  }
  int GroupIndex(const TBytes& name) const { return Chat->GroupList().IndexOf(name); }

  std::unique_ptr<TVeyraChat> Chat;
  TDimensionInfo Dimension;
  std::vector<std::string> Events;
  int Barriers = 0;
};

// A client that writes frames by hand and records what the server sends.
class TRawClient {
public:
  struct TPacket {
    int Kind = 0; // incoming table index
    std::vector<TPacketParam> Params;
  };

  explicit TRawClient(quint16 port) {
    QObject::connect(&Socket, &QTcpSocket::readyRead, [this] { Read(); });
    Socket.connectToHost(QHostAddress::LocalHost, port);
    Socket.waitForConnected(5000);
  }

  void SendRaw(const TBytes& bytes) {
    Socket.write(bytes.data(), static_cast<qint64>(bytes.size()));
    Socket.flush();
  }
  void Send(uint8_t outgoingKind, std::vector<TPacketParam> values) {
    SendRaw(TVeyraChatOutgoingPacket(outgoingKind, std::move(values)).BuildFrame());
  }

  std::optional<TPacket> Take(int kind, int timeoutMs = 5000) {
    std::optional<TPacket> found;
    WaitUntil(
        [&] {
          for (size_t i = Taken; i < Packets.size(); ++i) {
            if (Packets[i].Kind == kind) {
              found = Packets[i];
              Taken = i + 1;
              return true;
            }
          }
          return false;
        },
        timeoutMs);
    return found;
  }
  // The text of the next "Message System".
  std::string SystemText(int timeoutMs = 5000) {
    const auto p = Take(ipMessageSystem, timeoutMs);
    return p ? p->Params[0].AsString() : std::string("(none)");
  }
  bool WaitClosed(int timeoutMs = 5000) {
    return WaitUntil([this] { return Socket.state() == QAbstractSocket::UnconnectedState; },
                     timeoutMs);
  }

  // The whole login with a real key; the character by id.
  bool LogIn(const TBytes& user, const TBytes& password, const std::string& serverKey,
             int32_t characterId) {
    const auto seed = Take(ipLoginSeed);
    if (!seed) {
      return false;
    }
    Send(opLoginResponseGetCharList,
         {TPacketParam::Integer(0), TPacketParam::String(user),
          TPacketParam::String(GenLoginKey(user, seed->Params[0].AsString(), password, serverKey,
                                           SystemRandomByte))});
    if (!Take(ipLoginCharacterList)) {
      return false;
    }
    Send(opLoginSelectCharacter, {TPacketParam::Integer(characterId)});
    return Take(ipLoginResultOK).has_value();
  }

  QTcpSocket Socket;
  std::vector<TPacket> Packets;

private:
  void Read() {
    const QByteArray bytes = Socket.readAll();
    Buffer.append(bytes.constData(), static_cast<size_t>(bytes.size()));
    while (Buffer.size() >= 4) {
      const auto b = [this](size_t i) { return static_cast<uint8_t>(Buffer[i]); };
      const size_t length = (size_t{b(2)} << 8) | b(3);
      if (Buffer.size() < 4 + length) {
        break;
      }
      const int32_t number = static_cast<int16_t>((b(0) << 8) | b(1));
      TVeyraChatIncomingPacket packet(number, Buffer.substr(4, length));
      Packets.push_back({packet.TypeIndex(), packet.Params()});
      Buffer.erase(0, 4 + length);
    }
  }

  TBytes Buffer;
  size_t Taken = 0;
};

} // namespace tessra::test

#include "cli/ChatCli.h"

#include <cerrno>

#include <QJsonArray>
#include <QJsonDocument>
#include <QSocketNotifier>
#include <QTimer>

#include "common/ChatException.h"
#include "engine/VeyraBlob.h"

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace tessra {

namespace {

// Wire text is UTF-8; bytes that are not become U+FFFD.
QString Text(const TBytes& bytes) {
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

TBytes Bytes(const std::string& s) {
  return s;
}

QJsonValue BlobJson(const TBlob* blob) {
  if (blob == nullptr) {
    return QJsonValue::Null;
  }
  QJsonObject o;
  o[QStringLiteral("Class")] = QString::fromStdString(blob->ClassName());
  if (const auto* item = dynamic_cast<const TItemBlob*>(blob)) {
    o[QStringLiteral("LowID")] = item->LowID;
    o[QStringLiteral("HiID")] = item->HiID;
    o[QStringLiteral("QL")] = item->QL;
  } else if (const auto* text = dynamic_cast<const TTextBlob*>(blob)) {
    o[QStringLiteral("Text")] = Text(text->Text);
    o[QStringLiteral("Value")] = text->Value;
  } else if (const auto* voice = dynamic_cast<const TVoiceBlob*>(blob)) {
    o[QStringLiteral("Breed")] = Text(voice->Breed);
    o[QStringLiteral("Gender")] = Text(voice->Gender);
    o[QStringLiteral("Qualifier")] = Text(voice->Qualifier);
    o[QStringLiteral("Sound")] = Text(voice->Sound);
  } else if (const auto* strings = dynamic_cast<const TStringsBlob*>(blob)) {
    QJsonArray list;
    for (const auto& s : strings->Strings) {
      list.append(Text(s));
    }
    o[QStringLiteral("Strings")] = list;
  } else if (const auto* unknown = dynamic_cast<const TUnknownBlob*>(blob)) {
    o[QStringLiteral("Data")] = QString::fromLatin1(
        QByteArray(unknown->Data.data(), static_cast<qsizetype>(unknown->Data.size())).toHex());
  }
  return o;
}

QJsonObject FriendJson(const TFriendInfo& f) {
  return QJsonObject{{QStringLiteral("Name"), Text(f.Name)},
                     {QStringLiteral("Online"), f.Online},
                     {QStringLiteral("Accepted"), f.Accepted}};
}

} // namespace

TChatCli::TChatCli(TCliOptions options, std::FILE* out, std::FILE* err)
    : Options(std::move(options)), Out(out), Err(err) {
  Dimension.Name = QStringLiteral("Command line");
  Dimension.Host = Options.Host;
  Dimension.Port = Options.Port;
  Chat.Dimension = &Dimension;
  Chat.UserName = Options.User;
  Chat.Password = Options.Password;
  if (!Options.ServerKeyHex.empty()) {
    Chat.ServerValueHex = Options.ServerKeyHex;
  }
  Chat.SetProxy(Options.UseSocks, !Options.SocksUser.isEmpty(), Options.SocksHost,
                Options.SocksPort, Options.SocksUser, Options.SocksPass);

  Chat.OnConnect = [this](TVeyraChat& chat) {
    Emit(QStringLiteral("Connect"), {});
    TBytes character = Options.Character;
    if (character.empty()) {
      if (chat.CharList().Count() == 0) {
        Error(QStringLiteral("the account has no characters"));
        LoginFailed = true;
        chat.Disconnect();
        return;
      }
      character = chat.CharList().GetChar(0).Name;
    } else {
      bool found = false;
      for (int i = 0; i < chat.CharList().Count(); ++i) {
        found = found || SameTextIgnoringCase(chat.CharList().GetChar(i).Name, character);
      }
      if (!found) {
        Error(QStringLiteral("the account has no character named ") + Text(character));
        LoginFailed = true;
        chat.Disconnect();
        return;
      }
    }
    chat.Login2(character);
  };
  Chat.OnLogin = [this](TVeyraChat&) {
    LoggedIn = true;
    Emit(QStringLiteral("Login"), {});
    if (InputFd >= 0 && Input) {
      Input->setEnabled(true);
    }
  };
  Chat.OnLoginError = [this](TVeyraChat&, const TBytes& message) {
    LoginFailed = true;
    Emit(QStringLiteral("LoginError"), {{QStringLiteral("Message"), Text(message)}});
  };
  Chat.OnDisconnect = [this](TVeyraChat&) {
    Emit(QStringLiteral("Disconnect"), {});
    Finish(Quitting ? 0 : (LoggedIn ? 2 : 1));
  };
  Chat.OnError = [this](TVeyraChat&, int& code) {
    Emit(QStringLiteral("Error"), {{QStringLiteral("ErrorCode"), code}});
  };
  Chat.OnException = [this](TVeyraChat&, const std::exception& e) {
    Error(QString::fromUtf8(e.what()));
  };
  Chat.OnSystemMessage = [this](TVeyraChat&, const TBytes& message) {
    Emit(QStringLiteral("SystemMessage"), {{QStringLiteral("Message"), Text(message)}});
  };
  Chat.OnPrivateMessage = [this](TVeyraChat&, const TBytes& who, const TBytes& message,
                                 const TBlob* blob) {
    Emit(QStringLiteral("PrivateMessage"), {{QStringLiteral("CharName"), Text(who)},
                                            {QStringLiteral("Message"), Text(message)},
                                            {QStringLiteral("Blob"), BlobJson(blob)}});
  };
  Chat.OnOfflinePrivMessage = [this](TVeyraChat&, const TBytes& who, const TBytes& message,
                                     const TStringsBlob* blob) {
    Emit(QStringLiteral("OfflinePrivMessage"), {{QStringLiteral("CharName"), Text(who)},
                                                {QStringLiteral("Message"), Text(message)},
                                                {QStringLiteral("Blob"), BlobJson(blob)}});
  };
  Chat.OnGroupMessage = [this](TVeyraChat& chat, int groupIdx, const TBytes& who,
                               const TBytes& message, const TBlob* blob) {
    const QString group = groupIdx >= 0 && groupIdx < chat.GroupList().Count()
                              ? Text(chat.GroupList().GetGroup(groupIdx).Name)
                              : QString();
    Emit(QStringLiteral("GroupMessage"), {{QStringLiteral("GroupIdx"), groupIdx},
                                          {QStringLiteral("GroupName"), group},
                                          {QStringLiteral("CharName"), Text(who)},
                                          {QStringLiteral("Message"), Text(message)},
                                          {QStringLiteral("Blob"), BlobJson(blob)}});
  };
  Chat.OnGroupListChange = [this](TVeyraChat& chat) {
    QJsonArray groups;
    for (int i = 0; i < chat.GroupList().Count(); ++i) {
      const TGroupInfo& g = chat.GroupList().GetGroup(i);
      groups.append(QJsonObject{{QStringLiteral("Name"), Text(g.Name)},
                                {QStringLiteral("Flags"), static_cast<qint64>(g.Flags)},
                                {QStringLiteral("Muted"), g.Muted}});
    }
    Emit(QStringLiteral("GroupListChange"), {{QStringLiteral("Groups"), groups}});
  };
  Chat.OnFriendAdd = [this](TVeyraChat&, const TFriendInfo& f) {
    Emit(QStringLiteral("FriendAdd"), FriendJson(f));
  };
  Chat.OnFriendRemove = [this](TVeyraChat&, const TFriendInfo& f) {
    Emit(QStringLiteral("FriendRemove"), FriendJson(f));
  };
  Chat.OnFriendStatusChange = [this](TVeyraChat&, const TFriendInfo& f) {
    Emit(QStringLiteral("FriendStatusChange"), FriendJson(f));
  };
  Chat.OnPrivateGroupInvite = [this](TVeyraChat&, const TBytes& group) {
    Emit(QStringLiteral("PrivateGroupInvite"), {{QStringLiteral("GroupName"), Text(group)}});
  };
  Chat.OnPrivateGroupKick = [this](TVeyraChat&, const TBytes& group) {
    Emit(QStringLiteral("PrivateGroupKick"), {{QStringLiteral("GroupName"), Text(group)}});
  };
  Chat.OnPrivateGroupJoin = [this](TVeyraChat&, const TBytes& group, const TBytes& who) {
    Emit(QStringLiteral("PrivateGroupJoin"),
         {{QStringLiteral("GroupName"), Text(group)}, {QStringLiteral("CharName"), Text(who)}});
  };
  Chat.OnPrivateGroupLeave = [this](TVeyraChat&, const TBytes& group, const TBytes& who) {
    Emit(QStringLiteral("PrivateGroupLeave"),
         {{QStringLiteral("GroupName"), Text(group)}, {QStringLiteral("CharName"), Text(who)}});
  };
  Chat.OnPrivateGroupMessage = [this](TVeyraChat&, const TBytes& group, const TBytes& who,
                                      const TBytes& message, const TBlob* blob) {
    Emit(QStringLiteral("PrivateGroupMessage"), {{QStringLiteral("GroupName"), Text(group)},
                                                 {QStringLiteral("CharName"), Text(who)},
                                                 {QStringLiteral("Message"), Text(message)},
                                                 {QStringLiteral("Blob"), BlobJson(blob)}});
  };
}

TChatCli::~TChatCli() {
  Chat.Abort();
}

void TChatCli::Start() {
  try {
    Chat.Connect();
  } catch (const std::exception& e) {
    Error(QString::fromUtf8(e.what()));
    LoginFailed = true;
    QTimer::singleShot(0, this, [this] { Finish(1); });
  }
}

void TChatCli::ListenTo(int fd) {
#ifdef Q_OS_UNIX
  InputFd = fd;
  Input = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  // Commands are read only once the character is logged in.
  Input->setEnabled(LoggedIn);
  connect(Input.get(), &QSocketNotifier::activated, this, [this] { ReadInput(); });
#else
  (void)fd;
  Error(QStringLiteral("reading commands is supported on Unix-like systems only"));
#endif
}

void TChatCli::ReadInput() {
#ifdef Q_OS_UNIX
  char buffer[4096];
  const ssize_t n = ::read(InputFd, buffer, sizeof buffer);
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
    return;
  }
  if (n <= 0) {
    Input->setEnabled(false);
    if (!Pending.empty()) {
      const std::string last = Pending;
      Pending.clear();
      Execute(last);
    }
    Quit();
    return;
  }
  Pending.append(buffer, static_cast<size_t>(n));
  // A command may wait inside the engine (a name look-up); lines that arrive
  // meanwhile run after it, in order.
  if (Running) {
    return;
  }
  size_t newline;
  while (!Finished && (newline = Pending.find('\n')) != std::string::npos) {
    const std::string line = Pending.substr(0, newline);
    Pending.erase(0, newline + 1);
    Execute(line);
  }
#endif
}

void TChatCli::Execute(const std::string& line) {
  if (line.find_first_not_of(" \t\r") == std::string::npos) {
    return;
  }
  const TCliParseResult parsed = ParseCliCommand(line);
  if (!parsed.Command) {
    Error(QString::fromStdString(parsed.Error));
    return;
  }
  Running = true;
  try {
    RunCommand(*parsed.Command);
  } catch (const std::exception& e) {
    Error(QString::fromUtf8(e.what()));
  }
  Running = false;
}

int TChatCli::GroupIndex(const std::string& name) {
  const int index = Chat.GroupList().IndexOf(Bytes(name));
  if (index < 0) {
    throw TChatException("not in a group named " + name);
  }
  return index;
}

void TChatCli::RunCommand(const TCliCommand& c) {
  const std::string& w = c.Words.empty() ? std::string() : c.Words[0];
  if (c.Name == "tell") {
    Chat.SendTell(w, c.Text);
  } else if (c.Name == "group") {
    Chat.SendGroup(GroupIndex(w), c.Text);
  } else if (c.Name == "pgmsg") {
    Chat.PrivateGroupMessage(w, c.Text);
  } else if (c.Name == "addbuddy") {
    Chat.AddFRiend(w, true);
  } else if (c.Name == "rembuddy") {
    Chat.RemoveFriend(w);
  } else if (c.Name == "invite") {
    Chat.PrivateGroupInvite(w);
  } else if (c.Name == "kick") {
    Chat.PrivateGroupKick(w);
  } else if (c.Name == "kickall") {
    Chat.PrivateGroupKickAll();
  } else if (c.Name == "join") {
    Chat.PrivateGroupJoin(w);
  } else if (c.Name == "leave") {
    Chat.PrivateGroupLeave(w);
  } else if (c.Name == "mute") {
    Chat.IgnoreGroup(GroupIndex(w));
  } else if (c.Name == "unmute") {
    Chat.UnignoreGroup(GroupIndex(w));
  } else if (c.Name == "lookup") {
    const int32_t id = Chat.NameList().GetID(w);
    Emit(QStringLiteral("Lookup"),
         {{QStringLiteral("Name"), Text(w)}, {QStringLiteral("Id"), static_cast<qint64>(id)}});
  } else if (c.Name == "ping") {
    Chat.Ping();
  } else if (c.Name == "quit") {
    Quit();
  }
}

void TChatCli::Quit() {
  if (Quitting) {
    return;
  }
  Quitting = true;
  // Paced messages still queued in the engine go out before the connection
  // closes: a script that ends right after a /tell must not lose it.
  auto* drain = new QTimer(this);
  drain->setInterval(100);
  connect(drain, &QTimer::timeout, this, [this, drain] {
    if (Chat.QueuedPackets() == 0 || Chat.State() != TChatState::csLoggedIn) {
      drain->stop();
      drain->deleteLater();
      if (Chat.State() == TChatState::csDisconnected) {
        Finish(0);
      } else {
        Chat.Disconnect();
      }
    }
  });
  drain->start();
}

void TChatCli::Emit(const QString& event, QJsonObject fields) {
  fields[QStringLiteral("event")] = event;
  const QByteArray line = QJsonDocument(fields).toJson(QJsonDocument::Compact);
  std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), Out);
  std::fputc('\n', Out);
  std::fflush(Out);
}

void TChatCli::Error(const QString& text) {
  const QByteArray line = text.toUtf8();
  std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), Err);
  std::fputc('\n', Err);
  std::fflush(Err);
}

void TChatCli::Finish(int code) {
  if (Finished) {
    return;
  }
  Finished = true;
  Code = LoginFailed ? 1 : code;
  if (Input) {
    Input->setEnabled(false);
  }
  if (OnFinished) {
    OnFinished(Code);
  }
}

} // namespace tessra

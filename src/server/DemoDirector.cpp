#include "server/DemoDirector.h"

#include <algorithm>

#include "common/Trace.h"
#include "engine/VeyraBlob.h"
#include "engine/VeyraChatPacket.h"
#include "server/ChatServer.h"

namespace tessra {

namespace {

// The cast: names the server knows that belong to no account.
constexpr char kMirelle[] = "Mirelle";
constexpr char kThorvald[] = "Thorvald";
constexpr char kQuillon[] = "Quillon";
constexpr char kSabeth[] = "Sabeth";

constexpr char kGeneral[] = "General";
constexpr char kShopping[] = "Trade Shopping 1";
constexpr char kSeekingTeam[] = "Seeking Team";

// The visible part of a reference carried as the message's blob sits
// between these two characters.
constexpr char kRefStart = '\x11';
constexpr char kRefEnd = '\x12';

// Info-window mark-up of the raid notes Thorvald hands out.
constexpr char kRaidNotes[] =
    "<font color=#FFFF00>Ashen Caves raid</font><br><br>"
    "Meet at the <font color=#00FF00>North Gate</font> at 20:00, bring stims and a spare "
    "weapon.<br>Loot: need before greed, the ring goes to the tank.<br><br>"
    "<a href=\"chatcmd:///tell Thorvald count me in\">Sign up with Thorvald</a>";

TBytes Reference(const std::string& before, const std::string& label, const std::string& after) {
  return before + kRefStart + label + kRefEnd + after;
}

} // namespace

TServerConfig TDemoDirector::DemoConfig() {
  TServerConfig config = DefaultServerConfig();
  config.KnownNames.push_back({kMirelle, 9101});
  config.KnownNames.push_back({kThorvald, 9102});
  config.KnownNames.push_back({kQuillon, 9103});
  config.KnownNames.push_back({kSabeth, 9104});
  config.Buddies["Alira"] = {"Corwen", kMirelle, kThorvald};
  config.Buddies["Brannic"] = {kMirelle, kQuillon};
  config.Buddies["Corwen"] = {"Alira", kThorvald, kSabeth};
  config.Buddies["Dessa"] = {kMirelle, kSabeth};
  return config;
}

TDemoDirector::TDemoDirector(TChatServer& server, QObject* parent)
    : QObject(parent), Server(server) {
  Timer.setSingleShot(true);
  connect(&Timer, &QTimer::timeout, this, [this] {
    const std::string what = Step();
    TraceEngine(QStringLiteral("TDemoDirector.Step ") + QString::fromStdString(what));
    ArmTimer(Replies.empty() ? BeatMs : ReplyMs);
  });
  Server.OnCharacterLogIn = [this](const TBytes& name) { CharacterLoggedIn(name); };
  Server.OnCharacterLogOut = [this](const TBytes& name) { CharacterLoggedOut(name); };
  Server.OnScriptedTell = [this](const TBytes& from, const TBytes& to, const TBytes& text) {
    TellReceived(from, to, text);
  };
  BuildScript();
  // Something waits for every player at the first login.
  for (const TServerAccount& account : DemoConfig().Accounts) {
    for (const TServerCharacter& c : account.Characters) {
      Server.ScriptedTell(
          kSabeth, c.Name,
          "Hi " + c.Name + ", I left the spare tower key with the bank. Don't lose it this time!");
    }
  }
}

TDemoDirector::~TDemoDirector() {
  Server.OnCharacterLogIn = nullptr;
  Server.OnCharacterLogOut = nullptr;
  Server.OnScriptedTell = nullptr;
}

void TDemoDirector::Start(int beatMs, int replyMs) {
  BeatMs = beatMs;
  ReplyMs = replyMs;
  Running = true;
  if (!Audiences.empty()) {
    ArmTimer(BeatMs);
  }
}

void TDemoDirector::Stop() {
  Running = false;
  Timer.stop();
}

void TDemoDirector::ArmTimer(int ms) {
  if (Running && !Audiences.empty()) {
    Timer.start(ms);
  } else {
    Timer.stop();
  }
}

void TDemoDirector::BuildScript() {
  const auto online = [this](const char* who, bool on) {
    return TBeat{std::string(who) + (on ? " comes online" : " goes offline"),
                 [this, who, on] { Server.SetScriptedOnline(who, on); }};
  };
  const auto group = [this](const char* who, const char* where, TBytes text, TBytes data = {}) {
    return TBeat{std::string(who) + " talks in " + where,
                 [this, who, where, text = std::move(text), data = std::move(data)] {
                   Server.ScriptedGroupMessage(who, where, text, data);
                 }};
  };
  // Tells go to the player; "%s" becomes the player's name.
  const auto tell = [this](const char* who, TBytes text, TBytes data = {}) {
    return TBeat{std::string(who) + " tells the player",
                 [this, who, text = std::move(text), data = std::move(data)] {
                   if (Player.empty()) {
                     return;
                   }
                   TBytes line = text;
                   if (const size_t at = line.find("%s"); at != TBytes::npos) {
                     line.replace(at, 2, Player);
                   }
                   Server.ScriptedTell(who, Player, line, data);
                 }};
  };

  const TBytes ring = TItemBlob(246817, 246818, 200).Encode(opGroupMessage);
  const TBytes notes = TTextBlob(kRaidNotes).Encode(opMessagePrivate);

  Script = {
      online(kMirelle, true),
      group(kMirelle, kGeneral, "Good evening, everyone! Anyone up for the Ashen Caves tonight?"),
      online(kThorvald, true),
      group(kThorvald, kShopping,
            Reference("WTS ", "Ring of the Seventh Moon",
                      " QL 200, 2.5M or best offer. Send me a tell!"),
            ring),
      tell(kMirelle, "Hi %s! Are you coming to the raid tonight? We still need a healer :)"),
      online(kQuillon, true),
      group(kQuillon, kSeekingTeam, "LFT: level 140 agent, can root and calm. Anyone?"),
      tell(kThorvald, Reference("Here are the raid notes: ", "Raid notes", ""), notes),
      TBeat{"Mirelle invites the player to her private group",
            [this] {
              if (!Player.empty()) {
                Server.ScriptedInvite(kMirelle, Player);
              }
            }},
      online(kSabeth, true),
      group(kSabeth, kGeneral, "Does anyone know where the Golden Stag inn is?"),
      TBeat{"Mirelle talks in her private group",
            [this] {
              Server.ScriptedPrivateGroupMessage(
                  kMirelle, "Welcome to the team! We gather at the North Gate at 20:00.");
            }},
      online(kQuillon, false),
      group(kThorvald, kShopping, "Ring of the Seventh Moon still for sale, price lowered!"),
      tell(kSabeth, "Psst, %s, I found a shortcut through the swamp. Ask me later."),
      online(kThorvald, false),
      group(kMirelle, kGeneral, "Has anyone seen Thorvald? He still owes me 50k."),
      online(kQuillon, true),
      group(kQuillon, kSeekingTeam, "Still looking for a team, I can bring my own stims."),
      online(kSabeth, false),
      online(kThorvald, true),
      online(kSabeth, true),
  };
}

std::string TDemoDirector::Step() {
  if (!Replies.empty()) {
    TBeat reply = std::move(Replies.front());
    Replies.pop_front();
    reply.Run();
    return reply.What;
  }
  const TBeat& beat = Script[Next];
  Next = (Next + 1) % Script.size();
  beat.Run();
  return beat.What;
}

void TDemoDirector::CharacterLoggedIn(const TBytes& name) {
  if (Audiences.empty()) {
    // A new audience sees the play from the start.
    Next = 0;
    Replies.clear();
  }
  Audiences.push_back(name);
  Player = name;
  if (Running && !Timer.isActive()) {
    ArmTimer(BeatMs);
  }
}

void TDemoDirector::CharacterLoggedOut(const TBytes& name) {
  std::erase(Audiences, name);
  Player = Audiences.empty() ? TBytes() : Audiences.back();
  std::erase_if(Replies, [&name](const TBeat& r) { return r.What == "answers " + name; });
  // Whoever comes back finds a note from Mirelle.
  Server.ScriptedTell(kMirelle, name, "Sorry I missed you, " + name + ". Raid is tomorrow, 20:00!");
  if (Audiences.empty()) {
    Timer.stop();
  }
}

TBytes TDemoDirector::ReplyFor(const TBytes& castMember) {
  static const char* const kReplies[] = {
      "Sounds good to me!",
      "Sure, meet me at the North Gate.",
      "Ha, you wish :)",
      "Can't talk now, I'm in the middle of a fight!",
  };
  const TBytes reply = kReplies[RepliesGiven % std::size(kReplies)];
  ++RepliesGiven;
  return castMember == kThorvald ? "Thorvald here. " + reply : reply;
}

void TDemoDirector::TellReceived(const TBytes& from, const TBytes& to, const TBytes& /*text*/) {
  // Answered from the next beat, never from inside the server's handling.
  Replies.push_back({"answers " + from, [this, from, to, reply = ReplyFor(to)] {
                       Server.ScriptedTell(to, from, reply);
                     }});
  if (Running && !Audiences.empty() && (!Timer.isActive() || Timer.remainingTime() > ReplyMs)) {
    Timer.start(ReplyMs);
  }
}

} // namespace tessra

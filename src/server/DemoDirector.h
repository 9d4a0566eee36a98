#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <QObject>
#include <QTimer>

#include "engine/Bytes.h"
#include "server/ServerConfig.h"

namespace tessra {

class TChatServer;

// The cast of the demo: a few characters the server plays itself. They come
// online and go offline, talk in the public groups, answer tells, hand the
// player an item and a text reference, invite the player to a private group
// and leave offline messages for the next login.
//
// The script is a fixed cycle of beats, one per Step. A QTimer calls Step
// while somebody is logged in (Start); tests call Step themselves. A player
// who logs in to an empty server sees the cycle from its first beat. The
// player the cast talks to is the character that logged in last.
class TDemoDirector : public QObject {
public:
  // Milliseconds between two beats, and before the answer to a tell.
  static constexpr int kBeatMs = 3000;
  static constexpr int kReplyMs = 1500;

  // The default configuration plus the cast, their buddies and ids.
  static TServerConfig DemoConfig();

  // The server must have been made from DemoConfig and outlive the director.
  explicit TDemoDirector(TChatServer& server, QObject* parent = nullptr);
  ~TDemoDirector() override;

  TDemoDirector(const TDemoDirector&) = delete;
  TDemoDirector& operator=(const TDemoDirector&) = delete;

  // Lets the timer drive the script (beatMs between beats, replyMs before an
  // answer). Without Start nothing happens unless Step is called.
  void Start(int beatMs = kBeatMs, int replyMs = kReplyMs);
  void Stop();

  // One beat: answers to tells that are due first, else the next beat of the
  // script. Returns a short description of what happened (for traces/tests).
  std::string Step();

  int ScriptLength() const { return static_cast<int>(Script.size()); }
  // Answers to tells waiting for their beat.
  int PendingReplies() const { return static_cast<int>(Replies.size()); }
  // The character the cast talks to, empty while nobody is logged in.
  const TBytes& Audience() const { return Player; }

private:
  struct TBeat {
    std::string What;
    std::function<void()> Run;
  };

  void BuildScript();
  void CharacterLoggedIn(const TBytes& name);
  void CharacterLoggedOut(const TBytes& name);
  void TellReceived(const TBytes& from, const TBytes& to, const TBytes& text);
  void Beat();
  void ArmTimer(int ms);
  TBytes ReplyFor(const TBytes& castMember);

  TChatServer& Server;
  QTimer Timer;
  int BeatMs = kBeatMs;
  int ReplyMs = kReplyMs;
  bool Running = false;
  std::vector<TBeat> Script;
  size_t Next = 0;
  std::deque<TBeat> Replies;
  std::vector<TBytes> Audiences; // logged in over a connection, oldest first
  TBytes Player;
  int RepliesGiven = 0;
};

} // namespace tessra

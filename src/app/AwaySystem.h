#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include <QDateTime>
#include <QString>
#include <QTimer>

#include "common/TickSource.h"
#include "engine/Bytes.h"
#include "settings/AwayStore.h"
#include "settings/Prompt.h"
#include "settings/Settings.h"

class QAction;
class QWidget;

namespace tessra {

class TBlob;

// The away mode: away and back with an optional reason, auto-away after an idle time, the
// automatic reply to private messages received while away (at most one a minute per sender)
// and the in-memory store of those messages. The window supplies the operations below; unset
// ones are skipped.
class TAwaySystem {
public:
  // Period of the auto-away check.
  static constexpr int kAwayTimerInterval = 5000;
  // A sender gets at most one automatic reply in this many milliseconds.
  static constexpr uint32_t kReplyInterval = 60000;

  // The settings, the tick source and the prompt must outlive the away system.
  TAwaySystem(const TSettings& settings, TTickSource& ticks, TPrompt& prompt,
              QWidget* dialogParent = nullptr);
  TAwaySystem(const TAwaySystem&) = delete;
  TAwaySystem& operator=(const TAwaySystem&) = delete;

  // The character logged in as (kept across disconnects).
  std::function<QString()> CurrentChar;
  // Whether the engine is logged in.
  std::function<bool()> IsLoggedIn;
  // The first panel of the status bar.
  std::function<void(const QString& text)> SetStatusText;
  std::function<void(const QString& text)> AddSystemLine;
  // Empties the input line.
  std::function<void()> ClearInput;
  // Sends a tell the ordinary way (composed, echoed); failures reach the caller.
  std::function<void(const QString& charName, const QString& text)> SendTell;
  std::function<void()> ShowAwayMessages;
  // The away mode or the store changed: the actions follow.
  std::function<void(TAwaySystem& sender)> OnChange;
  // The local time stored with each message; tests set it.
  std::function<QDateTime()> Clock;

  // "/away" alone toggles; "/away" with a reason sets or replaces the reason and stays away.
  void SetAway(const QString& line);
  void SetBack();
  // Files a message under its sender (an existing one of that name in any letter case).
  void StoreAwayMessage(const QString& sender, const TBytes& message, const TBlob* blob);
  // The away steps for a private message shown while away: store it, then answer it unless
  // the sender was answered less than a minute ago.
  void AwayPrivateMessage(const QString& sender, const TBytes& message, const TBlob* blob);
  // After a message was sent: it counts as activity and, with AwayAutoCancel, ends away mode
  // (except for the automatic reply itself).
  void MessageSent(bool tell);
  void MarkActivity();
  // The auto-away check.
  void AwayTimerTimer();
  // Starts the auto-away timer (counting idle time from now) when AutoAway is set, else stops
  // it; run at start-up and whenever the away settings change.
  void UpdateAwayTimer();
  // The viewer's "Clear Messages": the store is emptied and nothing counts as new.
  void ClearMessages();

  // The reply text for a reason (trimmed here) and the AwayLogging setting.
  static QString ReplyText(const QString& reason, bool logging);
  // The captions, hints and enabled states of the two away actions.
  void UpdateActions(QAction* awayAction, QAction* awayMessagesAction) const;

  bool IsAway() const { return Away; }
  const QString& AwayReason() const { return Reason; }
  uint32_t LastActivity() const { return LastActivityTick; }
  int NewAwayMessageCount() const { return NewMessages; }
  bool SendingAutoReply() const { return AutoReplyDepth > 0; }
  // Whether the sender was answered, and when (letter case ignored).
  bool HasReplied(const QString& sender) const { return FindReply(sender) != nullptr; }
  TAwayList& Store() { return AwayStore; }
  const TAwayList& Store() const { return AwayStore; }
  QTimer& AwayTimer() { return Timer; }

private:
  struct TReply {
    QString Sender;
    uint32_t Tick;
  };
  const TReply* FindReply(const QString& sender) const;
  TReply* FindReply(const QString& sender);
  QString Character() const;
  void ShowStatus(const QString& text);
  void Changed();

  const TSettings& Settings;
  TTickSource& Ticks;
  TPrompt& Prompt;
  QWidget* DialogParent;
  QTimer Timer;

  bool Away = false;
  QString Reason;
  uint32_t LastActivityTick = 0;
  std::vector<TReply> ReplyLog;
  int NewMessages = 0;
  // Replies in progress (a reply's name look-up may let another message in).
  int AutoReplyDepth = 0;
  TAwayList AwayStore;
};

} // namespace tessra

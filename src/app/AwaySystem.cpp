#include "app/AwaySystem.h"

#include <QAction>

#include "common/Trace.h"

namespace tessra {

namespace {

// The reason of an away line: everything after the first blank of the line once its leading
// blanks are gone, trimmed; nothing when the trimmed line has no blank.
QString ReasonOf(const QString& line) {
  if (!line.trimmed().contains(QLatin1Char(' '))) {
    return QString();
  }
  qsizetype start = 0;
  while (start < line.size() && line[start].isSpace()) {
    ++start;
  }
  const qsizetype blank = line.indexOf(QLatin1Char(' '), start);
  return blank < 0 ? QString() : line.mid(blank + 1).trimmed();
}

} // namespace

TAwaySystem::TAwaySystem(const TSettings& settings, TTickSource& ticks, TPrompt& prompt,
                         QWidget* dialogParent)
    : Settings(settings), Ticks(ticks), Prompt(prompt), DialogParent(dialogParent),
      LastActivityTick(ticks.Now()) {
  Timer.setInterval(kAwayTimerInterval);
  QObject::connect(&Timer, &QTimer::timeout, [this] { AwayTimerTimer(); });
}

QString TAwaySystem::Character() const {
  return CurrentChar ? CurrentChar() : QString();
}

void TAwaySystem::ShowStatus(const QString& text) {
  if (SetStatusText) {
    SetStatusText(text);
  }
}

void TAwaySystem::Changed() {
  if (OnChange) {
    OnChange(*this);
  }
}

void TAwaySystem::SetAway(const QString& line) {
  const QString reason = ReasonOf(line);
  if (!reason.isEmpty() || !Away) {
    ShowStatus(Character() + QStringLiteral(" - Away"));
    ReplyLog.clear();
    Away = true;
    Reason = reason;
    if (AddSystemLine) {
      AddSystemLine(QStringLiteral("You are now set away"));
    }
    Changed();
  } else {
    SetBack();
  }
}

void TAwaySystem::SetBack() {
  if (!Away) {
    return;
  }
  ShowStatus(Character());
  ReplyLog.clear();
  Away = false;
  Reason.clear();
  LastActivityTick = Ticks.Now();
  if (AddSystemLine) {
    AddSystemLine(QStringLiteral("You are now set back"));
  }
  Changed();
  if (NewMessages > 0) {
    if (ClearInput) {
      ClearInput();
    }
    const QString question = QStringLiteral("You have ") + QString::number(NewMessages) +
                             QStringLiteral(" new away messages.  Would you like to view \r\n"
                                            "your messages?");
    if (Prompt.Question(DialogParent, question)) {
      NewMessages = 0;
      if (ShowAwayMessages) {
        ShowAwayMessages();
      }
    }
  }
}

void TAwaySystem::StoreAwayMessage(const QString& sender, const TBytes& message,
                                   const TBlob* blob) {
  const int index = AwayStore.IndexOf(sender);
  TAwayCharacter& character = index >= 0 ? AwayStore.Get(index) : AwayStore.Add(sender);
  character.Viewed = false;
  character.Messages().Add(message, blob, Clock ? Clock() : QDateTime::currentDateTime());
  ++NewMessages;
  Changed();
}

const TAwaySystem::TReply* TAwaySystem::FindReply(const QString& sender) const {
  for (const TReply& reply : ReplyLog) {
    if (reply.Sender.compare(sender, Qt::CaseInsensitive) == 0) {
      return &reply;
    }
  }
  return nullptr;
}

TAwaySystem::TReply* TAwaySystem::FindReply(const QString& sender) {
  return const_cast<TReply*>(std::as_const(*this).FindReply(sender));
}

QString TAwaySystem::ReplyText(const QString& reason, bool logging) {
  QString text = QStringLiteral("I am away from my keyboard right now");
  const QString trimmed = reason.trimmed();
  if (!trimmed.isEmpty()) {
    text += QStringLiteral(", \"") + trimmed + QLatin1Char('"');
  }
  text += logging ? QStringLiteral(", your message has been logged.") : QStringLiteral(".");
  return text;
}

void TAwaySystem::AwayPrivateMessage(const QString& sender, const TBytes& message,
                                     const TBlob* blob) {
  StoreAwayMessage(sender, message, blob);
  const uint32_t now = Ticks.Now();
  if (TReply* reply = FindReply(sender)) {
    // Unsigned difference: the tick counter's wrap-around is harmless.
    if (static_cast<uint32_t>(now - reply->Tick) < kReplyInterval) {
      return;
    }
    reply->Tick = now;
  } else {
    ReplyLog.push_back(TReply{sender, now});
  }
  if (!SendTell) {
    return;
  }
  // The flag is down again however the send ends, also when it fails.
  struct TReplyScope {
    int& Depth;
    explicit TReplyScope(int& depth) : Depth(depth) { ++Depth; }
    ~TReplyScope() { --Depth; }
    TReplyScope(const TReplyScope&) = delete;
    TReplyScope& operator=(const TReplyScope&) = delete;
  } scope(AutoReplyDepth);
  TraceApp(QStringLiteral("Away reply to ") + sender);
  SendTell(sender, ReplyText(Reason, Settings.AwayLogging));
}

void TAwaySystem::MessageSent(bool tell) {
  LastActivityTick = Ticks.Now();
  if (Away && Settings.AwayAutoCancel && !(tell && SendingAutoReply())) {
    SetBack();
  }
}

void TAwaySystem::MarkActivity() {
  LastActivityTick = Ticks.Now();
}

void TAwaySystem::AwayTimerTimer() {
  if (!IsLoggedIn || !IsLoggedIn() || Away || !Settings.AutoAway || Settings.AutoAwayIdle <= 0) {
    return;
  }
  const uint32_t idle = Ticks.Now() - LastActivityTick;
  if (static_cast<uint64_t>(idle) >= static_cast<uint64_t>(Settings.AutoAwayIdle) * 60000u) {
    SetAway(QStringLiteral("/away ") + Settings.AutoAwayMessage);
  }
}

void TAwaySystem::UpdateAwayTimer() {
  if (Settings.AutoAway) {
    LastActivityTick = Ticks.Now();
    Timer.start();
  } else {
    Timer.stop();
  }
}

void TAwaySystem::ClearMessages() {
  AwayStore.Clear();
  NewMessages = 0;
  Changed();
}

void TAwaySystem::UpdateActions(QAction* awayAction, QAction* awayMessagesAction) const {
  if (awayAction != nullptr) {
    const QString caption =
        Away ? QStringLiteral("Set Yourself Back") : QStringLiteral("Set Yourself Away");
    awayAction->setText(caption);
    awayAction->setToolTip(caption);
    awayAction->setStatusTip(caption);
    awayAction->setEnabled(IsLoggedIn && IsLoggedIn());
  }
  if (awayMessagesAction != nullptr) {
    awayMessagesAction->setEnabled(AwayStore.Count() > 0);
  }
}

} // namespace tessra

#pragma once

#include <functional>

#include <QByteArray>
#include <QByteArrayView>
#include <QColor>
#include <QDateTime>
#include <QLocale>
#include <QString>

#include "app/ChatTextTransforms.h"
#include "engine/Bytes.h"

namespace tessra {

class TBlob;
class TChatLogWriter;
class TGroupPanelView;
class TVeyraChat;

// The settings the line builders read; the main window copies them from its own settings whenever
// they are loaded or changed in the options.
struct TChatPresenterSettings {
  bool TimestampChat = true;
  QString TimestampFormat = QStringLiteral("[hh:nn]");
  QColor TimestampColor = QColor(0x80, 0x80, 0x80);
  bool TimestampIndent = true;
  bool ParseUrls = true;
  bool LinkNames = true;
  bool LinkGroups = true;
};

// Where finished lines of console mark-up go: the chat console, appending the newest line.
using TConsoleSink = std::function<void(const QString& markup, bool parseUrls)>;

// Turns the chat traffic into console lines: the line builders every part of the program uses for
// its feedback, and the handlers of the engine's chat events. Each builder adds its line and then
// hands a plain copy to the log of its kind.
//
// Builders keep no state between calls, so a builder may run from inside another handler (the
// away reply echoes a sent tell from inside the tell handler). Failures while a line is built (a
// group index outside the engine's list) leave the builder before the line is added; the main
// window's handler shows them. A received message whose mark-up the console cannot show (a
// colour it cannot resolve) is shown as plain text instead.
class TChatPresenter {
public:
  TChatPresenter(TChatTextTransforms transforms, TConsoleSink console, TChatLogWriter& log,
                 TGroupPanelView& groupPanel);
  TChatPresenter(const TChatPresenter&) = delete;
  TChatPresenter& operator=(const TChatPresenter&) = delete;

  TChatPresenterSettings& Settings() { return LineSettings; }
  const TChatPresenterSettings& Settings() const { return LineSettings; }

  // Line builders. Names arrive decoded; message text arrives as the wire bytes (for a sent tell,
  // as it was sent, without the client tag).
  void AddOutputLine(const QString& text, const QColor& color, bool timestamped);
  void AddErrorLine(const QString& text);
  void AddSystemLine(const QString& text);
  void AddGroupLine(const QString& groupName, const QString& charName, const TBlob* blob,
                    QByteArrayView message);
  void AddPrivateLine(const QString& charName, QByteArrayView message, const TBlob* blob);
  void AddSentTellLine(const QString& charName, QByteArrayView message, const TBlob* blob);
  void AddPrivateGroupLine(const QString& groupName, const QString& charName, const TBlob* blob,
                           QByteArrayView message);
  void AddPrivateJoinLine(const QString& groupName, const QString& charName);
  void AddPrivateLeaveLine(const QString& groupName, const QString& charName);
  void AddPrivateKickLine(const QString& groupName);

  // Handlers of the engine's events, with the engine's parameters.
  void VeyraChatSystemMessage(TVeyraChat& sender, const TBytes& message);
  void VeyraChatOfflinePrivMessage(TVeyraChat& sender, const TBytes& charName,
                                   const TBytes& message, const TBlob* blob);
  void VeyraChatPrivateMessage(TVeyraChat& sender, const TBytes& charName, const TBytes& message,
                               const TBlob* blob);
  void VeyraChatGroupMessage(TVeyraChat& sender, int groupIdx, const TBytes& charName,
                             const TBytes& message, const TBlob* blob);
  void VeyraChatGroupListChange(TVeyraChat& sender);
  void VeyraChatPrivateGroupMessage(TVeyraChat& sender, const TBytes& groupName,
                                    const TBytes& charName, const TBytes& message,
                                    const TBlob* blob);
  void VeyraChatPrivateGroupJoin(TVeyraChat& sender, const TBytes& groupName,
                                 const TBytes& charName);
  void VeyraChatPrivateGroupLeave(TVeyraChat& sender, const TBytes& groupName,
                                  const TBytes& charName);
  void VeyraChatPrivateGroupKick(TVeyraChat& sender, const TBytes& groupName);

  // The sender of the last tell shown: the target of a reply. Never cleared.
  const QString& LastTellSender() const { return LastTell; }

  // The ignore list: whether a sender's messages are dropped. Nobody is ignored without one.
  std::function<bool(const QString& charName)> IsIgnored;
  // The character the user is logged in as (kept across disconnects).
  std::function<QString()> CurrentChar;
  // Whether the user is away; the away steps run only then.
  std::function<bool()> IsAway;
  // The away steps for a tell shown while away: store it, answer it.
  std::function<void(TChatPresenter& sender, const QString& charName, const TBytes& message,
                     const TBlob* blob)>
      OnAwayPrivateMessage;

  // The local time of the time stamps and the locale of the pattern's names; tests set both.
  std::function<QDateTime()> Clock;
  QLocale Locale = QLocale::system();

private:
  QString Decode(QByteArrayView bytes) const;
  QByteArray Encode(const QString& text) const;
  QByteArray LogMessage(QByteArrayView message) const;
  bool Ignored(const QString& charName) const;
  void AddMessageLine(const QString& head, QByteArrayView message, const TBlob* blob,
                      const QColor& color);

  TChatTextTransforms Transforms;
  TConsoleSink Console;
  TChatLogWriter& Log;
  TGroupPanelView& GroupPanel;
  TChatPresenterSettings LineSettings;
  QString LastTell;
};

} // namespace tessra

#include "app/CommandProcessor.h"

#include <array>

#include "common/ChatException.h"

namespace tessra {

namespace {

constexpr char16_t kSpace = u' ';

// Spaces and control characters: what trimming removes.
bool IsBlank(QChar c) {
  return c.unicode() <= kSpace;
}

const char kTellUsage[] = "/TELL &lt;Target&gt; &lt;Text&gt;";
const char kReplyUsage[] = "/REPLY &lt;Text&gt;";
const char kAddBuddyUsage[] = "/ADDBUDDY &lt;Target&gt;";
const char kRemBuddyUsage[] = "/REMBUDDY &lt;Target&gt;";
const char kQueryUsage[] = "/QUERY &lt;Target&gt;";
const char kWhoisUsage[] = "/WHOIS &lt;Target&gt;";
const char kIgnoreUsage[] = "/IGNORE &lt;CharName&gt;";
const char kUnignoreUsage[] = "/UNIGNORE &lt;CharName&gt;";

} // namespace

QString TCommandProcessor::Trim(const QString& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && IsBlank(text[begin])) {
    ++begin;
  }
  while (end > begin && IsBlank(text[end - 1])) {
    --end;
  }
  return text.mid(begin, end - begin);
}

QString TCommandProcessor::TrimLeft(const QString& text) {
  qsizetype begin = 0;
  while (begin < text.size() && IsBlank(text[begin])) {
    ++begin;
  }
  return text.mid(begin);
}

QString TCommandProcessor::NormalizeSpaces(const QString& line) {
  QString out;
  out.reserve(line.size());
  qsizetype i = 0;
  while (i < line.size() && line[i] == kSpace) {
    ++i;
  }
  for (; i < line.size(); ++i) {
    if (line[i] == kSpace && !out.isEmpty() && out.back() == kSpace) {
      continue;
    }
    out += line[i];
  }
  return out;
}

QString TCommandProcessor::FirstWord(const QString& line) {
  const qsizetype space = line.indexOf(kSpace);
  return space < 0 ? line : line.left(space);
}

TPoppedWord TCommandProcessor::PopWord(const QString& line) {
  const QString trimmed = Trim(line);
  if (!trimmed.contains(kSpace)) {
    return {trimmed, QString()};
  }
  const QString left = TrimLeft(line);
  // The trimmed line holds a space, so the line without its leading blanks does too.
  return {FirstWord(NormalizeSpaces(line)), left.mid(left.indexOf(kSpace) + 1)};
}

void TCommandProcessor::Usage(const char* text) {
  Host.AddSystemLine(Host.ReplaceLiterals(QString::fromLatin1(text)));
}

void TCommandProcessor::ExecuteCommand(const QString& line) {
  const QString word = FirstWord(NormalizeSpaces(line)).toUpper();
  if (word.isEmpty()) {
    return;
  }
  const QString command = word.mid(1);
  using THandler = void (TCommandProcessor::*)(const QString&);
  struct TEntry {
    const char* Name;
    THandler Handler;
  };
  static constexpr std::array<TEntry, 13> kTable = {{
      {"TELL", &TCommandProcessor::Tell},
      {"T", &TCommandProcessor::Tell},
      {"REPLY", &TCommandProcessor::Reply},
      {"R", &TCommandProcessor::Reply},
      {"ADDBUDDY", &TCommandProcessor::AddBuddy},
      {"REMBUDDY", &TCommandProcessor::RemBuddy},
      {"DELBUDDY", &TCommandProcessor::RemBuddy},
      {"CC", &TCommandProcessor::Cc},
      {"QUERY", &TCommandProcessor::QueryCommand},
      {"Q", &TCommandProcessor::QueryCommand},
      {"WHOIS", &TCommandProcessor::WhoisCommand},
      {"W", &TCommandProcessor::WhoisCommand},
      {"WI", &TCommandProcessor::WhoisCommand},
  }};
  for (const TEntry& entry : kTable) {
    if (command == QLatin1String(entry.Name)) {
      (this->*entry.Handler)(line);
      return;
    }
  }
  if (command == QLatin1String("AWAY") || command == QLatin1String("AFK")) {
    Host.SetAway(line);
  } else if (command == QLatin1String("BACK")) {
    Host.SetBack();
  } else if (command == QLatin1String("CLEAR")) {
    Host.ClearConsole();
  } else if (command == QLatin1String("IGNORE")) {
    IgnoreCommand(line, true);
  } else if (command == QLatin1String("UNIGNORE")) {
    IgnoreCommand(line, false);
  } else {
    Host.AddSystemLine(QStringLiteral("Unknown command ") + command);
  }
}

void TCommandProcessor::Tell(const QString& line) {
  const TPoppedWord name = PopWord(PopWord(line).Rest);
  if (Trim(name.Word).isEmpty() || name.Rest.isEmpty()) {
    Usage(kTellUsage);
    return;
  }
  Host.SendTell(name.Word, name.Rest);
}

void TCommandProcessor::Reply(const QString& line) {
  const QString message = PopWord(line).Rest;
  const QString sender = Host.LastTellSender();
  if (Trim(sender).isEmpty()) {
    Host.AddSystemLine(QStringLiteral("No message to reply to"));
  } else if (message.isEmpty()) {
    Usage(kReplyUsage);
  } else {
    Host.SendTell(sender, message);
  }
}

void TCommandProcessor::AddBuddy(const QString& line) {
  const QString name = Trim(PopWord(line).Rest);
  if (name.isEmpty()) {
    Usage(kAddBuddyUsage);
  } else if (name.compare(Host.CurrentChar(), Qt::CaseInsensitive) != 0) {
    Host.AddFRiend(name, true);
  }
}

void TCommandProcessor::RemBuddy(const QString& line) {
  const QString name = Trim(PopWord(line).Rest);
  if (name.isEmpty()) {
    Usage(kRemBuddyUsage);
  } else if (name.compare(Host.CurrentChar(), Qt::CaseInsensitive) != 0) {
    Host.RemoveFriend(name);
  }
}

void TCommandProcessor::Cc(const QString& line) {
  const QString rest = PopWord(line).Rest;
  const QString sub = PopWord(rest).Word;
  const QString upper = sub.toUpper();
  if (upper == QLatin1String("ADDBUDDY")) {
    AddBuddy(rest);
  } else if (upper == QLatin1String("REMBUDDY")) {
    RemBuddy(rest);
  } else if (sub.isEmpty()) {
    // Nothing to run: what the two sub-commands take.
    Usage(kAddBuddyUsage);
    Usage(kRemBuddyUsage);
  } else {
    Host.AddSystemLine(QString::fromStdString(
        FormatMessage("Unknown /cc parameter: \"%s\"", {sub.toStdString()})));
  }
}

void TCommandProcessor::QueryCommand(const QString& line) {
  const QString name = Trim(PopWord(line).Rest);
  if (name.isEmpty()) {
    Usage(kQueryUsage);
  } else {
    Host.Query(name);
  }
}

void TCommandProcessor::WhoisCommand(const QString& line) {
  const QString name = Trim(PopWord(line).Rest);
  if (name.isEmpty()) {
    Usage(kWhoisUsage);
  } else {
    Host.Whois(name);
  }
}

void TCommandProcessor::IgnoreCommand(const QString& line, bool ignore) {
  // Only the word after the command counts; the rest of the line is dropped.
  const QString name = PopWord(PopWord(line).Rest).Word;
  if (Trim(name).isEmpty()) {
    Usage(ignore ? kIgnoreUsage : kUnignoreUsage);
  } else if (ignore) {
    Host.Ignore(name);
  } else {
    Host.Unignore(name);
  }
}

} // namespace tessra

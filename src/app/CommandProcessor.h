#pragma once

#include <QString>

namespace tessra {

// One word off the front of a command line and what follows it.
struct TPoppedWord {
  QString Word;
  QString Rest;
};

// The slash commands of the input line. Every command receives the whole line as the input line
// produced it (mark-up) and takes its arguments from it word by word; a missing argument shows
// the command's usage text.
class TCommandProcessor {
public:
  // What the commands act on; the main window binds each to its part.
  class THost {
  public:
    virtual ~THost() = default;
    // Feedback lines; usage texts are console mark-up (angle brackets written as entities).
    virtual void AddSystemLine(const QString& markup) = 0;
    // Received text to console mark-up (no blob, no message colour).
    virtual QString ReplaceLiterals(const QString& text) = 0;
    virtual void SendTell(const QString& name, const QString& text) = 0;
    // The sender of the last tell shown.
    virtual QString LastTellSender() const = 0;
    // The character the user is logged in as.
    virtual QString CurrentChar() const = 0;
    virtual void AddFRiend(const QString& name, bool accepted) = 0;
    virtual void RemoveFriend(const QString& name) = 0;
    // The query operation: a public group, a private group or a character of that name.
    virtual void Query(const QString& name) = 0;
    virtual void Whois(const QString& name) = 0;
    // Away mode, given the whole command line.
    virtual void SetAway(const QString& line) = 0;
    virtual void SetBack() = 0;
    // Removes every line of the console.
    virtual void ClearConsole() = 0;
    // The ignore and unignore operations on a character name (the popup character becomes
    // that name first).
    virtual void Ignore(const QString& name) = 0;
    virtual void Unignore(const QString& name) = 0;
  };

  explicit TCommandProcessor(THost& host) : Host(host) {}
  TCommandProcessor(const TCommandProcessor&) = delete;
  TCommandProcessor& operator=(const TCommandProcessor&) = delete;

  // Runs the command that starts the line ("/tell", "/T", ...; any letter case). A name that is
  // not a command is reported as "Unknown command " and the name in upper case.
  void ExecuteCommand(const QString& line);

  // Word splitting. Only the space character separates words; tabs and line breaks do not.
  // Leading spaces removed and every run of spaces made one.
  static QString NormalizeSpaces(const QString& line);
  // Up to the first space, or the whole line.
  static QString FirstWord(const QString& line);
  // The first word, and everything after the first space of the line without its leading
  // blanks; the rest keeps further spaces at its start.
  static TPoppedWord PopWord(const QString& line);
  // Spaces and control characters off both ends, or off the start.
  static QString Trim(const QString& text);
  static QString TrimLeft(const QString& text);

private:
  void Usage(const char* text);
  void Tell(const QString& line);
  void Reply(const QString& line);
  void AddBuddy(const QString& line);
  void RemBuddy(const QString& line);
  void Cc(const QString& line);
  void QueryCommand(const QString& line);
  void WhoisCommand(const QString& line);
  void IgnoreCommand(const QString& line, bool ignore);

  THost& Host;
};

} // namespace tessra

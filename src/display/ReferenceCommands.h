#pragma once

#include <functional>

#include <QString>
#include <QStringList>

namespace tessra {

class TReferenceRequest;
class TSafeUrl;

// The slash commands behind the links of a reference page. Pages come from other players, so
// the commands are few and harmless: a tell, adding or removing a buddy, another page, hiding
// the viewer, and opening a web address.
class TReferenceCommands {
public:
  // What the commands reach in the main window.
  class THost {
  public:
    virtual ~THost() = default;
    // The main window's TELL command, given "/TELL " + target + text.
    virtual void TellCommand(const QString& line) = 0;
    virtual void AddBuddy(const QString& name) = 0;
    virtual void RemoveBuddy(const QString& name) = 0;
    // Feedback lines, console mark-up.
    virtual void AddSystemLine(const QString& markup) = 0;
    // A failure of a command, as the application-wide handler shows it.
    virtual void AddErrorLine(const QString& message) = 0;
  };

  // The host, the request and the opener must outlive the commands.
  TReferenceCommands(THost& host, TReferenceRequest& request, TSafeUrl& urls)
      : Host(host), Request(request), Urls(urls) {}

  // The lines of an action: every backslash-n pair (either letter case) separates two commands;
  // real line breaks stay inside their command.
  static QStringList ActionLines(const QString& action);

  // Runs each line of the action in order.
  void RunLinkActions(const QString& action);
  // Runs one command line ("/tell Tyrin hi"; the leading "/" may be missing, the name is read in
  // any letter case). An empty line does nothing.
  void RunReferenceCommand(const QString& line);

  // CLOSE INFOVIEW.
  std::function<void()> HideViewer;
  // MESSAGEBOX: the text as a new reference page.
  std::function<void(const QString& text)> ShowReference;

private:
  void Start(const QString& address);

  THost& Host;
  TReferenceRequest& Request;
  TSafeUrl& Urls;
};

} // namespace tessra

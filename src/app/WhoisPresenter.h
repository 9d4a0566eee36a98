#pragma once

#include <functional>

#include <QColor>
#include <QString>

#include "display/Whois.h"

class QWidget;

namespace tessra {

class TPrompt;
class TVeyraChat;

// The window's whois look-up: the dimension rule with its information box, the look-ups
// themselves and the result lines in the console.
class TWhoisPresenter {
public:
  TWhoisPresenter(TVeyraChat& chat, TPrompt& prompt, QWidget* window,
                  const TWhoisSite& site = TWhoisSite());

  // The look-up of a character on the site's dimension for the engine's current dimension; on
  // any other dimension the information box, and nothing is sent.
  void StartWhois(const QString& name);
  // Prints a finished look-up.
  void WhoisTerminate(const TWhoisResult& result);

  TWhois& Lookups() { return Whois; }

  // The window's line builders and the console font's colour (the colour of the values).
  std::function<void(const QString& text, const QColor& color, bool timestamped)> AddOutputLine;
  std::function<void(const QString& text)> AddErrorLine;
  std::function<QColor()> ValueColor;

private:
  TVeyraChat& Chat;
  TPrompt& Prompt;
  QWidget* Window;
  TWhois Whois;
};

} // namespace tessra

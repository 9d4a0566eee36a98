#pragma once

#include <functional>
#include <optional>

#include <QString>
#include <QUrl>

namespace tessra {

// The one place that decides what may be handed to the desktop. Addresses in links come from
// other players, so only web (http, https, with a host), mail (mailto) and news addresses are
// opened; a local path, a file: address or any other scheme is refused with an error line and
// never opened.
class TSafeUrl {
public:
  // The address as an URL when it may be opened, nothing otherwise. Surrounding spaces are
  // ignored; control characters anywhere refuse the address.
  static std::optional<QUrl> Parse(const QString& address);
  static bool IsAllowed(const QUrl& url);

  // Opens the address through Opener when allowed; otherwise raises OnRefused with the error
  // line (console mark-up, the address escaped). Returns whether the opener took it.
  bool Open(const QString& address);
  bool Open(const QUrl& url);

  // The desktop's handler (QDesktopServices::openUrl), for the program; tests set a recorder.
  static std::function<bool(const QUrl&)> DesktopOpener();

  std::function<bool(const QUrl&)> Opener;
  std::function<void(TSafeUrl* sender, const QString& line)> OnRefused;

private:
  void Refuse(const QString& address);
};

} // namespace tessra

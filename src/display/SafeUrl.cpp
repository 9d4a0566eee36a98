#include "display/SafeUrl.h"

#include <QDesktopServices>

#include "common/Trace.h"
#include "display/TextTransforms.h"

namespace tessra {

namespace {

bool HasControlCharacter(const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
      return true;
    }
  }
  return false;
}

} // namespace

std::optional<QUrl> TSafeUrl::Parse(const QString& address) {
  const QString trimmed = address.trimmed();
  if (trimmed.isEmpty() || HasControlCharacter(trimmed) || trimmed.contains(QLatin1Char('\\'))) {
    // Backslashes only appear in local and network paths, which are never opened, and
    // some handlers read them as slashes.
    return std::nullopt;
  }
  const QUrl url(trimmed, QUrl::TolerantMode);
  if (!IsAllowed(url)) {
    return std::nullopt;
  }
  return url;
}

bool TSafeUrl::IsAllowed(const QUrl& url) {
  if (!url.isValid() || url.isRelative()) {
    return false;
  }
  const QString scheme = url.scheme().toLower();
  if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
    return !url.host().isEmpty();
  }
  if (scheme == QLatin1String("mailto") || scheme == QLatin1String("news")) {
    return !url.path().isEmpty() && url.host().isEmpty();
  }
  return false;
}

bool TSafeUrl::Open(const QString& address) {
  const std::optional<QUrl> url = Parse(address);
  if (!url) {
    Refuse(address);
    return false;
  }
  TraceApp(QStringLiteral("OpenUrl: ") + url->toString());
  return Opener ? Opener(*url) : false;
}

bool TSafeUrl::Open(const QUrl& url) {
  // Through the text form, so a QUrl built elsewhere passes the same checks as typed text.
  return Open(url.toString(QUrl::FullyEncoded));
}

std::function<bool(const QUrl&)> TSafeUrl::DesktopOpener() {
  return [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

void TSafeUrl::Refuse(const QString& address) {
  TraceApp(QStringLiteral("OpenUrl refused: ") + address);
  if (OnRefused) {
    OnRefused(this, QStringLiteral("Refused to open \"") + EscapeMarkup(address) +
                        QStringLiteral("\": only web, mail and news addresses are opened."));
  }
}

} // namespace tessra

#include "WhoisSite.h"

#include <QUrl>

namespace tessra {

namespace {

QString Segment(const QString& text) {
  return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

} // namespace

TWhoisSite::TWhoisSite() : Authority(QString::fromLatin1(kDefaultHost)) {}

std::optional<TWhoisSite> TWhoisSite::FromHost(const QString& hostAndPort) {
  const QString text = hostAndPort.trimmed();
  if (text.isEmpty() || text.contains(QLatin1Char('/')) || text.contains(QLatin1Char('@')) ||
      text.contains(QLatin1Char('?')) || text.contains(QLatin1Char('#')) ||
      text.contains(QLatin1Char('\\'))) {
    return std::nullopt;
  }
  const QUrl url(QStringLiteral("http://") + text, QUrl::StrictMode);
  if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() ||
      !url.path().isEmpty()) {
    return std::nullopt;
  }
  // QUrl takes "host:" as the host alone; a colon must be followed by a port.
  if (text.endsWith(QLatin1Char(':'))) {
    return std::nullopt;
  }
  return TWhoisSite(url.authority(QUrl::FullyEncoded));
}

QString TWhoisSite::CharacterPage(int dimension, const QString& name) const {
  return QStringLiteral("http://") + Authority + QStringLiteral("/character/bio/d/") +
         QString::number(dimension) + QStringLiteral("/name/") + Segment(name);
}

QString TWhoisSite::CharacterDocument(int dimension, const QString& name) const {
  return CharacterPage(dimension, name) + QStringLiteral("/bio.xml");
}

QString TWhoisSite::OrganizationPage(int dimension, const QString& organizationId) const {
  return QStringLiteral("http://") + Authority + QStringLiteral("/org/stats/d/") +
         QString::number(dimension) + QStringLiteral("/name/") + Segment(organizationId);
}

} // namespace tessra

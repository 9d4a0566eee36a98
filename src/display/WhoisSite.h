#pragma once

#include <optional>

#include <QString>

namespace tessra {

// The game's web site that publishes one XML document per character and dimension, and the
// addresses on it. The host is a placeholder that users whose game moved (and tests) replace.
class TWhoisSite {
public:
  static constexpr const char* kDefaultHost = "people.veyra.example";

  TWhoisSite();

  // "HOST" or "HOST:PORT" (an IPv6 address in brackets); nothing when the text is anything else
  // (a scheme, a path, a user name, a port out of range).
  static std::optional<TWhoisSite> FromHost(const QString& hostAndPort);

  // The host and port as they appear in the addresses.
  const QString& Host() const { return Authority; }

  // The character's page; the name is percent-encoded, so any name stays one path segment.
  QString CharacterPage(int dimension, const QString& name) const;
  // The character's XML document: the page + "/bio.xml".
  QString CharacterDocument(int dimension, const QString& name) const;
  // The organisation's page for the document's organisation id (percent-encoded as well).
  QString OrganizationPage(int dimension, const QString& organizationId) const;

private:
  explicit TWhoisSite(QString authority) : Authority(std::move(authority)) {}

  QString Authority;
};

} // namespace tessra

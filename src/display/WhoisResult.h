#pragma once

#include <QString>

namespace tessra {

// One whois look-up: what was asked (Name, Dimension) and what the character's document on the
// game's web site said. Every text is as the site wrote it; the display trims and escapes.
struct TWhoisResult {
  // The queried character name and the site's dimension number (1 or 2).
  QString Name;
  int Dimension = 0;
  // The character's page on the site (the document's address without "/bio.xml").
  QString PageAddress;
  // Composed from the document's first name, nick and last name; Name when it has none.
  QString FullName;
  int Level = 0;
  QString Breed;
  QString Gender;
  QString Faction;
  // The profession, with " (" + title + ")" when the document names a title.
  QString Profession;
  QString OrganizationName;
  // The organisation's page; empty when the document names no organisation id.
  QString OrganizationAddress;
  QString Rank;
  // Set only when the document was read.
  bool Success = false;
};

} // namespace tessra

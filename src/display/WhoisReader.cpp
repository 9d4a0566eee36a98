#include "WhoisReader.h"

#include <optional>

#include <QXmlStreamReader>

namespace tessra {

namespace {

struct TDocumentFields {
  std::optional<QString> FirstName, Nick, LastName;
  bool HasBasicStats = false;
  std::optional<QString> Level, Breed, Gender, Faction, Profession, ProfessionTitle;
  std::optional<QString> OrganizationId, OrganizationName, Rank;
};

// The first non-empty text of an element wins; later ones of the same name are ignored.
void Keep(std::optional<QString>& field, const QString& text) {
  if (!field && !text.trimmed().isEmpty()) {
    field = text;
  }
}

// Reads the children of the current element as (name, text) pairs; text of nested elements is
// included, so a child with mark-up in it still gives its words.
template <class TTake> void ReadChildren(QXmlStreamReader& xml, TTake take) {
  while (xml.readNextStartElement()) {
    const QString child = xml.name().toString();
    const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
    take(child, text);
  }
}

bool ReadFields(QXmlStreamReader& xml, TDocumentFields& f) {
  if (!xml.readNextStartElement()) {
    return false; // no root element
  }
  bool seenName = false;
  bool seenStats = false;
  bool seenOrganization = false;
  while (xml.readNextStartElement()) {
    const auto element = xml.name();
    if (element == u"name" && !seenName) {
      seenName = true;
      ReadChildren(xml, [&](const QString& child, const QString& text) {
        if (child == u"firstname") {
          Keep(f.FirstName, text);
        } else if (child == u"nick") {
          Keep(f.Nick, text);
        } else if (child == u"lastname") {
          Keep(f.LastName, text);
        }
      });
    } else if (element == u"basic_stats" && !seenStats) {
      seenStats = true;
      f.HasBasicStats = true;
      ReadChildren(xml, [&](const QString& child, const QString& text) {
        if (child == u"level") {
          Keep(f.Level, text);
        } else if (child == u"breed") {
          Keep(f.Breed, text);
        } else if (child == u"gender") {
          Keep(f.Gender, text);
        } else if (child == u"faction") {
          Keep(f.Faction, text);
        } else if (child == u"profession") {
          Keep(f.Profession, text);
        } else if (child == u"profession_title") {
          Keep(f.ProfessionTitle, text);
        }
      });
    } else if (element == u"organization_membership" && !seenOrganization) {
      seenOrganization = true;
      ReadChildren(xml, [&](const QString& child, const QString& text) {
        if (child == u"organization_id") {
          Keep(f.OrganizationId, text);
        } else if (child == u"organization_name") {
          Keep(f.OrganizationName, text);
        } else if (child == u"rank") {
          Keep(f.Rank, text);
        }
      });
    } else {
      xml.skipCurrentElement();
    }
  }
  // The rest of the document must be well-formed too: a cut-off answer is not a document.
  while (!xml.atEnd()) {
    xml.readNext();
  }
  return !xml.hasError();
}

} // namespace

TWhoisResult ReadWhoisDocument(QByteArrayView document, const QString& name, int dimension,
                               const TWhoisSite& site) {
  TWhoisResult result;
  result.Name = name;
  result.Dimension = dimension;
  result.PageAddress = site.CharacterPage(dimension, name);
  result.FullName = name;

  QXmlStreamReader xml(document.toByteArray());
  TDocumentFields f;
  if (!ReadFields(xml, f) || !f.HasBasicStats || !f.Level) {
    return result;
  }
  bool numeric = false;
  const int level = f.Level->trimmed().toInt(&numeric);
  if (!numeric) {
    return result;
  }

  if (f.FirstName) {
    result.FullName = *f.FirstName;
  }
  if (f.Nick) {
    result.FullName += QStringLiteral(" \"") + *f.Nick + QLatin1Char('"');
  }
  if (f.LastName) {
    result.FullName += QLatin1Char(' ') + *f.LastName;
  }
  result.Level = level;
  result.Breed = f.Breed.value_or(QString());
  result.Gender = f.Gender.value_or(QString());
  result.Faction = f.Faction.value_or(QString());
  result.Profession = f.Profession.value_or(QString());
  if (f.ProfessionTitle) {
    result.Profession += QStringLiteral(" (") + *f.ProfessionTitle + QLatin1Char(')');
  }
  if (f.OrganizationId) {
    result.OrganizationAddress = site.OrganizationPage(dimension, f.OrganizationId->trimmed());
  }
  result.OrganizationName = f.OrganizationName.value_or(QString());
  result.Rank = f.Rank.value_or(QString());
  result.Success = true;
  return result;
}

} // namespace tessra

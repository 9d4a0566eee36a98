#pragma once

#include <QByteArrayView>
#include <QString>

#include "display/WhoisResult.h"
#include "display/WhoisSite.h"

namespace tessra {

// Reads a character's XML document from the site (the bytes of the answer, any encoding the
// document declares) into a result for Name on the dimension. The root element's children
// "name" (firstname, nick, lastname), "basic_stats" (level, breed, gender, faction, profession,
// profession_title) and "organization_membership" (organization_id, organization_name, rank)
// are read; the first of each counts and empty elements count as absent. Success is set only
// when the whole document is well-formed and has "basic_stats" with a numeric level; otherwise
// only Name, Dimension, PageAddress and FullName (= Name) are set. Never throws; the work is
// linear in the size of the document.
TWhoisResult ReadWhoisDocument(QByteArrayView document, const QString& name, int dimension,
                               const TWhoisSite& site);

} // namespace tessra

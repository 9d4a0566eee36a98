#include "WhoisLines.h"

#include "display/ColorCodes.h"
#include "display/TextTransforms.h"

namespace tessra {

namespace {

// A double-quoted attribute value: the console reads no entities there, so the characters that
// would end the value or the tag are left out.
QString Attribute(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (const QChar c : text) {
    if (c != QLatin1Char('"') && c != QLatin1Char('<') && c != QLatin1Char('>')) {
      out += c;
    }
  }
  return out;
}

QString Link(const char* kind, const QString& hint, const QString& address, const QString& text) {
  return QStringLiteral("<a name=\"") + QLatin1String(kind) + QStringLiteral("\" hint=\"") +
         Attribute(hint) + QStringLiteral("\" params=\"") + Attribute(address) +
         QStringLiteral("\">") + EscapeText(text) + QStringLiteral("</a>");
}

} // namespace

QStringList WhoisResultLines(const TWhoisResult& result, const QColor& valueColor) {
  const QString valueStart =
      QStringLiteral("<font color=\"#") + ColorToHex(valueColor) + QStringLiteral("\">");
  const auto value = [&valueStart](const QString& v) {
    return valueStart + EscapeText(v) + QStringLiteral("</font>");
  };
  QStringList lines;
  lines.append(QStringLiteral("Information for ") +
               Link("charurl", QStringLiteral("Display ") + result.Name + QStringLiteral("'s bio"),
                    result.PageAddress, result.FullName.trimmed()));
  lines.append(QStringLiteral("Level : ") + value(QString::number(result.Level)));
  lines.append(QStringLiteral("Breed : ") + value(result.Breed.trimmed()));
  lines.append(QStringLiteral("Gender : ") + value(result.Gender.trimmed()));
  lines.append(QStringLiteral("Faction : ") + value(result.Faction.trimmed()));
  lines.append(QStringLiteral("Profession : ") + value(result.Profession.trimmed()));
  if (!result.OrganizationName.isEmpty()) {
    const QString rank = result.Rank.trimmed();
    const QString name = result.OrganizationName.trimmed();
    QString line = rank.isEmpty() ? QString() : EscapeText(rank) + QStringLiteral(" of ");
    line += result.OrganizationAddress.isEmpty()
                ? EscapeText(name)
                : Link("guildurl", QStringLiteral("Display ") + name + QStringLiteral("'s roster"),
                       result.OrganizationAddress, name);
    line = line.trimmed();
    if (!line.isEmpty()) {
      lines.append(line);
    }
  }
  return lines;
}

QString WhoisFailureLine(const QString& name) {
  return QStringLiteral("Unknown character: ") + EscapeText(name);
}

} // namespace tessra

#include "app/ChatLinks.h"

namespace tessra {

namespace {

QString Link(const QString& linkName, const QString& params, const QString& target,
             const QString& text) {
  return QStringLiteral("<a name=\"") + linkName + QStringLiteral("\" effect=\"0\" params=\"") +
         params + QStringLiteral("\" hint=\"Query ") + target + QStringLiteral("\">") + text +
         QStringLiteral("</a>");
}

} // namespace

QString PublicLink(const QString& groupName, bool linkGroups) {
  return linkGroups ? Link(QStringLiteral("publiclink"), groupName, groupName, groupName)
                    : groupName;
}

QString PrivateLink(const QString& groupName, bool linkGroups) {
  return linkGroups ? Link(QStringLiteral("privatelink"), groupName, groupName, groupName)
                    : groupName;
}

QString CharLink(const QString& charName, bool linkNames) {
  return linkNames ? Link(QStringLiteral("charlink"), charName, charName, charName) : charName;
}

QString PrivCharLink(const QString& charName, const QString& groupName, bool linkNames) {
  return linkNames ? Link(QStringLiteral("privcharlink"), charName + QLatin1Char(',') + groupName,
                          charName, charName)
                   : charName;
}

} // namespace tessra

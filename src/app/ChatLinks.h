#pragma once

#include <QString>

namespace tessra {

// Console links on the names of groups and characters in chat lines. The link's effect 0 keeps it
// in the colour of the surrounding text, and its hint is the tool tip. Names go in unchanged, as
// the server sent them (decoded); when the switch is off the name stands as plain text.

// A public group; a click queries the group. Switched by LinkGroups.
QString PublicLink(const QString& groupName, bool linkGroups);
// A private group. Switched by LinkGroups.
QString PrivateLink(const QString& groupName, bool linkGroups);
// A character. Switched by LinkNames.
QString CharLink(const QString& charName, bool linkNames);
// A character inside a private group; the group travels in the parameters after a comma.
// Switched by LinkNames.
QString PrivCharLink(const QString& charName, const QString& groupName, bool linkNames);

} // namespace tessra

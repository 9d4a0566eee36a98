#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

namespace tessra {

// A received text reference as the web page the reference viewer shows. Every link of the page
// that does something points to an entry of Actions as "link://N"; an action is one or more
// slash commands separated by backslash-n.
struct TReferencePage {
  QString Html;
  QStringList Actions;
  // Why the page could not be built (an item link whose numbers are not decimal); the page is
  // then not shown and Html is empty.
  QString Error;
};

// The steps of building a page, each a plain string function. Links are found from the left;
// one whose closing quote and ">" or whose "</a>" is missing ends the step and leaves the rest of
// the text as it stands. Each converted link appends its action to `actions`.

// `<a ...href=` + quote + `text://...>TEXT</a>` (the href may itself hold quoted mark-up) to a
// link running "/messagebox " + the href's text.
QString ConvertTextLinks(const QString& text, QChar quote, QStringList& actions);
// `<a href=` + quote + `chatcmd://COMMANDS` + quote + `>TEXT</a>` to a link running COMMANDS,
// whose tool tip shows them one per line.
QString ConvertCmdLinks(const QString& text, QChar quote, QStringList& actions);
// `<a href=` + quote + `itemref://LOW/HIGH/QL` + quote + `>TEXT</a>` to a link opening the item's
// page on the item database site `itemDb` chooses. A number that is not decimal stops the
// conversion with `error` set.
QString ConvertItemLinks(const QString& text, QChar quote, const QString& itemDb,
                         QStringList& actions, QString& error);
// The textual colour codes "#C00" ... "#C32", "#C40", "#C52" and "#C53" (the decimal value of the
// game colour code's second character; a space after one belongs to it) to font tags.
QString ReplaceTextColorCodes(const QString& text);
// Runs of spaces outside tags stay visible in the page: the first space of a run stays a space,
// the further ones alternate "&nbsp;" and a space.
QString KeepSpaceRuns(const QString& text);

// The address of an item on the item database site: "tarvik" (any letter case) chooses the
// second site, anything else the first.
QString ItemDatabaseAddress(qint64 lowId, qint64 highId, qint64 ql, const QString& itemDb);

// The reference text converted into the page's body text: the links, line breaks, colour codes
// (code 12 hex switching back to `textColor`) and space runs.
QString ConvertReferenceText(const QString& text, const QColor& textColor, const QString& itemDb,
                             QStringList& actions, QString& error);

// The whole page: a black page in white Verdana around the converted text.
TReferencePage BuildReferencePage(const QString& text, const QColor& textColor,
                                  const QString& itemDb);

} // namespace tessra

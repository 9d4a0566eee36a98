#pragma once

#include <cstdint>
#include <vector>

#include <QString>

#include "display/MessageElement.h"

namespace tessra {

// How the parser treats whitespace in a line.
enum TChatConsoleWhitespace : std::uint8_t {
  cwsCollapse,           // every run of whitespace becomes one space element
  cwsLeave,              // every space and tab is a space element, CR breaks the row, LF is ignored
  cwsCollapseOutsidePRE, // collapsed, except between PRE and /PRE where it is left
};

// Turns one line of console mark-up into its elements, in source order. Every element refers to
// `line`. An empty text gives an empty list unless `timestampEmptyLines` is set; every other line
// starts with an ekTimestamp element. Malformed mark-up is never an error; a colour value that
// cannot be resolved throws TChatException("'<value>' is not a valid integer value").
// The work is linear in the length of the text whatever it holds.
std::vector<TMessageElement> ParseMarkup(const QString& text, TMessageNode* line,
                                         TChatConsoleWhitespace whitespace,
                                         bool timestampEmptyLines);

// Turns every text element that begins with "http://", "mailto:" or "news://" (any case) into a
// URL link: an ekLinkStart named "URL" whose params are the address, the displayed text and an
// ekLinkEnd. The new links take their Effect and HoverEffect from the two flags.
void DetectURLs(std::vector<TMessageElement>& elements, bool autoParseEffect,
                bool autoParseHoverEffect);

} // namespace tessra

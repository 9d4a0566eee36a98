#pragma once

class QTextDocument;

namespace tessra {

// Two sample texts in the style of the game's info window, for the attach dialog's read-only
// pages: an item and a character. Their colours are game colours, so text copied from them
// keeps its colours when it is sent.
void FillExampleItem(QTextDocument& document);
void FillExampleCharacter(QTextDocument& document);

} // namespace tessra

#pragma once

#include <QString>

class QTextDocument;
class QTextEdit;

namespace tessra {

class TAttachment;

// The label an attached reference shows in the input line when nothing better is known.
inline constexpr char kUnnamedReferenceLabel[] = "Rename Me";

// Whether the document holds anything worth attaching: more than spaces, tabs and line breaks.
bool HasReferenceText(const QTextDocument& reference);

// The label of a reference in the input line: its first line with tabs turned into spaces, or
// "Rename Me" when that line is blank.
QString ReferenceLabel(const QTextDocument& reference);

// Puts the label in place of the input line's selection (or at the caret), in the reference
// colour 9C9CFF, with a space in the typing colour before it when the text before does not end
// in white space and a space after it when text follows that does not start with white space.
// The caret ends up after the label and typing goes on in the colour it had before.
void InsertReferenceLabel(QTextEdit& input, const QString& label);

// The dialog's OK: attaches the reference to the next message. Without an attachment yet, the
// label goes into the input line; in every case the attachment's content becomes the
// reference's rich text. A blank reference attaches nothing (false).
bool AttachReference(const QTextDocument& reference, QTextEdit& input, TAttachment& attachment);

} // namespace tessra

#include "display/ReferenceLabel.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include "display/Attachment.h"
#include "display/ColorCodes.h"

namespace tessra {

namespace {

// Spaces, tabs and the document's paragraph and line separators: a label next to them needs no
// space of its own.
bool IsSeparator(QChar c) {
  return c.isSpace() || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

} // namespace

bool HasReferenceText(const QTextDocument& reference) {
  const QString text = reference.toPlainText();
  for (const QChar c : text) {
    if (!IsSeparator(c) && c != QChar::ObjectReplacementCharacter) {
      return true;
    }
  }
  return false;
}

QString ReferenceLabel(const QTextDocument& reference) {
  QString first = reference.toPlainText().section(QLatin1Char('\n'), 0, 0);
  first.remove(QChar::ObjectReplacementCharacter);
  first.replace(QLatin1Char('\t'), QLatin1Char(' '));
  if (first.trimmed().isEmpty()) {
    return QString::fromLatin1(kUnnamedReferenceLabel);
  }
  return first;
}

void InsertReferenceLabel(QTextEdit& input, const QString& label) {
  const QTextCharFormat typing = input.currentCharFormat();
  QTextCursor cursor = input.textCursor();
  cursor.beginEditBlock();
  cursor.removeSelectedText();
  const QTextDocument& document = *input.document();
  const int at = cursor.position();
  // The document always ends in one paragraph separator of its own, which is no text.
  const int end = document.characterCount() - 1;
  const bool spaceBefore = at > 0 && !IsSeparator(document.characterAt(at - 1));
  const bool spaceAfter = at < end && !IsSeparator(document.characterAt(at));

  QTextCharFormat labelFormat = typing;
  labelFormat.setForeground(QColor::fromRgb(kReferenceColor));
  if (spaceBefore) {
    cursor.insertText(QStringLiteral(" "), typing);
  }
  cursor.insertText(label, labelFormat);
  const int afterLabel = cursor.position();
  if (spaceAfter) {
    cursor.insertText(QStringLiteral(" "), typing);
  }
  cursor.endEditBlock();
  cursor.setPosition(afterLabel);
  input.setTextCursor(cursor);
  // Typing after the label must not extend it: it goes on in the colour it had before.
  input.setCurrentCharFormat(typing);
}

bool AttachReference(const QTextDocument& reference, QTextEdit& input, TAttachment& attachment) {
  if (!HasReferenceText(reference)) {
    return false;
  }
  if (!attachment.Exists()) {
    InsertReferenceLabel(input, ReferenceLabel(reference));
  }
  attachment.Assign(reference);
  return true;
}

} // namespace tessra

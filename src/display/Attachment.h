#pragma once

#include <functional>

#include <QByteArray>
#include <QColor>
#include <QString>

class QTextDocument;

namespace tessra {

// The reference attached to the next message of the input line: at most one, kept as the rich
// text (RTF) of the attach dialog's editor, so that every character keeps its colour. It lives
// from the dialog's OK until the message is sent or the user removes it.
class TAttachment {
public:
  bool Exists() const { return Attached; }

  // Creates the attachment, or replaces its content, with the document's rich text.
  void Assign(const QTextDocument& document);
  // Fills the document with the attached reference; false (and the document untouched) when
  // there is none.
  bool LoadInto(QTextDocument& document) const;
  // The attached reference as text with game colour codes, the form it travels in; empty when
  // there is none. `defaultColor` is the colour that stands for the message colour.
  QString ColorCodes(const QColor& defaultColor) const;
  // Drops the attachment (nothing happens when there is none).
  void Release();

  const QByteArray& Stored() const { return RichText; }

  // The attachment came or went, or its content changed.
  std::function<void(TAttachment& sender)> OnChange;

private:
  void Changed();

  bool Attached = false;
  QByteArray RichText;
};

} // namespace tessra

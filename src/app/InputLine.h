#pragma once

#include <functional>

#include <QColor>
#include <QString>
#include <QTextEdit>

#include "app/BufferList.h"

class QKeyEvent;

namespace tessra {

// The input line: a rich text edit whose characters carry their own colours. Enter sends what
// was typed (a line starting with "/" as a command, anything else as a message to the target)
// and keeps it in the history; Shift+Enter breaks the line; Shift+Up and Shift+Down walk the
// history; Escape empties the line.
class TInputEdit : public QTextEdit {
public:
  explicit TInputEdit(QWidget* parent = nullptr);

  // The key handler. Returns whether the key was consumed; a key that is not consumed goes on
  // to the edit control. Failures of the command or send operations leave it at once: the line
  // then keeps its text and does not go into the history.
  bool InputEditKeyDown(int key, Qt::KeyboardModifiers modifiers, const QString& text,
                        quint32 nativeVirtualKey = 0);
  // Whether a typed character is discarded: a carriage return without Shift, so that only
  // Shift+Enter breaks lines.
  static bool InputEditKeyPress(const QString& text, Qt::KeyboardModifiers modifiers);

  // Typing goes on in the colour of the colour menu's Default entry.
  void ResetTypingColor();

  TBufferList& History() { return InputHistory; }

  // The colour of the colour menu's Default entry (the window text colour unless set).
  QColor DefaultColor;

  // The line as outgoing mark-up; without one, the line's rich text with no reference attached.
  std::function<QString(TInputEdit& sender)> ToMarkup;
  // A line whose mark-up starts with "/".
  std::function<void(TInputEdit& sender, const QString& markup)> OnCommand;
  // Any other line, for the message target.
  std::function<void(TInputEdit& sender, const QString& markup)> OnMessage;
  // The typing colour went back to the default colour (the colour menu follows it).
  std::function<void(TInputEdit& sender, const QColor& color)> OnTypingColorReset;

protected:
  void keyPressEvent(QKeyEvent* e) override;

private:
  bool Enter();
  void Recall(const QString& text);

  TBufferList InputHistory;
};

} // namespace tessra

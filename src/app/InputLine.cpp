#include "app/InputLine.h"

#include <QKeyEvent>
#include <QPointer>
#include <QTextCursor>

#include "display/RichTextTransforms.h"

namespace tessra {

namespace {

constexpr Qt::KeyboardModifiers kChordModifiers =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

#ifdef Q_OS_WIN
// The slash key of the US layout; other layouts are recognised by the typed character.
constexpr quint32 kSlashVirtualKey = 191;
#endif

bool IsSlashKey(const QString& text, quint32 nativeVirtualKey) {
#ifdef Q_OS_WIN
  if (nativeVirtualKey == kSlashVirtualKey) {
    return true;
  }
#else
  // Elsewhere the native code is a key symbol, and 191 is another character.
  (void)nativeVirtualKey;
#endif
  return text == QLatin1String("/");
}

} // namespace

TInputEdit::TInputEdit(QWidget* parent)
    : QTextEdit(parent), DefaultColor(palette().color(QPalette::WindowText)) {
  setAcceptRichText(true);
}

void TInputEdit::ResetTypingColor() {
  setTextColor(DefaultColor);
  if (OnTypingColorReset) {
    OnTypingColorReset(*this, DefaultColor);
  }
}

void TInputEdit::Recall(const QString& text) {
  setPlainText(text);
  QTextCursor cursor = textCursor();
  cursor.movePosition(QTextCursor::End);
  setTextCursor(cursor);
}

bool TInputEdit::Enter() {
  const QString plain = toPlainText();
  if (!plain.isEmpty()) {
    const QString markup =
        ToMarkup ? ToMarkup(*this) : RichTextToMarkup(*document(), DefaultColor, nullptr);
    // A send may wait for the server inside a nested event loop; the window can go meanwhile.
    const QPointer<TInputEdit> self(this);
    if (markup.startsWith(QLatin1Char('/'))) {
      if (OnCommand) {
        OnCommand(*this, markup);
      }
    } else if (OnMessage) {
      OnMessage(*this, markup);
    }
    if (self.isNull()) {
      return true;
    }
    InputHistory.Add(plain);
  }
  clear();
  ResetTypingColor();
  return true;
}

bool TInputEdit::InputEditKeyDown(int key, Qt::KeyboardModifiers modifiers, const QString& text,
                                  quint32 nativeVirtualKey) {
  const Qt::KeyboardModifiers chord = modifiers & kChordModifiers;
  if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !(modifiers & Qt::ShiftModifier)) {
    return Enter();
  }
  if (chord == Qt::ShiftModifier && key == Qt::Key_Up) {
    Recall(InputHistory.Previous());
    return true;
  }
  if (chord == Qt::ShiftModifier && key == Qt::Key_Down) {
    Recall(InputHistory.Next());
    return true;
  }
  if (IsSlashKey(text, nativeVirtualKey) && textCursor().selectionStart() == 0) {
    // A command typed at the start carries no colour mark-up.
    ResetTypingColor();
    return false;
  }
  if (key == Qt::Key_Escape) {
    clear();
    return false;
  }
  return false;
}

bool TInputEdit::InputEditKeyPress(const QString& text, Qt::KeyboardModifiers modifiers) {
  return !(modifiers & Qt::ShiftModifier) && text.contains(QLatin1Char('\r'));
}

void TInputEdit::keyPressEvent(QKeyEvent* e) {
  if (InputEditKeyDown(e->key(), e->modifiers(), e->text(), e->nativeVirtualKey())) {
    e->accept();
    return;
  }
  if (InputEditKeyPress(e->text(), e->modifiers())) {
    e->accept();
    return;
  }
  QTextEdit::keyPressEvent(e);
}

} // namespace tessra

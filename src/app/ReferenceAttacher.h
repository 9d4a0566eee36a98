#pragma once

#include <functional>
#include <memory>

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>

#include "display/Attachment.h"

class QAction;
class QListWidget;
class QTextDocument;
class QTextEdit;
class QWidget;

namespace tessra {

class TAttachForm;
class TPrompt;
class TTextBlob;

// The reference attached to the next message and everything around it in the main window: the
// Insert Reference action opening the attach dialog, the label the dialog's OK puts into the
// input line, the icon view right of the input line that is shown while a reference is attached
// (a double click opens the dialog, Delete removes the attachment), and what a sent message
// carries of it.
class TReferenceAttacher : public QObject {
public:
  struct TParts {
    QWidget* Window = nullptr;
    QAction* AttachAction = nullptr;
    QListWidget* RefListView = nullptr;
    QTextEdit* Input = nullptr;
    TPrompt* Prompt = nullptr;
    // The colour of the colour menu's Default entry: text in it travels as the message colour.
    std::function<QColor()> DefaultColor;
    // The typing colour after the label went in (the colour menu follows it).
    std::function<void()> TypingColorRestored;
    // A ".ref" file could not be read or written.
    std::function<void(const QString& message)> ErrorLine;
  };

  explicit TReferenceAttacher(TParts parts);
  ~TReferenceAttacher() override;
  TReferenceAttacher(const TReferenceAttacher&) = delete;
  TReferenceAttacher& operator=(const TReferenceAttacher&) = delete;

  TAttachment& Attachment() { return Attached; }
  // The attach dialog while it is open.
  TAttachForm* AttachForm() const;

  // Insert Reference: shows the attach dialog, creating it (with the attached reference in its
  // editor) when it is not open.
  void AttachActionExecute();
  // The dialog's OK with a reference that is not blank.
  void AttachReference(const QTextDocument& reference);
  void ReleaseAttachment();

  // The input line as outgoing mark-up; a run in the reference colour becomes the link that
  // carries the attached reference.
  QString InputToMarkup(const QTextDocument& input) const;
  // The attached reference as the text blob of the next message; none without an attachment.
  std::unique_ptr<TTextBlob> ReferenceBlob() const;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QColor DefaultColor() const;
  void ShowAttachment();

  TParts Parts;
  TAttachment Attached;
  QPointer<TAttachForm> Dialog;
};

} // namespace tessra

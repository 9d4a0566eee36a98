#include "app/ReferenceViewerHost.h"

#include "app/CommandProcessor.h"
#include "app/MainForm.h"
#include "display/ChatTextCodec.h"
#include "display/TextTransforms.h"
#include "engine/VeyraChat.h"

namespace tessra {

namespace {

TBytes NameBytes(const QString& name) {
  const QByteArray bytes = EncodeChatText(name);
  return TBytes(bytes.constData(), static_cast<size_t>(bytes.size()));
}

} // namespace

void TReferenceViewerHost::TellCommand(const QString& line) {
  Commands.ExecuteCommand(line);
}

void TReferenceViewerHost::AddBuddy(const QString& name) {
  Chat.AddFRiend(NameBytes(name), true);
}

void TReferenceViewerHost::RemoveBuddy(const QString& name) {
  Chat.RemoveFriend(NameBytes(name));
}

void TReferenceViewerHost::AddSystemLine(const QString& markup) {
  Form.AddSystemLine(markup);
}

void TReferenceViewerHost::AddErrorLine(const QString& message) {
  // As the application-wide handler shows a failure; the message may quote the page's text,
  // which is never read as mark-up.
  Form.ApplicationEvents1Exception(EscapeMarkup(message));
}

} // namespace tessra

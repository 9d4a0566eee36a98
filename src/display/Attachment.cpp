#include "display/Attachment.h"

#include <QTextDocument>

#include "display/RichTextTransforms.h"
#include "display/RtfReader.h"
#include "display/RtfWriter.h"

namespace tessra {

void TAttachment::Assign(const QTextDocument& document) {
  RichText = TRtfWriter::Write(document);
  Attached = true;
  Changed();
}

bool TAttachment::LoadInto(QTextDocument& document) const {
  if (!Attached) {
    return false;
  }
  // Our own writer's output; the reader's two errors (not RTF, nested too deeply) cannot occur.
  TRtfReader::Read(RichText, document);
  return true;
}

QString TAttachment::ColorCodes(const QColor& defaultColor) const {
  if (!Attached) {
    return QString();
  }
  return ReferenceToColorCodes(
      RichText,
      [](const QByteArray& stored, QTextDocument& document) {
        TRtfReader::Read(stored, document);
        return true;
      },
      defaultColor);
}

void TAttachment::Release() {
  if (!Attached) {
    return;
  }
  Attached = false;
  RichText.clear();
  Changed();
}

void TAttachment::Changed() {
  if (OnChange) {
    OnChange(*this);
  }
}

} // namespace tessra

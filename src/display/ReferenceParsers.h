#pragma once

#include <QString>

namespace tessra {

class TBlob;

// The reference steps of ReplaceLiterals: they turn the message blob, inline pictures and the
// text, item and command links of a received message into reference links and keep the blobs
// they create. This base passes every text through unchanged; the reference handling of the
// main window overrides the steps.
class TReferenceParsers {
public:
  virtual ~TReferenceParsers() = default;

  // The message blob: its marked text becomes a reference link.
  virtual QString ParseReferences(const QString& text, const TBlob* /*blob*/) { return text; }
  // "<img src=...>" tags.
  virtual QString ParseNewImgReference(const QString& text) { return text; }
  // "text://" and "charref://" links.
  virtual QString ParseNewTextReference(const QString& text) { return text; }
  // "itemref:" links.
  virtual QString ParseNewItemReference(const QString& text) { return text; }
  // "chatcmd://" links.
  virtual QString ParseNewCmdReference(const QString& text) { return text; }

  // The message blob, then inline pictures, then text references.
  QString ParseStuff(const QString& text, const TBlob* blob) {
    return ParseNewTextReference(ParseNewImgReference(ParseReferences(text, blob)));
  }
};

} // namespace tessra

#pragma once

#include <functional>

#include <QString>
#include <QStringList>
#include <QStringView>

#include "display/ReferenceParsers.h"

namespace tessra {

class TBlobList;
class TReferenceRequest;
class TTextBlob;
class TVoicePlayer;

// The index in Data of the Close that closes the first Open, or -1 when Data holds no Open or
// the first Open is never closed. The walk from the first Open counts nested Opens and ignores
// Opens and Closes inside single- or double-quoted stretches.
//
// With an Alternative (quoted attribute values, where Open and Close are the same quote
// character), a Close is only taken when it is the last character, when no further Close
// follows, or when the next Alternative + Close (such as `="`, the start of the next attribute)
// comes no later than the next Close; otherwise it is an inner quote and the walk goes on. So a
// quoted reference text may itself hold quoted attribute values.
//
// Every search is case-sensitive; one call reads each character a bounded number of times.
qsizetype FindClosing(QStringView data, QStringView open, QStringView alternative,
                      QStringView close);

// The " style=" and " href=" attributes of a link's opening tag (the text after "<a" up to the
// ">"), in that order, as "name=value" lines with the value's quotes kept. A quoted value runs to
// its closing quote (FindClosing with "=" as the alternative); an unquoted one to the next space,
// and one with no space after it is ignored. "text://" and "charref://" with its next two
// "/"-terminated segments are taken out of each line. When a quoted value is never closed, the
// attributes found so far are returned and `unterminated` (when given) is set.
QStringList ExtractLinkAttributes(QStringView tagText, bool* unterminated = nullptr);

// Whether a link's style line (such as `style="color:#FF0000"`) may be passed on into a new link:
// only one well-formed quoted attribute may, since a value holding quotes or angle brackets could
// add attributes of its own (a later attribute replaces an earlier one in the console's mark-up)
// or end the tag.
bool IsPlainStyleLine(QStringView line);

// The reference steps of ReplaceLiterals: a message's blob and the text, item and command links
// written in received text become "reflink" console links whose params are the key of a blob
// kept in the blob list; inline pictures become "[x]". Voice blobs are played instead.
//
// Every step reads the text once from left to right: an unterminated link, tag or quoted value
// ends that step's search and leaves the rest of the text as it is. Identical links (letter case
// ignored) share one blob.
class TReferences : public TReferenceParsers {
public:
  // The lists must outlive this object; the voice player may be null (voice blobs are then
  // ignored).
  TReferences(TBlobList& blobs, TReferenceRequest& request, TVoicePlayer* voice = nullptr);

  QString ParseReferences(const QString& text, const TBlob* blob) override;
  QString ParseNewImgReference(const QString& text) override;
  QString ParseNewTextReference(const QString& text) override;
  QString ParseNewItemReference(const QString& text) override;
  QString ParseNewCmdReference(const QString& text) override;

  // The character whose private message is being converted; a text or command reference from
  // the character a pending reference request names opens at once. The host sets it before
  // converting a private message and clears it afterwards; empty for every other kind.
  QString MessageSender;

  // Raised when a reference opens by itself (the reference request was answered).
  std::function<void(TReferences* sender, const TTextBlob& blob)> OnShowTextReference;

  // `<a name="reflink" hint="HINT" params="KEY">`; quotes and angle brackets are taken out of the
  // hint, which comes from received text.
  static QString ReferenceLinkStart(const QString& key, const QString& hint);

private:
  // Keeps a text blob with `text` and opens it when the reference request is answered. Returns
  // the key, empty when the list did not keep it.
  QString AddTextReference(const QString& text);

  TBlobList& Blobs;
  TReferenceRequest& Request;
  TVoicePlayer* Voice;
};

} // namespace tessra

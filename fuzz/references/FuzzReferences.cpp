// Feeds arbitrary received bytes through the whole ReplaceLiterals with every reference parser
// plugged in, under each kind of message blob, and through FindClosing and ExtractLinkAttributes
// on their own, checking what each promises about its result. The first byte chooses the blob.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <tuple>

#include <QByteArrayView>
#include <QColor>
#include <QRegularExpression>
#include <QString>

#include "common/TickSource.h"
#include "display/ReferenceRequest.h"
#include "display/References.h"
#include "display/SoundOutput.h"
#include "display/TextTransforms.h"
#include "display/VoicePlayer.h"
#include "engine/BlobList.h"
#include "engine/VeyraBlob.h"

namespace {

void Check(bool condition) {
  if (!condition) {
    __builtin_trap();
  }
}

class TSilentOutput : public tessra::TSoundOutput {
public:
  void PlayFile(const QString& /*fileName*/) override {}
};

std::unique_ptr<tessra::TBlob> ChooseBlob(std::uint8_t choice) {
  switch (choice % 6) {
  case 1:
    return std::make_unique<tessra::TItemBlob>(1, 2, 3);
  case 2:
    return std::make_unique<tessra::TTextBlob>(tessra::TBytes("text"));
  case 3:
    return std::make_unique<tessra::TUnknownBlob>(tessra::TBytes("\x01\x02"));
  case 4:
    return std::make_unique<tessra::TVoiceBlob>(tessra::TBytes("oskan"), tessra::TBytes("male"),
                                                tessra::TBytes(""), tessra::TBytes("x"));
  case 5:
    return std::make_unique<tessra::TStringsBlob>();
  default:
    return nullptr;
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const std::unique_ptr<tessra::TBlob> blob = ChooseBlob(data[0]);
  const QByteArrayView bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

  tessra::TManualTickSource ticks;
  tessra::TBlobList blobs(8); // small, so that adding also drops
  tessra::TReferenceRequest request(ticks);
  request.Set(QStringLiteral("Tyrin"));
  TSilentOutput output;
  tessra::TVoicePlayer voice(&output);
  voice.PlaySounds = [] { return true; };
  voice.VeyraDirectory = [] { return QStringLiteral("/nonexistent-tessra-fuzz"); };
  int errorLines = 0;
  voice.OnErrorLine = [&](tessra::TVoicePlayer*, const QString&) { ++errorLines; };
  tessra::TReferences refs(blobs, request, &voice);
  refs.MessageSender = QStringLiteral("tyrin");
  int opened = 0;
  refs.OnShowTextReference = [&](tessra::TReferences*, const tessra::TTextBlob&) { ++opened; };

  tessra::TReplaceLiteralsSettings settings;
  settings.ParseEmoticons = (data[0] & 0x80) != 0;
  const QString markup =
      tessra::ReplaceLiterals(bytes, blob.get(), QColor(0xFF, 0xFF, 0), settings, &refs);
  Check(!markup.contains(QChar(0x11)) && !markup.contains(QChar(0x12)));
  Check(blobs.Count() <= 8);
  Check(opened <= 1); // a request is answered once
  Check(errorLines <= 1);

  // Each step on its own: nothing is lost from a text without any link.
  const QString text = QString::fromUtf8(bytes);
  if (!text.contains(QLatin1Char('<'))) {
    Check(refs.ParseNewTextReference(text) == text);
    Check(refs.ParseNewItemReference(text) == text);
    Check(refs.ParseNewCmdReference(text) == text);
    Check(refs.ParseNewImgReference(text) == text);
  }

  // FindClosing answers a position holding the Close, after the first Open.
  for (const auto& [open, alternative, close] :
       {std::tuple<QStringView, QStringView, QStringView>{u"<a ", u"", u"</a>"},
        {u"<", u"", u">"},
        {u"\"", u"=", u"\""},
        {u"'", u"=", u"'"}}) {
    const qsizetype at = tessra::FindClosing(text, open, alternative, close);
    if (at >= 0) {
      Check(at >= text.indexOf(open));
      Check(QStringView(text).sliced(at).startsWith(close));
    }
  }
  for (const QString& line : tessra::ExtractLinkAttributes(text)) {
    Check(line.startsWith(QLatin1String("style=")) || line.startsWith(QLatin1String("href=")));
  }
  return 0;
}

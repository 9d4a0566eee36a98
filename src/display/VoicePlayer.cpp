#include "display/VoicePlayer.h"

#include <QDir>

#include "common/Trace.h"
#include "display/SoundOutput.h"
#include "display/TextTransforms.h"
#include "engine/VeyraBlob.h"

namespace tessra {

void TVoicePlayer::Play(const TVoiceBlob& blob) {
  if (!PlaySounds || !PlaySounds()) {
    return;
  }
  const QString directory = VeyraDirectory ? VeyraDirectory() : QString();
  if (const std::optional<QString> fileName = blob.SoundFileName(directory)) {
    TraceApp(QStringLiteral("PlaySound: ") + *fileName);
    if (Output != nullptr) {
      Output->PlayFile(*fileName);
    }
    return;
  }
  if (OnErrorLine) {
    OnErrorLine(this, QStringLiteral("Sound file \"") +
                          EscapeMarkup(FallbackFileName(blob, directory)) +
                          QStringLiteral("\" not found."));
  }
}

QString TVoicePlayer::FallbackFileName(const TVoiceBlob& blob, const QString& gameDirectory) {
  QString folder = QDir::fromNativeSeparators(gameDirectory);
  if (!folder.endsWith(QLatin1Char('/'))) {
    folder += QLatin1Char('/');
  }
  return QDir::toNativeSeparators(
      folder + QStringLiteral("cd_image/sound/sfx/player/") +
      QString::fromUtf8(blob.Sound.data(), qsizetype(blob.Sound.size())) +
      QStringLiteral("_01.wav"));
}

} // namespace tessra

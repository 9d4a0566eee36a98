#include "display/QtSoundOutput.h"

#if defined(TESSRA_HAVE_QT_MULTIMEDIA)

#include <QSoundEffect>
#include <QUrl>

namespace tessra {

TQtSoundOutput::TQtSoundOutput() : Effect(std::make_unique<QSoundEffect>()) {}

TQtSoundOutput::~TQtSoundOutput() = default;

void TQtSoundOutput::PlayFile(const QString& fileName) {
  Effect->stop();
  Effect->setSource(QUrl::fromLocalFile(fileName));
  Effect->play();
}

} // namespace tessra

#endif

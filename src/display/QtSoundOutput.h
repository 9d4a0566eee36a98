#pragma once

#include "display/SoundOutput.h"

#if defined(TESSRA_HAVE_QT_MULTIMEDIA)

#include <memory>

class QSoundEffect;

namespace tessra {

// The program's sound output: Qt Multimedia's QSoundEffect, which plays a WAV file without
// blocking. A new sound replaces one still playing. Built when the display library is linked
// with Qt Multimedia (TESSRA_HAVE_QT_MULTIMEDIA).
class TQtSoundOutput : public TSoundOutput {
public:
  TQtSoundOutput();
  ~TQtSoundOutput() override;

  void PlayFile(const QString& fileName) override;

private:
  std::unique_ptr<QSoundEffect> Effect;
};

} // namespace tessra

#endif

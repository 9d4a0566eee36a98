#pragma once

#include <QString>

namespace tessra {

// Where voice emotes are played: the platform's sound player in the program, a recorder in
// tests, so no test ever plays sound.
class TSoundOutput {
public:
  virtual ~TSoundOutput() = default;
  // Starts playing the WAV file and returns at once.
  virtual void PlayFile(const QString& fileName) = 0;
};

} // namespace tessra

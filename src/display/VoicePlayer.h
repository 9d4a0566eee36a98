#pragma once

#include <functional>

#include <QString>

namespace tessra {

class TSoundOutput;
class TVoiceBlob;

// Plays the game's sound file of a received voice emote, or says which file is missing.
class TVoicePlayer {
public:
  // The output must outlive the player; null plays nothing (a missing file is still reported).
  explicit TVoicePlayer(TSoundOutput* output) : Output(output) {}

  // Does nothing while PlaySounds is off. Otherwise looks the file up under the game folder
  // (TVoiceBlob::SoundFileName) and plays it, or raises OnErrorLine with
  // `Sound file "FILE" not found.` when none of the candidate files exists.
  void Play(const TVoiceBlob& blob);

  // The file named in the "not found" line: the most general candidate, the sound's own name
  // under the game's player sound folder, in the platform's separators.
  static QString FallbackFileName(const TVoiceBlob& blob, const QString& gameDirectory);

  // The settings, read at each voice emote.
  std::function<bool()> PlaySounds;
  std::function<QString()> VeyraDirectory;

  // The error line as console mark-up (the file name is escaped: it carries the sender's text).
  std::function<void(TVoicePlayer* sender, const QString& line)> OnErrorLine;

private:
  TSoundOutput* Output;
};

} // namespace tessra

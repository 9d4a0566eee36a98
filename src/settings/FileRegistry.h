#pragma once

#include <functional>
#include <memory>

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include "Registry.h"

namespace tessra {

// The settings store everywhere but Windows: the registry's key/value tree kept
// in one JSON file. Each key is {"name", "values", "keys"}; each value is
// {"type": "dword" | "sz", "value": ...}. Sub-keys keep their creation order.
//
// Changes are written back when the last open key is closed (and by Flush),
// always through QSaveFile, so a failed or interrupted save leaves the previous
// file as it was. A file that cannot be parsed is moved aside as
// "<file>.bad-<timestamp>" and the program starts from an empty store.
class TFileRegistry : public TRegistry {
public:
  // Writes the whole file's bytes to the save file; false means the write
  // failed. Tests replace it to simulate a disk that fails part-way.
  using TWriteHook = std::function<bool(QIODevice& device, const QByteArray& data)>;

  explicit TFileRegistry(QString filePath);
  ~TFileRegistry() override;
  TFileRegistry(const TFileRegistry&) = delete;
  TFileRegistry& operator=(const TFileRegistry&) = delete;

  // Reports problems with the file (unreadable, moved aside, not saved) in a
  // sentence meant for the console.
  std::function<void(TFileRegistry& sender, const QString& message)> OnProblem;
  TWriteHook WriteHook;

  // Reads the file. A missing file is an empty store. Call once, after OnProblem is set.
  void Load();
  // Writes pending changes now; true when nothing is left unsaved.
  bool Flush();

  // The store as the file holds it, and back. LoadContent empties the store
  // and returns false when content is not a settings file.
  QByteArray Content() const;
  bool LoadContent(const QByteArray& content);

  const QString& FilePath() const { return Path; }
  std::unique_ptr<TRegistryKey> OpenKey(const QString& path, bool canCreate) override;

  struct TState;

private:
  QString Path;
  std::shared_ptr<TState> State;
};

} // namespace tessra

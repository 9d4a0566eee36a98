#pragma once

#include <deque>
#include <memory>

#include <QString>

#include "engine/VeyraBlob.h"

namespace tessra {

// Copies of received blobs under generated keys, so that console links can
// refer to them later. Holds at most Capacity entries: adding to a full list
// drops the oldest first. Only item, text and unknown blobs are kept.
class TBlobList {
public:
  static constexpr int kDefaultCapacity = 500;

  explicit TBlobList(int capacity = kDefaultCapacity) : Capacity(capacity) {}

  // Stores a copy of Blob and returns its key (32 hexadecimal digits), or the
  // empty text when the blob's class is not kept. Makes room either way.
  QString AddBlob(const TBlob& blob);
  // Fails with "List index out of bounds (%d)" outside 0..Count()-1.
  const TBlob& GetBlob(int index) const;
  // The index of the entry with that key, letter case ignored, or -1.
  int IndexOf(const QString& key) const;
  // The blob stored under that key, or null when it was dropped.
  const TBlob* Find(const QString& key) const;
  int Count() const { return static_cast<int>(Entries.size()); }

  // Zero or less means no limit. Lowering it drops nothing until the next
  // AddBlob.
  int Capacity;

private:
  struct TEntry {
    QString Key;
    std::unique_ptr<TBlob> Blob;
  };
  std::deque<TEntry> Entries;
};

} // namespace tessra

#pragma once

#include <memory>
#include <vector>

#include <QDateTime>
#include <QString>

#include "engine/Bytes.h"
#include "engine/VeyraBlob.h"

namespace tessra {

// One private message received while away: the text as it came off the wire, a copy of its
// reference blob (item, text and unknown blobs only; none for every other kind) and the local
// time it arrived.
class TAwayMessage {
public:
  TAwayMessage(TBytes text, const TBlob* blob, QDateTime received);

  const TBytes& Text() const { return MessageText; }
  // The stored copy, or null.
  const TBlob* Blob() const { return StoredBlob.get(); }
  const QDateTime& Received() const { return ReceivedAt; }

  // Whether a blob of this kind is kept with a message: only the kinds a reference link can
  // show.
  static bool IsKept(const TBlob* blob);

private:
  TBytes MessageText;
  std::unique_ptr<TBlob> StoredBlob;
  QDateTime ReceivedAt;
};

// A sender's messages, oldest first.
class TAwayMessageList {
public:
  TAwayMessage& Add(TBytes text, const TBlob* blob, QDateTime received);
  int Count() const { return static_cast<int>(Messages.size()); }
  // Fails with "List index out of bounds (N)" outside 0..Count()-1.
  const TAwayMessage& Get(int index) const;

private:
  std::vector<std::unique_ptr<TAwayMessage>> Messages;
};

// One sender: the name as it came with the first stored message, whether its messages have all
// been shown in the viewer, and the messages.
class TAwayCharacter {
public:
  explicit TAwayCharacter(QString name) : CharName(std::move(name)) {}

  const QString& Name() const { return CharName; }
  bool Viewed = false;
  TAwayMessageList& Messages() { return MessageList; }
  const TAwayMessageList& Messages() const { return MessageList; }

private:
  QString CharName;
  TAwayMessageList MessageList;
};

// The away store: the senders of the messages received while away, in the order of their first
// message. It lives in memory only.
class TAwayList {
public:
  TAwayCharacter& Add(const QString& name);
  void Clear() { Characters.clear(); }
  int Count() const { return static_cast<int>(Characters.size()); }
  // Fails with "List index out of bounds (N)" outside 0..Count()-1.
  TAwayCharacter& Get(int index);
  const TAwayCharacter& Get(int index) const;
  // The index of the sender of that name, letter case ignored, or -1.
  int IndexOf(const QString& name) const;

private:
  std::vector<std::unique_ptr<TAwayCharacter>> Characters;
};

} // namespace tessra

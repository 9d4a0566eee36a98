#include "settings/AwayStore.h"

#include "engine/ListIndexError.h"

namespace tessra {

bool TAwayMessage::IsKept(const TBlob* blob) {
  return dynamic_cast<const TItemBlob*>(blob) != nullptr ||
         dynamic_cast<const TTextBlob*>(blob) != nullptr ||
         dynamic_cast<const TUnknownBlob*>(blob) != nullptr;
}

TAwayMessage::TAwayMessage(TBytes text, const TBlob* blob, QDateTime received)
    : MessageText(std::move(text)), StoredBlob(IsKept(blob) ? blob->Clone() : nullptr),
      ReceivedAt(std::move(received)) {}

TAwayMessage& TAwayMessageList::Add(TBytes text, const TBlob* blob, QDateTime received) {
  Messages.push_back(std::make_unique<TAwayMessage>(std::move(text), blob, std::move(received)));
  return *Messages.back();
}

const TAwayMessage& TAwayMessageList::Get(int index) const {
  CheckListIndex(index, Count());
  return *Messages[static_cast<size_t>(index)];
}

TAwayCharacter& TAwayList::Add(const QString& name) {
  Characters.push_back(std::make_unique<TAwayCharacter>(name));
  return *Characters.back();
}

TAwayCharacter& TAwayList::Get(int index) {
  CheckListIndex(index, Count());
  return *Characters[static_cast<size_t>(index)];
}

const TAwayCharacter& TAwayList::Get(int index) const {
  CheckListIndex(index, Count());
  return *Characters[static_cast<size_t>(index)];
}

int TAwayList::IndexOf(const QString& name) const {
  for (int i = 0; i < Count(); ++i) {
    if (Characters[static_cast<size_t>(i)]->Name().compare(name, Qt::CaseInsensitive) == 0) {
      return i;
    }
  }
  return -1;
}

} // namespace tessra

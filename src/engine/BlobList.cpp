#include "engine/BlobList.h"

#include <string>

#include <QUuid>

#include "common/ChatException.h"
#include "common/Trace.h"

namespace tessra {

namespace {

// Only blobs a console link can show are kept: items, texts and unknown data.
std::unique_ptr<TBlob> StoredCopy(const TBlob& blob) {
  if (dynamic_cast<const TItemBlob*>(&blob) != nullptr) {
    auto copy = std::make_unique<TItemBlob>();
    copy->Assign(blob);
    return copy;
  }
  if (dynamic_cast<const TTextBlob*>(&blob) != nullptr) {
    auto copy = std::make_unique<TTextBlob>();
    copy->Assign(blob);
    return copy;
  }
  if (const auto* unknown = dynamic_cast<const TUnknownBlob*>(&blob)) {
    return std::make_unique<TUnknownBlob>(unknown->Data);
  }
  return nullptr;
}

} // namespace

QString TBlobList::AddBlob(const TBlob& blob) {
  while (Capacity > 0 && Count() >= Capacity) {
    Entries.pop_front();
  }
  std::unique_ptr<TBlob> copy = StoredCopy(blob);
  if (copy == nullptr) {
    return {};
  }
  QString key = QUuid::createUuid().toString(QUuid::Id128).toUpper();
  Entries.push_back({key, std::move(copy)});
  TraceEngine(QStringLiteral("TBlobList.AddBlob ") + Quoted(key));
  return key;
}

const TBlob& TBlobList::GetBlob(int index) const {
  if (index < 0 || index >= Count()) {
    throw TChatException(FormatMessage("List index out of bounds (%d)", {std::to_string(index)}));
  }
  return *Entries[static_cast<std::size_t>(index)].Blob;
}

int TBlobList::IndexOf(const QString& key) const {
  for (std::size_t i = 0; i < Entries.size(); ++i) {
    if (Entries[i].Key.compare(key, Qt::CaseInsensitive) == 0) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

const TBlob* TBlobList::Find(const QString& key) const {
  const int index = IndexOf(key);
  return index < 0 ? nullptr : &GetBlob(index);
}

} // namespace tessra

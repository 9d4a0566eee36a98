#include "engine/DimensionList.h"

#include "common/ChatException.h"
#include "engine/ListIndexError.h"

namespace tessra {

TDimensionList::TDimensionList() {
  AddBuiltIns();
}

void TDimensionList::AddBuiltIns() {
  const QString live = QString::fromLatin1(kLiveChatHost);
  AddNew(QStringLiteral("Merovan"), QStringLiteral("Corvane 1 Dimension"), 7105, live);
  AddNew(QStringLiteral("Pellis"), QStringLiteral("Corvane 2 Dimension"), 7105, live);
  AddNew(QStringLiteral("Ostvale"), QStringLiteral("German Dimension"), 7105, live);
  AddNew(QStringLiteral("Test Dimension"), QStringLiteral("Public Veyra Test Dimension"), 7109,
         QString::fromLatin1(kTestChatHost));
}

int TDimensionList::Add(std::unique_ptr<TDimensionInfo> info) {
  Items.push_back(std::move(info));
  return Count() - 1;
}

TDimensionInfo* TDimensionList::AddNew(const QString& name, const QString& description,
                                       int32_t port, const QString& host) {
  Items.push_back(std::make_unique<TDimensionInfo>(name, description, port, host));
  return Items.back().get();
}

TDimensionInfo* TDimensionList::Get(int index) const {
  CheckListIndex(index, Count());
  return Items[static_cast<size_t>(index)].get();
}

int TDimensionList::IndexOf(const TDimensionInfo* info) const {
  for (int i = 0; i < Count(); ++i) {
    if (Items[static_cast<size_t>(i)].get() == info) {
      return i;
    }
  }
  return -1;
}

int TDimensionList::IndexOfName(const QString& name) const {
  for (int i = 0; i < Count(); ++i) {
    if (Items[static_cast<size_t>(i)]->Name.compare(name, Qt::CaseInsensitive) == 0) {
      return i;
    }
  }
  return -1;
}

void TDimensionList::Delete(int index) {
  CheckListIndex(index, Count());
  Items.erase(Items.begin() + index);
}

void TDimensionList::Remove(const TDimensionInfo* info) {
  const int i = IndexOf(info);
  if (i >= 0) {
    Delete(i);
  }
}

void TDimensionList::Clear() {
  Items.clear();
}

} // namespace tessra

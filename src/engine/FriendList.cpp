#include "engine/FriendList.h"

#include "common/Trace.h"
#include "engine/ListIndexError.h"
#include "engine/NameList.h"
#include "engine/VeyraChat.h"

namespace tessra {

namespace {
QString Q(const TBytes& b) {
  return Quoted(QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())));
}
} // namespace

const TFriendInfo& TFriendList::GetFriend(int index) const {
  CheckListIndex(index, Count());
  const auto& item = Items[static_cast<size_t>(index)];
  TraceEngine(QStringLiteral("FriendList.GetFriend ") + Quoted(index) + QLatin1Char(' ') +
              Q(item.second->Name));
  return *item.second;
}

int TFriendList::Find(const TBytes& name) const {
  for (int i = 0; i < Count(); ++i) {
    if (SameTextIgnoringCase(Items[static_cast<size_t>(i)].first, name)) {
      return i;
    }
  }
  return -1;
}

int TFriendList::IndexOf(const TBytes& name) const {
  const int i = Find(name);
  TraceEngine(QStringLiteral("FriendList.IndexOf ") + Q(name) + QLatin1Char(' ') + Quoted(i));
  return i;
}

void TFriendList::Add(const TBytes& name, bool online, bool accepted) {
  const int i = Find(name);
  auto entry = std::make_unique<TFriendInfo>(TFriendInfo{name, online, accepted});
  if (i < 0) {
    Items.emplace_back(name, std::move(entry));
    TraceEngine(QStringLiteral("FriendList.Add adding new ") + Q(name) + QLatin1Char(' ') +
                Quoted(Count() - 1));
    if (Engine.OnFriendAdd) {
      // Copy: a handler may change the list while it runs.
      const TFriendInfo info = *Items.back().second;
      Engine.OnFriendAdd(Engine, info);
    }
  } else {
    Items[static_cast<size_t>(i)].second = std::move(entry);
    TraceEngine(QStringLiteral("FriendList.Add re-adding ") + Q(name));
    if (Engine.OnFriendStatusChange) {
      const TFriendInfo info = *Items[static_cast<size_t>(i)].second;
      Engine.OnFriendStatusChange(Engine, info);
    }
  }
}

void TFriendList::Remove(const TBytes& name) {
  const int i = Find(name);
  TraceEngine(QStringLiteral("FriendList.Remove ") + Q(name) + QLatin1Char(' ') + Quoted(i));
  if (i < 0) {
    return;
  }
  std::unique_ptr<TFriendInfo> removed = std::move(Items[static_cast<size_t>(i)].second);
  Items.erase(Items.begin() + i);
  if (Engine.OnFriendRemove) {
    Engine.OnFriendRemove(Engine, *removed);
  }
}

} // namespace tessra

#include "engine/GroupList.h"

#include "common/Trace.h"
#include "engine/ListIndexError.h"
#include "engine/VeyraChat.h"
#include "engine/VeyraChatPacket.h"

namespace tessra {

namespace {
QString Q(const TBytes& b) {
  return Quoted(QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())));
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  return 0;
}
} // namespace

TBytes TGroupList::GIDToStr(const TGroupId& groupId) {
  TBytes text = GroupIdToText(groupId);
  TraceEngine(QStringLiteral("GroupList.GIDToStr ") + Q(text));
  return text;
}

const TGroupInfo& TGroupList::GetGroup(int index) const {
  CheckListIndex(index, Count());
  const TGroupInfo& info = *Items[static_cast<size_t>(index)].second;
  TraceEngine(QStringLiteral("GroupList.GetGroup ") + Quoted(index) + QLatin1Char(' ') +
              Q(info.Name));
  return info;
}

TGroupId TGroupList::GetGID(int index) const {
  CheckListIndex(index, Count());
  const TBytes& key = Items[static_cast<size_t>(index)].first;
  TGroupId id{};
  for (size_t i = 0; i < id.size() && 2 * i + 1 < key.size(); ++i) {
    id[i] = static_cast<uint8_t>(HexValue(key[2 * i]) * 16 + HexValue(key[2 * i + 1]));
  }
  TraceEngine(QStringLiteral("GroupList.GetGID ") + Quoted(index) + QLatin1Char(' ') + Q(key));
  return id;
}

int TGroupList::GetIndex(const TGroupId& groupId) const {
  const TBytes key = GroupIdToText(groupId);
  int found = -1;
  for (int i = 0; i < Count(); ++i) {
    if (Items[static_cast<size_t>(i)].first == key) {
      found = i;
      break;
    }
  }
  TraceEngine(QStringLiteral("GroupList.GetIndex ") + Quoted(found));
  return found;
}

int TGroupList::IndexOf(const TBytes& name) const {
  for (int i = 0; i < Count(); ++i) {
    if (Items[static_cast<size_t>(i)].second->Name == name) {
      return i;
    }
  }
  TraceEngine(QStringLiteral("GroupList.IndexOf ") + Q(name) + QStringLiteral(" not found"));
  return -1;
}

void TGroupList::Add(const TGroupId& groupId, const TBytes& name, uint32_t flags) {
  const TBytes key = GIDToStr(groupId);
  auto entry = std::make_unique<TGroupInfo>(
      TGroupInfo{name, flags, (flags & 0x00010000u) != 0 && (flags & 0x01000000u) != 0});
  int index = -1;
  for (int i = 0; i < Count(); ++i) {
    if (Items[static_cast<size_t>(i)].first == key) {
      index = i;
      break;
    }
  }
  if (index >= 0) {
    Items[static_cast<size_t>(index)].second = std::move(entry);
    TraceEngine(QStringLiteral("GroupList.Add re-adding ") + Q(name) + QLatin1Char(' ') +
                Quoted(index));
  } else {
    Items.emplace_back(key, std::move(entry));
    TraceEngine(QStringLiteral("GroupList.Add adding new ") + Q(name) + QLatin1Char(' ') +
                Quoted(Count() - 1));
  }
  if (Engine.OnGroupListChange) {
    Engine.OnGroupListChange(Engine);
  }
}

} // namespace tessra

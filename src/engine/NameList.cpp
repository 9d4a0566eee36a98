#include "engine/NameList.h"

#include <QEventLoop>

#include "common/Trace.h"
#include "engine/VeyraChat.h"

namespace tessra {

namespace {
QString Q(const TBytes& b) {
  return Quoted(QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())));
}

// Exit codes of a name wait; 0 means the loop was ended from outside (the
// application is quitting).
constexpr int kNameArrived = 1;
} // namespace

bool SameTextIgnoringCase(const TBytes& a, const TBytes& b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
    if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

int TNameList::IndexOf(const TBytes& name) const {
  for (int i = 0; i < Count(); ++i) {
    if (SameTextIgnoringCase(Items[static_cast<size_t>(i)].first, name)) {
      return i;
    }
  }
  return -1;
}

int32_t TNameList::GetID(const TBytes& name) {
  int i = IndexOf(name);
  if (i == -1) {
    TraceEngine(QStringLiteral("NameList.GetID ") + Q(name) +
                QStringLiteral(" not found, requesting"));
    Engine.SendPacketNoWait(std::make_unique<TVeyraChatOutgoingPacket>(
        opNameLookup, std::vector<TPacketParam>{TPacketParam::String(name)}));
  }
  TraceEngine(QStringLiteral("NameList.GetID looping"));
  while (i == -1) {
    if (!Engine.CanWaitForNames()) {
      break;
    }
    QEventLoop loop;
    Waiters.push_back(&loop);
    const int reason = loop.exec();
    std::erase(Waiters, &loop);
    i = IndexOf(name);
    if (i == -1 && reason != kNameArrived) {
      break;
    }
  }
  TraceEngine(QStringLiteral("Loop end ") + QString::number(i));
  const int32_t id = i >= 0 ? Items[static_cast<size_t>(i)].second : -1;
  TraceEngine(QStringLiteral("NameList.GetID ") + Quoted(i) + QLatin1Char(' ') + Quoted(id));
  return id;
}

TBytes TNameList::GetName(int32_t id) const {
  TBytes name;
  for (const auto& item : Items) {
    if (item.second == id) {
      name = item.first;
      break;
    }
  }
  if (EngineTracing()) {
    TraceEngine(QStringLiteral("NameList.GetName ") + Quoted(id) + QLatin1Char(' ') + Q(name));
  }
  return name;
}

void TNameList::Add(const TBytes& name, int32_t id) {
  // The server announces a name again and again (each time it thinks we may not know it), so an
  // announcement we already hold must not grow the cache. An id announced with another name is
  // the newest word on that character: it replaces the old name, or the old name would be shown
  // for it forever. Unknown names all share the id -1 and stay apart by name.
  int index = -1;
  for (size_t i = 0; i < Items.size(); ++i) {
    auto& item = Items[i];
    if (item.second == id && (id != -1 || SameTextIgnoringCase(item.first, name))) {
      item.first = name;
      index = static_cast<int>(i);
      break;
    }
  }
  if (index == -1) {
    Items.emplace_back(name, id);
    index = Count() - 1;
  }
  TraceEngine(QStringLiteral("NameList.Add ") + Q(name) + QLatin1Char(' ') + Quoted(id) +
              QLatin1Char(' ') + Quoted(index));
  WakeWaiters(kNameArrived);
}

void TNameList::Clear() {
  Items.clear();
  // The connection is gone (or going): nobody can answer a waiting lookup.
  WakeWaiters(2);
}

void TNameList::WakeWaiters(int reason) {
  for (QEventLoop* loop : Waiters) {
    loop->exit(reason);
  }
}

} // namespace tessra

#include "app/BufferList.h"

namespace tessra {

void TBufferList::Add(const QString& text) {
  if (Items.isEmpty() || Items.back() != text) {
    while (!Items.isEmpty() && Items.size() >= Capacity) {
      Items.removeFirst();
    }
    Items.append(text);
  }
  Cursor = Count();
}

QString TBufferList::Previous() {
  if (Items.isEmpty()) {
    return QString();
  }
  --Cursor;
  if (Cursor < 0 || Cursor >= Count()) {
    Cursor = Count() - 1;
  }
  return Items[Cursor];
}

QString TBufferList::Next() {
  if (Items.isEmpty()) {
    return QString();
  }
  ++Cursor;
  if (Cursor >= Count() || Cursor < 0) {
    Cursor = 0;
  }
  return Items[Cursor];
}

} // namespace tessra

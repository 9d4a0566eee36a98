#include "display/ViewerHistory.h"

namespace tessra {

void TViewerHistory::Add(const QString& address, const QStringList& actions) {
  Items.resize(Position + 1);
  Items.append(THistoryItem{address, actions});
  Position = Items.size() - 1;
}

qsizetype TViewerHistory::IndexOf(const QString& address) const {
  for (qsizetype i = 0; i < Items.size(); ++i) {
    if (Items[i].Address.compare(address, Qt::CaseInsensitive) == 0) {
      return i;
    }
  }
  return -1;
}

void TViewerHistory::SetCurrent(qsizetype index) {
  if (index >= 0 && index < Items.size()) {
    Position = index;
  }
}

const THistoryItem* TViewerHistory::Previous() const {
  return CanGoBack() ? &Items[Position - 1] : nullptr;
}

const THistoryItem* TViewerHistory::Next() const {
  return CanGoForward() ? &Items[Position + 1] : nullptr;
}

const THistoryItem* TViewerHistory::Current() const {
  return Position >= 0 ? &Items[Position] : nullptr;
}

} // namespace tessra

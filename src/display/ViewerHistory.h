#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace tessra {

// One page the reference viewer has shown: its address and the actions its "link://N" links run.
struct THistoryItem {
  QString Address;
  QStringList Actions;
};

// The reference viewer's back and forward history: the pages in the order they were shown and
// the position of the current one (-1 while empty).
class TViewerHistory {
public:
  // Drops every item after the current one, appends the new one and makes it current.
  void Add(const QString& address, const QStringList& actions);
  // The item's index, the address compared without regard to letter case; -1 when absent.
  qsizetype IndexOf(const QString& address) const;
  // Makes the item at `index` current; an index outside the list is ignored.
  void SetCurrent(qsizetype index);

  bool CanGoBack() const { return Position > 0; }
  bool CanGoForward() const { return Position >= 0 && Position + 1 < Items.size(); }
  // The item before or after the current one; null when there is none. Moving there is the
  // navigation's business (SetCurrent once the page loads).
  const THistoryItem* Previous() const;
  const THistoryItem* Next() const;

  const THistoryItem* Current() const;
  qsizetype CurrentIndex() const { return Position; }
  qsizetype Count() const { return Items.size(); }
  const THistoryItem& Item(qsizetype index) const { return Items.at(index); }

private:
  QList<THistoryItem> Items;
  qsizetype Position = -1;
};

} // namespace tessra

#pragma once

#include <QString>
#include <QStringList>

namespace tessra {

// The input history: lines entered in the input line, oldest first, walked with Shift+Up and
// Shift+Down. After each Add, Previous starts with the newest line and Next with the oldest;
// both directions wrap around.
class TBufferList {
public:
  // Appends a line unless it equals the newest one exactly (letter case included); the oldest
  // lines make room once Capacity is reached. Either way the walk starts afresh.
  void Add(const QString& text);
  // The line before the last one recalled, wrapping from the oldest to the newest; empty when
  // nothing was entered.
  QString Previous();
  // The line after the last one recalled, wrapping from the newest to the oldest; empty when
  // nothing was entered.
  QString Next();

  int Count() const { return static_cast<int>(Items.size()); }
  const QStringList& Lines() const { return Items; }

  // The most lines kept; a capacity below one keeps the newest line only.
  int Capacity = 100;

private:
  QStringList Items;
  int Cursor = 0;
};

} // namespace tessra

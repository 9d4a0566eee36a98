#pragma once

#include <vector>

#include <QStringList>

#include "LoginInfo.h"

namespace tessra {

// The saved logins in load order, then in order of first connection. Account
// names are matched with both sides upper-cased.
class TLoginArray {
public:
  // Sets the password of the first matching entry, or appends a new entry.
  void SetLoginPassword(const QString& account, const TBytes& password);
  // The password of the last matching entry; empty if none matches.
  TBytes GetLoginPassword(const QString& account) const;
  // The last character of the last matching entry; empty if none matches.
  QString GetLastCharacter(const QString& account) const;
  // Sets the last character of every matching entry; adds none.
  void SetLastCharacter(const QString& account, const QString& charName);
  void Clear() { Items.clear(); }

  int Count() const { return static_cast<int>(Items.size()); }
  const TLoginInfo& Get(int index) const;
  QStringList Accounts() const;

private:
  std::vector<TLoginInfo> Items;
};

} // namespace tessra

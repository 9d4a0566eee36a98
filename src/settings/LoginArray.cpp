#include "LoginArray.h"

#include "engine/ListIndexError.h"

namespace tessra {

namespace {

bool SameAccount(const QString& a, const QString& b) {
  return a.toUpper() == b.toUpper();
}

} // namespace

void TLoginArray::SetLoginPassword(const QString& account, const TBytes& password) {
  for (TLoginInfo& item : Items) {
    if (SameAccount(item.Account, account)) {
      item.Password = password;
      return;
    }
  }
  Items.push_back(TLoginInfo{account, password, QString()});
}

TBytes TLoginArray::GetLoginPassword(const QString& account) const {
  for (auto it = Items.rbegin(); it != Items.rend(); ++it) {
    if (SameAccount(it->Account, account)) {
      return it->Password;
    }
  }
  return TBytes();
}

QString TLoginArray::GetLastCharacter(const QString& account) const {
  for (auto it = Items.rbegin(); it != Items.rend(); ++it) {
    if (SameAccount(it->Account, account)) {
      return it->LastChar;
    }
  }
  return QString();
}

void TLoginArray::SetLastCharacter(const QString& account, const QString& charName) {
  for (TLoginInfo& item : Items) {
    if (SameAccount(item.Account, account)) {
      item.LastChar = charName;
    }
  }
}

const TLoginInfo& TLoginArray::Get(int index) const {
  CheckListIndex(index, Count());
  return Items[static_cast<size_t>(index)];
}

QStringList TLoginArray::Accounts() const {
  QStringList accounts;
  for (const TLoginInfo& item : Items) {
    accounts.append(item.Account);
  }
  return accounts;
}

} // namespace tessra

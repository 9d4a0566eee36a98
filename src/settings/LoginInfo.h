#pragma once

#include <QString>

#include "engine/Bytes.h"

namespace tessra {

// What the program remembers about one game account.
struct TLoginInfo {
  QString Account;
  TBytes Password;  // plain text in memory; empty when not remembered
  QString LastChar; // the character last logged in; empty if none yet
};

} // namespace tessra

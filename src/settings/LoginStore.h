#pragma once

#include "LoginArray.h"
#include "Registry.h"
#include "engine/DimensionList.h"

namespace tessra {

// Saved logins under "Software\\Tessra\\Logins\\<account>": Password (REG_SZ,
// scrambled; empty when not remembered) and LastChar (REG_SZ).
void LoadLogins(TRegistry& registry, TLoginArray& logins);
// Rewrites the whole Logins key. An account name that cannot be a key name
// (empty, or holding a backslash, which would make nested keys) is not saved.
void SaveLogins(TRegistry& registry, const TLoginArray& logins);

// User-defined dimensions under "Software\\Tessra\\Dimensions\\<name>": Host
// (REG_SZ), Port (REG_DWORD, 7012 when missing), Description (REG_SZ).
// Loading replaces every dimension of the list that is not built in.
void LoadDimensions(TRegistry& registry, TDimensionList& dimensions);
// Rewrites the whole Dimensions key from the list's user-defined dimensions.
void SaveDimensions(TRegistry& registry, const TDimensionList& dimensions);

// Marks every dimension now in the list as built in (the engine's own, before
// any user dimension is loaded).
void MarkBuiltInDimensions(TDimensionList& dimensions);

inline constexpr int32_t kDefaultDimensionPort = 7012;

} // namespace tessra

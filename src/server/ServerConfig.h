#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <QByteArray>

#include "engine/Bytes.h"
#include "engine/PacketParam.h"

namespace tessra {

// One playable character of an account.
struct TServerCharacter {
  TBytes Name;
  int32_t Id = 0;
};

struct TServerAccount {
  TBytes Name;
  TBytes Password;
  std::vector<TServerCharacter> Characters;
};

// A public chat group. Members are character names; "*" stands for every
// character of every account.
struct TServerGroup {
  TGroupId Id{};
  TBytes Name;
  uint32_t Flags = 0;
  std::vector<TBytes> Members;
};

// Everything the server is told at start: who may log in, which other names
// exist, the public groups and the buddy lists characters start with, plus
// the limits that protect the server from its clients.
struct TServerConfig {
  std::vector<TServerAccount> Accounts;
  // Characters that exist (they answer name look-ups and take offline tells)
  // but belong to no account here.
  std::vector<TServerCharacter> KnownNames;
  std::vector<TServerGroup> Groups;
  // Character name -> names of its buddies.
  std::map<TBytes, std::vector<TBytes>> Buddies;

  // Bytes a client may send per second, sustained; a burst of twice that is
  // tolerated. 0 switches the limit off.
  int64_t MaxBytesPerSecond = 32768;
  // Output queued for a client that does not read it; beyond this the client
  // is dropped so that it cannot make the server hold unbounded memory.
  int64_t MaxPendingOutputBytes = 4 * 1024 * 1024;
  int MaxClients = 1000;
  // Milliseconds a connection may take from the seed to "Login Result OK".
  uint32_t LoginTimeoutMs = 30000;
  // Offline tells kept per recipient.
  int MaxOfflineMessages = 100;
};

// Reads a configuration from JSON. Fails with a TChatException naming the
// first problem found ("Configuration: ..."); a configuration is either
// accepted whole or refused.
TServerConfig ParseServerConfig(const QByteArray& json);

// The configuration built into the program: the accounts demo1 and demo2
// (password "demo", two characters each) and a few public groups.
const char* DefaultServerConfigJson();
TServerConfig DefaultServerConfig();

} // namespace tessra

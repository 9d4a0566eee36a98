#include "server/ServerConfig.h"

#include <set>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include "common/ChatException.h"

namespace tessra {

namespace {

constexpr char kDefaultConfig[] = R"json({
  "maxBytesPerSecond": 32768,
  "accounts": [
    {"name": "demo1", "password": "demo",
     "characters": [{"name": "Alira", "id": 1001}, {"name": "Brannic", "id": 1002}]},
    {"name": "demo2", "password": "demo",
     "characters": [{"name": "Corwen", "id": 2001}, {"name": "Dessa", "id": 2002}]}
  ],
  "knownNames": [{"name": "Elderan", "id": 9001}],
  "groups": [
    {"id": "0A00000001", "name": "General", "flags": 0, "members": ["*"]},
    {"id": "0A00000002", "name": "Trade Shopping 1", "flags": 0, "members": ["*"]},
    {"id": "0A00000003", "name": "Seeking Team", "flags": 0, "members": ["Alira", "Corwen"]}
  ],
  "buddies": {"Alira": ["Corwen"]}
}
)json";

// Names travel in 16-bit length fields; a name is also shown everywhere, so
// keep it short.
constexpr qsizetype kMaxNameLength = 64;

[[noreturn]] void Fail(const std::string& what) {
  throw TChatException("Configuration: " + what);
}

std::string Lower(const TBytes& text) {
  std::string out = text;
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return out;
}

TBytes ReadName(const QJsonValue& value, const std::string& where) {
  if (!value.isString()) {
    Fail(where + " needs a name");
  }
  const QByteArray utf8 = value.toString().toUtf8();
  if (utf8.isEmpty() || utf8.size() > kMaxNameLength) {
    Fail(where + " has an empty name or one longer than 64 bytes");
  }
  return utf8.toStdString();
}

int64_t ReadInteger(const QJsonObject& o, const char* key, int64_t fallback, int64_t low,
                    int64_t high, const std::string& where) {
  const QJsonValue v = o.value(QLatin1String(key));
  if (v.isUndefined()) {
    return fallback;
  }
  const double d = v.toDouble(-1e300);
  if (!v.isDouble() || d != static_cast<double>(static_cast<int64_t>(d)) ||
      d < static_cast<double>(low) || d > static_cast<double>(high)) {
    Fail(where + " \"" + key + "\" must be a whole number from " + std::to_string(low) + " to " +
         std::to_string(high));
  }
  return static_cast<int64_t>(d);
}

TServerCharacter ReadCharacter(const QJsonValue& value, const std::string& where) {
  if (!value.isObject()) {
    Fail(where + " must be an object");
  }
  const QJsonObject o = value.toObject();
  TServerCharacter c;
  c.Name = ReadName(o.value(QLatin1String("name")), where);
  if (!o.contains(QLatin1String("id"))) {
    Fail(where + " needs an id");
  }
  // -1 means "no such character" on the wire, so no character may have it.
  c.Id = static_cast<int32_t>(
      ReadInteger(o, "id", 0, INT32_MIN, INT32_MAX, where + " \"" + c.Name + "\""));
  if (c.Id == -1) {
    Fail(where + " \"" + c.Name + "\" may not have the id -1");
  }
  return c;
}

TGroupId ReadGroupId(const QJsonValue& value, const std::string& where) {
  const QByteArray text = value.toString().toLatin1();
  if (!value.isString() || text.size() != 10) {
    Fail(where + " needs an id of 10 hexadecimal digits");
  }
  TGroupId id{};
  for (int i = 0; i < 5; ++i) {
    bool ok = false;
    id[static_cast<size_t>(i)] = static_cast<uint8_t>(text.mid(i * 2, 2).toUInt(&ok, 16));
    if (!ok) {
      Fail(where + " needs an id of 10 hexadecimal digits");
    }
  }
  return id;
}

QJsonArray ArrayOf(const QJsonObject& o, const char* key) {
  const QJsonValue v = o.value(QLatin1String(key));
  if (v.isUndefined()) {
    return {};
  }
  if (!v.isArray()) {
    Fail(std::string("\"") + key + "\" must be an array");
  }
  return v.toArray();
}

} // namespace

const char* DefaultServerConfigJson() {
  return kDefaultConfig;
}

TServerConfig DefaultServerConfig() {
  return ParseServerConfig(QByteArray(kDefaultConfig));
}

TServerConfig ParseServerConfig(const QByteArray& json) {
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
  if (error.error != QJsonParseError::NoError) {
    Fail("not valid JSON at offset " + std::to_string(error.offset) + ": " +
         error.errorString().toStdString());
  }
  if (!doc.isObject()) {
    Fail("the top level must be an object");
  }
  const QJsonObject root = doc.object();
  TServerConfig config;
  config.MaxBytesPerSecond =
      ReadInteger(root, "maxBytesPerSecond", config.MaxBytesPerSecond, 0, INT32_MAX, "the limit");
  config.MaxPendingOutputBytes = ReadInteger(
      root, "maxPendingOutputBytes", config.MaxPendingOutputBytes, 65536, INT32_MAX, "the limit");
  config.MaxClients =
      static_cast<int>(ReadInteger(root, "maxClients", config.MaxClients, 1, 100000, "the limit"));
  config.LoginTimeoutMs = static_cast<uint32_t>(
      ReadInteger(root, "loginTimeoutMs", config.LoginTimeoutMs, 100, 3600000, "the limit"));
  config.MaxOfflineMessages = static_cast<int>(
      ReadInteger(root, "maxOfflineMessages", config.MaxOfflineMessages, 0, 10000, "the limit"));

  std::set<std::string> names; // lower case, every character and known name
  std::set<int32_t> ids;
  std::set<std::string> accounts; // lower case
  const auto addCharacter = [&](const TServerCharacter& c, const std::string& where) {
    if (!names.insert(Lower(c.Name)).second) {
      Fail(where + " \"" + c.Name + "\" is named twice");
    }
    if (!ids.insert(c.Id).second) {
      Fail(where + " \"" + c.Name + "\" has an id that is already taken");
    }
  };

  for (const QJsonValue& a : ArrayOf(root, "accounts")) {
    if (!a.isObject()) {
      Fail("an account must be an object");
    }
    const QJsonObject o = a.toObject();
    TServerAccount account;
    account.Name = ReadName(o.value(QLatin1String("name")), "an account");
    if (!accounts.insert(Lower(account.Name)).second) {
      Fail("account \"" + account.Name + "\" is listed twice");
    }
    const QJsonValue password = o.value(QLatin1String("password"));
    if (!password.isString() || password.toString().isEmpty()) {
      Fail("account \"" + account.Name + "\" needs a password");
    }
    account.Password = password.toString().toUtf8().toStdString();
    for (const QJsonValue& c : ArrayOf(o, "characters")) {
      account.Characters.push_back(ReadCharacter(c, "a character of \"" + account.Name + "\""));
      addCharacter(account.Characters.back(), "character");
    }
    if (account.Characters.empty()) {
      Fail("account \"" + account.Name + "\" has no characters");
    }
    config.Accounts.push_back(std::move(account));
  }
  for (const QJsonValue& c : ArrayOf(root, "knownNames")) {
    config.KnownNames.push_back(ReadCharacter(c, "a known name"));
    addCharacter(config.KnownNames.back(), "known name");
  }

  const auto checkExists = [&](const TBytes& name, const std::string& where) {
    if (names.count(Lower(name)) == 0) {
      Fail(where + " names \"" + name + "\", who does not exist");
    }
  };

  std::set<TGroupId> groupIds;
  for (const QJsonValue& g : ArrayOf(root, "groups")) {
    if (!g.isObject()) {
      Fail("a group must be an object");
    }
    const QJsonObject o = g.toObject();
    TServerGroup group;
    group.Name = ReadName(o.value(QLatin1String("name")), "a group");
    group.Id = ReadGroupId(o.value(QLatin1String("id")), "group \"" + group.Name + "\"");
    if (!groupIds.insert(group.Id).second) {
      Fail("group \"" + group.Name + "\" has an id that is already taken");
    }
    group.Flags = static_cast<uint32_t>(
        ReadInteger(o, "flags", 0, 0, UINT32_MAX, "group \"" + group.Name + "\""));
    for (const QJsonValue& m : ArrayOf(o, "members")) {
      const TBytes member = ReadName(m, "a member of group \"" + group.Name + "\"");
      if (member != "*") {
        checkExists(member, "group \"" + group.Name + "\"");
      }
      group.Members.push_back(member);
    }
    config.Groups.push_back(std::move(group));
  }

  const QJsonValue buddies = root.value(QLatin1String("buddies"));
  if (!buddies.isUndefined() && !buddies.isObject()) {
    Fail("\"buddies\" must be an object of name: [names]");
  }
  const QJsonObject buddyObject = buddies.toObject();
  for (auto it = buddyObject.begin(); it != buddyObject.end(); ++it) {
    const TBytes owner = it.key().toUtf8().toStdString();
    checkExists(owner, "the buddy lists");
    if (!it.value().isArray()) {
      Fail("the buddy list of \"" + owner + "\" must be an array");
    }
    std::vector<TBytes> list;
    for (const QJsonValue& b : it.value().toArray()) {
      const TBytes buddy = ReadName(b, "the buddy list of \"" + owner + "\"");
      checkExists(buddy, "the buddy list of \"" + owner + "\"");
      list.push_back(buddy);
    }
    config.Buddies[owner] = std::move(list);
  }
  return config;
}

} // namespace tessra

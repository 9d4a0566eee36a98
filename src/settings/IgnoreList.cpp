#include "settings/IgnoreList.h"

#include <algorithm>
#include <exception>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "common/ChatException.h"
#include "common/Trace.h"
#include "engine/VeyraChat.h"

namespace tessra {

namespace {

constexpr char kFileName[] = "IgnoreList.bin";
constexpr qint64 kRecordSize = 4;

bool IsBlank(QChar c) {
  return c.unicode() <= u' ';
}

QString TrimBlanks(const QString& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && IsBlank(text[begin])) {
    ++begin;
  }
  while (end > begin && IsBlank(text[end - 1])) {
    --end;
  }
  return text.mid(begin, end - begin);
}

bool SameName(const QString& a, const QString& b) {
  return a.compare(b, Qt::CaseInsensitive) == 0;
}

uint32_t ReadLittleEndian(const QByteArray& bytes, qsizetype offset) {
  const auto byte = [&](qsizetype i) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + i]));
  };
  return byte(0) | (byte(1) << 8) | (byte(2) << 16) | (byte(3) << 24);
}

void WriteLittleEndian(QByteArray& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    bytes.append(static_cast<char>((value >> (8 * i)) & 0xFF));
  }
}

std::string Number(qint64 value) {
  return std::to_string(value);
}

} // namespace

QString JoinIgnorePath(const QString& folder, const QString& relative) {
  const QString tail = QDir::toNativeSeparators(relative);
  if (folder.isEmpty() || folder.endsWith(QLatin1Char('\\')) || folder.endsWith(QLatin1Char('/'))) {
    return folder + tail;
  }
  return folder + QDir::separator() + tail;
}

QString IgnoreListPath(const TIgnoreFileSettings& settings, const QString& account,
                       int32_t charId) {
  if (settings.IgnoreMode == 1) {
    return JoinIgnorePath(settings.IgnoreAllFolder, QLatin1String(kFileName));
  }
  return JoinIgnorePath(settings.VeyraDirectory,
                        QStringLiteral("Prefs/") + account + QStringLiteral("/Char") +
                            QString::number(charId) + QLatin1Char('/') + QLatin1String(kFileName));
}

QString RecaseName(const QString& name) {
  QString result = TrimBlanks(name);
  for (qsizetype i = 0; i < result.size(); ++i) {
    const char16_t c = result[i].unicode();
    if (i == 0 && c >= u'a' && c <= u'z') {
      result[i] = QChar(static_cast<char16_t>(c - 32));
    } else if (i > 0 && c >= u'A' && c <= u'Z') {
      result[i] = QChar(static_cast<char16_t>(c + 32));
    }
  }
  return result;
}

// --- the engine's names ------------------------------------------------------------------------

QString TIgnoreList::TEngineNames::GetName(int32_t id) const {
  const TBytes name = Engine.NameList().GetName(id);
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

int32_t TIgnoreList::TEngineNames::GetID(const QString& name) {
  const int32_t id = Engine.NameList().GetID(name.toUtf8().toStdString());
  // The server answers an unknown name with -1; a wait that ended with the connection gives -1
  // too, and writing that would turn a listed name into "no such character".
  if (id == -1 && Engine.State() != TChatState::csLoggedIn) {
    throw TChatException(
        FormatMessage("Name look-up of %s ended without an answer", {name.toStdString()}));
  }
  return id;
}

std::optional<TIgnoreList::TBuddy>
TIgnoreList::TEngineNames::FindFriend(const QString& name) const {
  const int index = Engine.FriendList().IndexOf(name.toUtf8().toStdString());
  if (index < 0) {
    return std::nullopt;
  }
  const TFriendInfo& info = Engine.FriendList().GetFriend(index);
  return TBuddy{QString::fromUtf8(info.Name.data(), static_cast<qsizetype>(info.Name.size())),
                info.Online, info.Accepted};
}

// --- the list ----------------------------------------------------------------------------------

TIgnoreList::TIgnoreList(TTree& tree, TNames& names,
                         std::function<void(const QString&)> addSystemLine)
    : Tree(tree), NameCache(names), AddSystemLine(std::move(addSystemLine)) {}

void TIgnoreList::Report(const QString& error, const QString& path) const {
  if (AddSystemLine) {
    AddSystemLine(error + QStringLiteral(": ") + path);
  }
}

bool TIgnoreList::IsIgnored(const QString& name) const {
  const QStringList names = Tree.Children(TBuddyBranch::Ignoring);
  return std::any_of(names.begin(), names.end(),
                     [&](const QString& listed) { return SameName(listed, name); });
}

QStringList TIgnoreList::Names() const {
  return Tree.Children(TBuddyBranch::Ignoring);
}

bool TIgnoreList::RemoveFirst(TBuddyBranch branch, const QString& name) {
  const QStringList children = Tree.Children(branch);
  for (int i = 0; i < children.size(); ++i) {
    if (SameName(children[i], name)) {
      Tree.RemoveChild(branch, i);
      return true;
    }
  }
  return false;
}

QString TIgnoreList::Ignore(const QString& name) {
  // Compared as it will be listed, so " john" cannot sit beside "John".
  const QString trimmed = TrimBlanks(name);
  if (trimmed.isEmpty()) {
    return QString();
  }
  for (TBuddyBranch branch : {TBuddyBranch::Online, TBuddyBranch::Offline, TBuddyBranch::Unknown,
                              TBuddyBranch::Ignoring}) {
    RemoveFirst(branch, trimmed);
  }
  const QString recased = RecaseName(trimmed);
  Tree.AppendIgnored(recased);
  TraceApp(QStringLiteral("IgnoreList.Ignore ") + Quoted(recased));
  return recased;
}

QString TIgnoreList::Unignore(const QString& name) {
  const QString trimmed = TrimBlanks(name);
  if (trimmed.isEmpty()) {
    return QString();
  }
  const bool listed = RemoveFirst(TBuddyBranch::Ignoring, trimmed);
  // An id kept from a file under this name would bring it back with the next write.
  std::erase_if(Pending, [&](int32_t id) {
    const QString known = id == -1 ? QString() : NameCache.GetName(id);
    return !known.isEmpty() && SameName(known, trimmed);
  });
  PendingSet = std::unordered_set<int32_t>(Pending.begin(), Pending.end());
  const QString recased = RecaseName(trimmed);
  TraceApp(QStringLiteral("IgnoreList.Unignore ") + Quoted(recased));
  // Only a name that was hidden goes back; a buddy that was never ignored still has its node.
  if (listed) {
    if (const std::optional<TBuddy> buddy = NameCache.FindFriend(trimmed)) {
      Tree.AddFriend(buddy->Name, buddy->Online, buddy->Accepted);
    }
  }
  return recased;
}

void TIgnoreList::AddId(int32_t id) {
  // -1 is "no such character"; the cache may hold several names under it, none of them this one.
  const QString name = id == -1 ? QString() : TrimBlanks(NameCache.GetName(id));
  if (!name.isEmpty()) {
    Ignore(name);
  } else if (PendingSet.insert(id).second) {
    Pending.push_back(id);
  }
}

void TIgnoreList::ResolvePendingIds() {
  std::vector<int32_t> still;
  for (int32_t id : std::vector<int32_t>(Pending)) {
    const QString name = id == -1 ? QString() : TrimBlanks(NameCache.GetName(id));
    if (name.isEmpty()) {
      still.push_back(id);
    } else if (!IsIgnored(name)) {
      Ignore(name);
    }
  }
  Pending = std::move(still);
  PendingSet = std::unordered_set<int32_t>(Pending.begin(), Pending.end());
}

std::vector<int32_t> TIgnoreList::ParseIgnoreFile(const QByteArray& bytes) {
  const qint64 size = bytes.size();
  if (size < kRecordSize) {
    throw TChatException(FormatMessage(
        "Ignore list file too short: %s bytes, the entry count alone takes 4", {Number(size)}));
  }
  const uint32_t count = ReadLittleEndian(bytes, 0);
  const qint64 present = (size - kRecordSize) / kRecordSize;
  if (static_cast<qint64>(count) > present) {
    throw TChatException(
        FormatMessage("Ignore list file truncated: %s entries announced, %s present",
                      {Number(count), Number(present)}));
  }
  if (size != kRecordSize + kRecordSize * static_cast<qint64>(count)) {
    throw TChatException(FormatMessage(
        "Ignore list file malformed: %s bytes follow the %s entries announced",
        {Number(size - kRecordSize - kRecordSize * static_cast<qint64>(count)), Number(count)}));
  }
  if (count > kMaxEntries) {
    throw TChatException(FormatMessage("Ignore list file too long: %s entries, at most %s",
                                       {Number(count), Number(kMaxEntries)}));
  }
  std::vector<int32_t> ids;
  ids.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    ids.push_back(static_cast<int32_t>(ReadLittleEndian(bytes, kRecordSize * (i + 1))));
  }
  return ids;
}

QByteArray TIgnoreList::FormatIgnoreFile(const std::vector<int32_t>& ids) {
  QByteArray bytes;
  bytes.reserve(static_cast<qsizetype>(kRecordSize * (ids.size() + 1)));
  WriteLittleEndian(bytes, static_cast<uint32_t>(ids.size()));
  for (int32_t id : ids) {
    WriteLittleEndian(bytes, static_cast<uint32_t>(id));
  }
  return bytes;
}

void TIgnoreList::LoadIgnoreList(const QString& path) {
  TraceApp(QStringLiteral("IgnoreList.LoadIgnoreList ") + Quoted(path));
  QFile file(path);
  if (!QFileInfo::exists(path)) {
    Report(QStringLiteral("File not found"), path);
    return;
  }
  if (!file.open(QIODevice::ReadOnly)) {
    Report(file.error() == QFileDevice::PermissionsError ? QStringLiteral("File access denied")
                                                         : QStringLiteral("Cannot open file"),
           path);
    return;
  }
  // Never more than the largest list the reader accepts, plus one record to tell it is larger.
  // Only what the file holds is allocated (a read of the whole limit would take 8 MiB for a
  // list of a few names).
  const qint64 limit = kRecordSize * (static_cast<qint64>(kMaxEntries) + 2);
  const qint64 size = file.size();
  const QByteArray bytes = file.read(size > 0 && size < limit ? size + 1 : limit);
  if (file.error() != QFileDevice::NoError) {
    Report(QStringLiteral("Disk read error"), path);
    return;
  }
  std::vector<int32_t> ids;
  try {
    if (bytes.size() >= limit) {
      throw TChatException(
          FormatMessage("Ignore list file too long: more than %s entries", {Number(kMaxEntries)}));
    }
    ids = ParseIgnoreFile(bytes);
  } catch (const TChatException& e) {
    Report(e.Message(), path);
    return;
  }
  for (int32_t id : ids) {
    AddId(id);
  }
}

void TIgnoreList::SaveIgnoreList(const QString& path) {
  TraceApp(QStringLiteral("IgnoreList.SaveIgnoreList ") + Quoted(path));
  // Every name is resolved first: a look-up may wait for the server (and fail), and the file
  // must not be touched until all ids are known.
  const QStringList names = Names();
  std::vector<int32_t> ids;
  ids.reserve(static_cast<size_t>(names.size()) + Pending.size());
  std::unordered_set<int32_t> written;
  const auto add = [&ids, &written](int32_t id) {
    if (written.insert(id).second) {
      ids.push_back(id);
    }
  };
  try {
    for (const QString& name : names) {
      add(NameCache.GetID(name));
    }
  } catch (const std::exception& e) {
    Report(QString::fromUtf8(e.what()), path);
    return;
  }
  for (int32_t id : Pending) {
    add(id);
  }
  const QByteArray bytes = FormatIgnoreFile(ids);
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    Report(QFileInfo(path).absoluteDir().exists() ? QStringLiteral("Cannot create file")
                                                  : QStringLiteral("Path not found"),
           path);
    return;
  }
  // Flushed here: commit does not notice a buffered write that fails (a full disk) and would put
  // a cut-short file in place of the old one.
  if (file.write(bytes) != bytes.size() || !file.flush()) {
    file.cancelWriting();
    Report(QStringLiteral("Disk write error"), path);
    return;
  }
  if (!file.commit()) {
    Report(QStringLiteral("Disk write error"), path);
  }
}

void TIgnoreList::LoadForCharacter(const TIgnoreFileSettings& settings, const QString& account,
                                   const QString& charName) {
  int32_t id = -1;
  if (settings.IgnoreMode != 1) {
    try {
      id = NameCache.GetID(charName);
    } catch (const std::exception& e) {
      if (AddSystemLine) {
        AddSystemLine(QString::fromUtf8(e.what()));
      }
      return;
    }
  }
  LoadIgnoreList(IgnoreListPath(settings, account, id));
}

void TIgnoreList::SaveForCharacter(const TIgnoreFileSettings& settings, const QString& account,
                                   const QString& charName) {
  int32_t id = -1;
  if (settings.IgnoreMode != 1) {
    try {
      id = NameCache.GetID(charName);
    } catch (const std::exception& e) {
      if (AddSystemLine) {
        AddSystemLine(QString::fromUtf8(e.what()));
      }
      return;
    }
  }
  SaveIgnoreList(IgnoreListPath(settings, account, id));
}

} // namespace tessra

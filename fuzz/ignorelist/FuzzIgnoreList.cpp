// Feeds arbitrary bytes to the ignore list reader: as a parsed file (whatever it accepts must
// write back to the same bytes) and as a file loaded into a list whose name cache knows a few ids.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include "common/ChatException.h"
#include "settings/IgnoreList.h"

namespace {

using tessra::TBuddyBranch;
using tessra::TIgnoreList;

class TTree : public TIgnoreList::TTree {
public:
  QStringList Children(TBuddyBranch branch) const override {
    return Branches[static_cast<size_t>(branch)];
  }
  void RemoveChild(TBuddyBranch branch, int index) override {
    Branches[static_cast<size_t>(branch)].removeAt(index);
  }
  void AppendIgnored(const QString& name) override { Branches[3].append(name); }
  void AddFriend(const QString& name, bool, bool) override { Branches[0].append(name); }

private:
  std::array<QStringList, 4> Branches;
};

class TNames : public TIgnoreList::TNames {
public:
  // Small ids have names; the rest are unknown.
  QString GetName(int32_t id) const override {
    return id >= 0 && id < 16 ? QStringLiteral("name%1").arg(id) : QString();
  }
  int32_t GetID(const QString& name) override { return name.mid(4).toInt(); }
  std::optional<TIgnoreList::TBuddy> FindFriend(const QString&) const override {
    return std::nullopt;
  }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  try {
    const std::vector<int32_t> ids = TIgnoreList::ParseIgnoreFile(bytes);
    if (TIgnoreList::FormatIgnoreFile(ids) != bytes) {
      std::abort();
    }
  } catch (const tessra::TChatException&) {
  }

  // Saving syncs the file to disk; on a memory file system that costs nothing, so the harness
  // runs thousands of inputs a second instead of tens.
  static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                               ? QStringLiteral("/dev/shm/tessra-fuzz-XXXXXX")
                               : QDir::tempPath() + QStringLiteral("/tessra-fuzz-XXXXXX"));
  const QString path = dir.path() + QStringLiteral("/IgnoreList.bin");
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
      return 0;
    }
    file.write(bytes);
  }
  TTree tree;
  TNames names;
  QStringList lines;
  TIgnoreList list(tree, names, [&lines](const QString& line) { lines.append(line); });
  list.LoadIgnoreList(path);
  // Every entry is either listed or kept; nothing is listed twice.
  if (list.Names().removeDuplicates() != 0) {
    std::abort();
  }
  list.SaveIgnoreList(path);
  return 0;
}

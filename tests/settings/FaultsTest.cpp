// Broken disks: the program killed while it saves, a disk that fills up, files cut short. The
// file on disk is always the old one or the new one, every failure is reported clearly, and
// nothing already stored is lost.

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <set>
#include <string>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "QtPrinters.h"

#include "common/ChatException.h"
#include "settings/FileRegistry.h"
#include "settings/IgnoreList.h"

namespace tessra {
namespace {

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString& path, const QByteArray& data) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_EQ(file.write(data), data.size());
}

// The buddy tree's "Ignoring" node and a name cache where "N<id>" is the name of id <id>.
class TNumberTree : public TIgnoreList::TTree {
public:
  QStringList Children(TBuddyBranch branch) const override {
    return branch == TBuddyBranch::Ignoring ? Ignored : QStringList();
  }
  void RemoveChild(TBuddyBranch branch, int index) override {
    if (branch == TBuddyBranch::Ignoring) {
      Ignored.removeAt(index);
    }
  }
  void AppendIgnored(const QString& name) override { Ignored.append(name); }
  void AddFriend(const QString&, bool, bool) override {}
  QStringList Ignored;
};
class TNumberNames : public TIgnoreList::TNames {
public:
  QString GetName(int32_t id) const override { return QStringLiteral("N%1").arg(id); }
  int32_t GetID(const QString& name) override { return name.mid(1).toInt(); }
  std::optional<TIgnoreList::TBuddy> FindFriend(const QString&) const override {
    return std::nullopt;
  }
};

// An ignore list of the ids first .. first+count-1, as the file holds them.
std::vector<int32_t> Ids(int32_t first, int count) {
  std::vector<int32_t> ids;
  for (int i = 0; i < count; ++i) {
    ids.push_back(first + i);
  }
  return ids;
}
void SaveIds(const QString& path, const std::vector<int32_t>& ids, QStringList* lines = nullptr) {
  TNumberTree tree;
  TNumberNames names;
  TIgnoreList list(tree, names, [lines](const QString& line) {
    if (lines != nullptr) {
      lines->append(line);
    }
  });
  for (int32_t id : ids) {
    tree.Ignored.append(names.GetName(id));
  }
  list.SaveIgnoreList(path);
}

void SaveSetting(const QString& path, const QString& value, QStringList* problems = nullptr) {
  TFileRegistry registry(path);
  registry.OnProblem = [problems](TFileRegistry&, const QString& message) {
    if (problems != nullptr) {
      problems->append(message);
    }
  };
  registry.Load();
  registry.OpenKey(QStringLiteral("Software\\Tessra"), true)
      ->WriteString(QStringLiteral("LastUser"), value);
}
QString ReadSetting(const QString& path) {
  TFileRegistry registry(path);
  registry.Load();
  auto key = registry.OpenKey(QStringLiteral("Software\\Tessra"), false);
  return key ? key->ReadString(QStringLiteral("LastUser"), QStringLiteral("<default>"))
             : QStringLiteral("<no key>");
}

// Runs `save` over and over in a child process and kills the child (SIGKILL) after `delayMs`,
// which lands in the middle of one of the back-to-back saves. (The temporary file a save writes
// may have no name at all, so there is nothing to watch for.)
void KillWhileSaving(int delayMs, const std::function<void(int round)>& save) {
  const pid_t child = fork();
  if (child == 0) {
    for (int round = 0;; ++round) {
      save(round);
    }
  }
  usleep(static_cast<useconds_t>(delayMs) * 1000);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
}

TEST(FaultsTest, KilledWhileSavingSettingsLeavesTheOldOrTheNewFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("settings.json"));
  const QString first(20000, QLatin1Char('a'));
  const QString second(40000, QLatin1Char('b'));
  SaveSetting(path, QStringLiteral("old"));
  std::set<QString> seen;
  for (int attempt = 0; attempt < 6; ++attempt) {
    SCOPED_TRACE(attempt);
    KillWhileSaving(20 + 37 * attempt,
                    [&](int round) { SaveSetting(path, round % 2 == 0 ? first : second); });
    const QString value = ReadSetting(path);
    EXPECT_TRUE(value == QStringLiteral("old") || value == first || value == second)
        << value.left(40).toStdString();
    seen.insert(value);
    // Nothing was moved aside as unreadable.
    EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral("*.bad-*")}, QDir::Files).isEmpty());
  }
  // The saves did run while the child was killed.
  EXPECT_TRUE(seen.count(first) + seen.count(second) > 0);
}

TEST(FaultsTest, KilledWhileSavingAnIgnoreListLeavesTheOldOrTheNewFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("IgnoreList.bin"));
  const std::vector<int32_t> old = Ids(1, 3);
  const std::vector<int32_t> first = Ids(1000, 600);
  const std::vector<int32_t> second = Ids(5000, 900);
  SaveIds(path, old);
  std::set<size_t> seen;
  for (int attempt = 0; attempt < 6; ++attempt) {
    SCOPED_TRACE(attempt);
    KillWhileSaving(20 + 37 * attempt,
                    [&](int round) { SaveIds(path, round % 2 == 0 ? first : second); });
    std::vector<int32_t> ids;
    ASSERT_NO_THROW(ids = TIgnoreList::ParseIgnoreFile(ReadAll(path)));
    EXPECT_TRUE(ids == old || ids == first || ids == second) << ids.size();
    seen.insert(ids.size());
  }
  EXPECT_TRUE(seen.count(first.size()) + seen.count(second.size()) > 0);
}

// ------------------------------------------------------------------------------ full disk

// Runs `checks` in a child process with a tiny tmpfs mounted on `folder` in a mount namespace
// of its own, so nothing outside the test sees the mount. The child writes one line per failed
// check into the pipe; returns those lines, or nothing when no tmpfs could be mounted.
std::optional<QStringList>
OnASmallDisk(const QString& folder,
             const std::function<void(const std::function<void(bool, const char*)>&)>& checks) {
  int fds[2];
  if (pipe(fds) != 0) {
    return std::nullopt;
  }
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    const QByteArray where = QFile::encodeName(folder);
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", where.constData(), "tmpfs", 0, "size=128k") != 0) {
      _exit(77);
    }
    const auto check = [fd = fds[1]](bool ok, const char* what) {
      if (!ok) {
        const std::string line = std::string(what) + "\n";
        (void)!write(fd, line.data(), line.size());
      }
    };
    checks(check);
    _exit(0);
  }
  close(fds[1]);
  QByteArray out;
  char buffer[512];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) {
    out.append(buffer, n);
  }
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) == 77) {
    return std::nullopt;
  }
  QStringList failures = QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  if (WEXITSTATUS(status) != 0) {
    failures.append(QStringLiteral("child exited with %1").arg(WEXITSTATUS(status)));
  }
  return failures;
}

// Fills the file system under `folder` up to the last byte.
bool FillDisk(const QString& folder) {
  const QByteArray path = QFile::encodeName(folder + QStringLiteral("/filler"));
  const int fd = open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) {
    return false;
  }
  const std::string block(4096, 'f');
  while (write(fd, block.data(), block.size()) > 0) {
  }
  while (write(fd, "f", 1) > 0) {
  }
  const bool full = errno == ENOSPC;
  close(fd);
  return full;
}

TEST(FaultsTest, AFullDiskKeepsThePreviousSettingsAndIgnoreListAndSaysSo) {
  QTemporaryDir dir;
  const std::optional<QStringList> failures =
      OnASmallDisk(dir.path(), [&dir](const std::function<void(bool, const char*)>& check) {
        const QString settings = dir.filePath(QStringLiteral("settings.json"));
        const QString ignore = dir.filePath(QStringLiteral("IgnoreList.bin"));
        SaveSetting(settings, QStringLiteral("stored"));
        SaveIds(ignore, Ids(1, 5));
        const QByteArray settingsBefore = ReadAll(settings);
        const QByteArray ignoreBefore = ReadAll(ignore);
        check(ReadSetting(settings) == QStringLiteral("stored"), "settings written before");
        check(FillDisk(dir.path()), "the disk is full");

        QStringList problems;
        SaveSetting(settings, QString(4000, QLatin1Char('x')), &problems);
        const std::string seen = "settings problems " + std::to_string(problems.size()) + ": " +
                                 problems.join(QStringLiteral(" | ")).toStdString() +
                                 "; file now " + ReadAll(settings).left(60).toStdString();
        check(problems.size() == 1, seen.c_str());
        check(!problems.isEmpty() && problems[0].contains(QStringLiteral("could not be saved")) &&
                  problems[0].contains(QStringLiteral("previous file is kept")),
              "the settings problem says what happened");
        check(ReadAll(settings) == settingsBefore, "the settings file is unchanged");
        check(ReadSetting(settings) == QStringLiteral("stored"), "the stored setting reads back");

        QStringList lines;
        SaveIds(ignore, Ids(100, 3000), &lines);
        check(lines.size() == 1, "one line reported for the ignore list");
        check(!lines.isEmpty() && lines[0].endsWith(QStringLiteral(": ") + ignore),
              "the ignore list line names the file");
        check(ReadAll(ignore) == ignoreBefore, "the ignore list file is unchanged");

        // No half-written temporary file is left behind either.
        const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        check(left.size() == 3, "only the two files and the filler are left");

        // Room again: the next save goes through.
        QFile::remove(dir.filePath(QStringLiteral("filler")));
        QStringList later;
        SaveSetting(settings, QStringLiteral("later"), &later);
        check(later.isEmpty() && ReadSetting(settings) == QStringLiteral("later"),
              "a save after room is made succeeds");
      });
  if (!failures) {
    GTEST_SKIP() << "no tmpfs could be mounted in a private mount namespace";
  }
  EXPECT_EQ(*failures, QStringList());
}

// ----------------------------------------------------------------------- files cut short

TEST(FaultsTest, ASettingsFileCutAtAnyByteIsKeptAsideAndTheDefaultsAreUsed) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("settings.json"));
  SaveSetting(path, QStringLiteral("Gr\u00FC\u00DFe"));
  const QByteArray whole = ReadAll(path);
  ASSERT_GT(whole.size(), 50);
  const QList<QByteArray> garbage{QByteArray(300, '\0'), QByteArray("\xFF\xFE{\"format\"", 11),
                                  QByteArray("[1,2,3]"), whole + QByteArray("}")};
  QList<QByteArray> damaged = garbage;
  // Every cut before the closing brace; after it only the final line break is missing.
  for (qsizetype cut = 0; cut <= whole.lastIndexOf('}'); ++cut) {
    damaged.append(whole.left(cut));
  }
  for (const QByteArray& bytes : damaged) {
    SCOPED_TRACE(bytes.left(30).toStdString());
    QDir(dir.path()).removeRecursively();
    QDir().mkpath(dir.path());
    WriteAll(path, bytes);
    TFileRegistry registry(path);
    QStringList problems;
    registry.OnProblem = [&problems](TFileRegistry&, const QString& message) {
      problems.append(message);
    };
    registry.Load();
    // Reported once, with where the damaged file went; it is kept byte for byte.
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains(QStringLiteral("could not be read")))
        << problems[0].toStdString();
    const QStringList kept = QDir(dir.path()).entryList({QStringLiteral("*.bad-*")}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(ReadAll(dir.filePath(kept[0])), bytes);
    EXPECT_FALSE(registry.OpenKey(QStringLiteral("Software\\Tessra"), false));
  }
}

} // namespace
} // namespace tessra

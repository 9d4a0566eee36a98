#include <array>
#include <map>
#include <optional>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "common/ChatException.h"
#include "settings/IgnoreList.h"

namespace tessra {
namespace {

// The buddy tree's four branches in memory; AddFriend records the buddy with its flags.
class TFakeTree : public TIgnoreList::TTree {
public:
  QStringList Children(TBuddyBranch branch) const override { return Branches[Index(branch)]; }
  void RemoveChild(TBuddyBranch branch, int index) override {
    Branches[Index(branch)].removeAt(index);
  }
  void AppendIgnored(const QString& name) override {
    Branches[Index(TBuddyBranch::Ignoring)].append(name);
  }
  void AddFriend(const QString& name, bool online, bool accepted) override {
    const TBuddyBranch branch = !accepted ? TBuddyBranch::Unknown
                                : online  ? TBuddyBranch::Online
                                          : TBuddyBranch::Offline;
    Branches[Index(branch)].append(name);
  }
  QStringList& operator[](TBuddyBranch branch) { return Branches[Index(branch)]; }

private:
  static size_t Index(TBuddyBranch branch) { return static_cast<size_t>(branch); }
  std::array<QStringList, 4> Branches;
};

// The name cache and buddy list; a look-up of a name it does not hold fails, as the engine's
// does when no character is logged in.
class TFakeNames : public TIgnoreList::TNames {
public:
  QString GetName(int32_t id) const override {
    for (const auto& [name, known] : Ids) {
      if (known == id) {
        return name;
      }
    }
    return QString();
  }
  int32_t GetID(const QString& name) override {
    ++Lookups;
    for (const auto& [known, id] : Ids) {
      if (known.compare(name, Qt::CaseInsensitive) == 0) {
        return id;
      }
    }
    throw TChatException("Packet type Name Lookup not allowed in state Disconnected");
  }
  std::optional<TIgnoreList::TBuddy> FindFriend(const QString& name) const override {
    for (const TIgnoreList::TBuddy& buddy : Buddies) {
      if (buddy.Name.compare(name, Qt::CaseInsensitive) == 0) {
        return buddy;
      }
    }
    return std::nullopt;
  }

  std::vector<std::pair<QString, int32_t>> Ids;
  std::vector<TIgnoreList::TBuddy> Buddies;
  int Lookups = 0;
};

QByteArray File(std::initializer_list<uint32_t> words) {
  QByteArray bytes;
  for (uint32_t w : words) {
    for (int i = 0; i < 4; ++i) {
      bytes.append(static_cast<char>((w >> (8 * i)) & 0xFF));
    }
  }
  return bytes;
}

class TIgnoreListTest : public ::testing::Test {
protected:
  TIgnoreListTest() : List(Tree, Names, [this](const QString& line) { Lines.append(line); }) {}

  QString PathOf(const QString& name) const { return Dir.path() + QLatin1Char('/') + name; }
  QString Write(const QByteArray& bytes, const QString& name = QStringLiteral("IgnoreList.bin")) {
    QFile file(PathOf(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
  }
  QByteArray Read(const QString& path) const {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }

  QTemporaryDir Dir;
  TFakeTree Tree;
  TFakeNames Names;
  QStringList Lines;
  TIgnoreList List;
};

TEST_F(TIgnoreListTest, AnEmptyFileIsFourZeroBytesBothWays) {
  const QString path = Write(File({0}));
  List.LoadIgnoreList(path);
  EXPECT_TRUE(List.Names().isEmpty());
  EXPECT_TRUE(List.PendingIds().empty());
  EXPECT_TRUE(Lines.isEmpty());

  const QString out = PathOf(QStringLiteral("out.bin"));
  List.SaveIgnoreList(out);
  EXPECT_EQ(Read(out), QByteArray(4, '\0'));
  EXPECT_TRUE(Lines.isEmpty());
}

TEST_F(TIgnoreListTest, CachedIdsAreListedReCasedAndLeaveTheBuddyNodes) {
  Names.Ids = {{QStringLiteral("tYRIN"), 1234567}, {QStringLiteral("JOHN"), 0x01020304}};
  Tree[TBuddyBranch::Online] = {QStringLiteral("Tyrin"), QStringLiteral("Zed")};
  Tree[TBuddyBranch::Unknown] = {QStringLiteral("john")};
  const QString path = Write(File({2, 1234567, 0x01020304}));

  List.LoadIgnoreList(path);

  EXPECT_EQ(List.Names(), (QStringList{QStringLiteral("Tyrin"), QStringLiteral("John")}));
  EXPECT_EQ(Tree[TBuddyBranch::Online], QStringList{QStringLiteral("Zed")});
  EXPECT_TRUE(Tree[TBuddyBranch::Unknown].isEmpty());
  EXPECT_TRUE(Lines.isEmpty());

  // Written back little-endian, in list order.
  const QString out = PathOf(QStringLiteral("out.bin"));
  List.SaveIgnoreList(out);
  EXPECT_EQ(Read(out), File({2, 1234567, 0x01020304}));
}

TEST_F(TIgnoreListTest, IdsTheCacheDoesNotKnowAreKeptThroughLoadAndSave) {
  Names.Ids = {{QStringLiteral("Tyrin"), 7}};
  const QString path = Write(File({4, 99, 7, 0xFFFFFFFF, 99}));

  List.LoadIgnoreList(path);
  EXPECT_EQ(List.Names(), QStringList{QStringLiteral("Tyrin")});
  EXPECT_EQ(List.PendingIds(), (std::vector<int32_t>{99, -1}));

  List.SaveIgnoreList(path);
  EXPECT_EQ(Read(path), File({3, 7, 99, 0xFFFFFFFF}));
  EXPECT_TRUE(Lines.isEmpty());

  // Once the cache learns the name, it is listed like any other.
  Names.Ids.push_back({QStringLiteral("newcomer"), 99});
  List.ResolvePendingIds();
  EXPECT_EQ(List.Names(), (QStringList{QStringLiteral("Tyrin"), QStringLiteral("Newcomer")}));
  EXPECT_EQ(List.PendingIds(), std::vector<int32_t>{-1});
}

TEST_F(TIgnoreListTest, ANameIsListedOnceWhateverItsCase) {
  List.Ignore(QStringLiteral("John"));
  List.Ignore(QStringLiteral("Anna"));
  EXPECT_EQ(List.Ignore(QStringLiteral(" jOHN ")), QStringLiteral("John"));
  EXPECT_EQ(List.Names(), (QStringList{QStringLiteral("Anna"), QStringLiteral("John")}));
  EXPECT_TRUE(List.IsIgnored(QStringLiteral("JOHN")));
  EXPECT_FALSE(List.IsIgnored(QStringLiteral("Johnny")));
  EXPECT_EQ(List.Ignore(QStringLiteral("   ")), QString());
  EXPECT_EQ(List.Names().size(), 2);
}

TEST_F(TIgnoreListTest, RecasingTouchesLettersAToZOnly) {
  EXPECT_EQ(RecaseName(QStringLiteral("  mcDONALD-jr\t")), QStringLiteral("Mcdonald-jr"));
  EXPECT_EQ(RecaseName(QStringLiteral("äBC")), QStringLiteral("äbc"));
  EXPECT_EQ(RecaseName(QString()), QString());
}

TEST_F(TIgnoreListTest, UnignoredBuddiesGoBackUnderTheirOwnBranchAndName) {
  Names.Buddies = {{QStringLiteral("McLeod"), true, true},
                   {QStringLiteral("Sleepy"), false, true},
                   {QStringLiteral("Asker"), true, false}};
  Tree[TBuddyBranch::Online] = {QStringLiteral("McLeod")};
  Tree[TBuddyBranch::Offline] = {QStringLiteral("Sleepy")};
  Tree[TBuddyBranch::Unknown] = {QStringLiteral("Asker")};
  for (const char* name : {"mcleod", "SLEEPY", "asker", "Stranger"}) {
    List.Ignore(QString::fromLatin1(name));
  }
  EXPECT_TRUE(Tree[TBuddyBranch::Online].isEmpty());

  for (const char* name : {"MCLEOD", "sleepy", "Asker", "stranger"}) {
    List.Unignore(QString::fromLatin1(name));
  }
  EXPECT_TRUE(List.Names().isEmpty());
  // The buddy list's spelling, so the buddy events find the node again.
  EXPECT_EQ(Tree[TBuddyBranch::Online], QStringList{QStringLiteral("McLeod")});
  EXPECT_EQ(Tree[TBuddyBranch::Offline], QStringList{QStringLiteral("Sleepy")});
  EXPECT_EQ(Tree[TBuddyBranch::Unknown], QStringList{QStringLiteral("Asker")});

  // A buddy who was not ignored keeps the one node it has.
  List.Unignore(QStringLiteral("McLeod"));
  EXPECT_EQ(Tree[TBuddyBranch::Online], QStringList{QStringLiteral("McLeod")});
}

TEST_F(TIgnoreListTest, UnignoringANameDropsItsKeptId) {
  const QString path = Write(File({1, 42}));
  List.LoadIgnoreList(path);
  ASSERT_EQ(List.PendingIds(), std::vector<int32_t>{42});
  Names.Ids = {{QStringLiteral("Late"), 42}};
  List.Unignore(QStringLiteral("late"));
  EXPECT_TRUE(List.PendingIds().empty());
}

TEST_F(TIgnoreListTest, BadFilesAreReportedWithThePathAndAddNothing) {
  Names.Ids = {{QStringLiteral("Tyrin"), 7}};
  List.Ignore(QStringLiteral("Kept"));
  struct TCase {
    const char* Name;
    QByteArray Bytes;
    QString Message;
  };
  const TCase cases[] = {
      {"empty", QByteArray(),
       QStringLiteral("Ignore list file too short: 0 bytes, the entry count alone takes 4")},
      {"short count", QByteArray("\x01\x00", 2),
       QStringLiteral("Ignore list file too short: 2 bytes, the entry count alone takes 4")},
      {"truncated", File({3, 7, 7}),
       QStringLiteral("Ignore list file truncated: 3 entries announced, 2 present")},
      {"cut inside an id", File({1}) + QByteArray("\x07\x00", 2),
       QStringLiteral("Ignore list file truncated: 1 entries announced, 0 present")},
      {"trailing bytes", File({1, 7}) + QByteArray("x"),
       QStringLiteral("Ignore list file malformed: 1 bytes follow the 1 entries announced")},
      {"text", QByteArray("Hello, this is not a list"),
       QStringLiteral("Ignore list file truncated: 1819043144 entries announced, 5 present")},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Lines.clear();
    const QString path = Write(c.Bytes);
    List.LoadIgnoreList(path);
    EXPECT_EQ(Lines, QStringList{c.Message + QStringLiteral(": ") + path});
    EXPECT_EQ(List.Names(), QStringList{QStringLiteral("Kept")});
    EXPECT_TRUE(List.PendingIds().empty());
  }
}

TEST_F(TIgnoreListTest, AMissingFileIsFileNotFound) {
  const QString path = PathOf(QStringLiteral("nothing/IgnoreList.bin"));
  List.LoadIgnoreList(path);
  EXPECT_EQ(Lines, QStringList{QStringLiteral("File not found: ") + path});
  EXPECT_TRUE(List.Names().isEmpty());
}

TEST_F(TIgnoreListTest, AFailedLookUpLeavesTheOldFileWhole) {
  const QString path = Write(File({1, 5}));
  Names.Ids = {{QStringLiteral("Known"), 5}};
  List.Ignore(QStringLiteral("Known"));
  List.Ignore(QStringLiteral("Unresolvable"));

  List.SaveIgnoreList(path);

  EXPECT_EQ(Read(path), File({1, 5}));
  EXPECT_EQ(Lines, QStringList{QStringLiteral(
                                   "Packet type Name Lookup not allowed in state Disconnected: ") +
                               path});
  // Nothing but the file is left behind.
  EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("IgnoreList.bin")});
}

TEST_F(TIgnoreListTest, AFolderThatIsNotThereIsReportedOnWrite) {
  const QString path = PathOf(QStringLiteral("gone/IgnoreList.bin"));
  List.SaveIgnoreList(path);
  EXPECT_EQ(Lines, QStringList{QStringLiteral("Path not found: ") + path});
}

TEST_F(TIgnoreListTest, FilePathsFollowTheMode) {
  const QString sep = QDir::separator();
  TIgnoreFileSettings settings;
  settings.VeyraDirectory = QStringLiteral("C:\\Program Files\\Kestrin\\Veyra\\");
  settings.IgnoreAllFolder = QStringLiteral("D:\\Shared");
  EXPECT_EQ(IgnoreListPath(settings, QStringLiteral("acct"), 1234567),
            settings.VeyraDirectory + QStringLiteral("Prefs") + sep + QStringLiteral("acct") + sep +
                QStringLiteral("Char1234567") + sep + QStringLiteral("IgnoreList.bin"));
  settings.IgnoreMode = 1;
  EXPECT_EQ(IgnoreListPath(settings, QStringLiteral("acct"), 1234567),
            QStringLiteral("D:\\Shared") + sep + QStringLiteral("IgnoreList.bin"));
  EXPECT_EQ(JoinIgnorePath(QStringLiteral("/games/veyra/"), QStringLiteral("IgnoreList.bin")),
            QStringLiteral("/games/veyra/IgnoreList.bin"));
}

TEST_F(TIgnoreListTest, ACharactersFileIsFoundThroughItsId) {
  Names.Ids = {{QStringLiteral("Mychar"), 1234567}, {QStringLiteral("Tyrin"), 7}};
  QDir(Dir.path()).mkpath(QStringLiteral("Prefs/acct/Char1234567"));
  Write(File({1, 7}), QStringLiteral("Prefs/acct/Char1234567/IgnoreList.bin"));
  TIgnoreFileSettings settings;
  settings.VeyraDirectory = Dir.path() + QLatin1Char('/');

  List.LoadForCharacter(settings, QStringLiteral("acct"), QStringLiteral("mychar"));
  EXPECT_EQ(List.Names(), QStringList{QStringLiteral("Tyrin")});

  List.Ignore(QStringLiteral("Mychar"));
  List.SaveForCharacter(settings, QStringLiteral("acct"), QStringLiteral("Mychar"));
  EXPECT_EQ(Read(PathOf(QStringLiteral("Prefs/acct/Char1234567/IgnoreList.bin"))),
            File({2, 7, 1234567}));
  EXPECT_TRUE(Lines.isEmpty());
}

TEST(IgnoreFileFormat, CountsBeyondTheLimitAreRefused) {
  QByteArray bytes = File({TIgnoreList::kMaxEntries + 1});
  bytes.append(QByteArray(4 * static_cast<qsizetype>(TIgnoreList::kMaxEntries + 1), '\0'));
  try {
    TIgnoreList::ParseIgnoreFile(bytes);
    FAIL() << "accepted";
  } catch (const TChatException& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Ignore list file too long: 1048577 entries, at most "
                                          "1048576"));
  }
}

} // namespace
} // namespace tessra

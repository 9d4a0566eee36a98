#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_set>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tessra {

class TVeyraChat;

// The four top-level nodes of the buddy tree, in tree order.
enum class TBuddyBranch : uint8_t { Online = 0, Offline = 1, Unknown = 2, Ignoring = 3 };

// Where the game's ignore list file of a character is kept.
struct TIgnoreFileSettings {
  int32_t IgnoreMode = 0; // 0: one file per account and character; 1: one shared file
  QString VeyraDirectory;
  QString IgnoreAllFolder;
};

// A folder setting and a file name in it. The folders are stored with a trailing separator of
// either kind; one is added when it is missing, as the platform writes it.
QString JoinIgnorePath(const QString& folder, const QString& relative);

// The ignore list file: the shared file in IgnoreAllFolder (mode 1), or the one under the game
// folder's "Prefs" tree for the account and the character's id (mode 0).
QString IgnoreListPath(const TIgnoreFileSettings& settings, const QString& account, int32_t charId);

// The name with surrounding blanks removed, its first letter upper case and the others lower
// case (letters A to Z only).
QString RecaseName(const QString& name);

// The ignore list: the names under the buddy tree's "Ignoring" node, which it reads from and
// writes to the game's IgnoreList.bin files (a little-endian count, then that many 32-bit
// character ids). Ids whose names the name cache does not know yet are kept aside and written
// back, so reading and then writing a file never loses an entry.
class TIgnoreList {
public:
  // The buddy tree's nodes the list works on.
  class TTree {
  public:
    virtual ~TTree() = default;
    // The texts of the children of one top-level node, in tree order.
    virtual QStringList Children(TBuddyBranch branch) const = 0;
    virtual void RemoveChild(TBuddyBranch branch, int index) = 0;
    // A new last child of "Ignoring".
    virtual void AppendIgnored(const QString& name) = 0;
    // A buddy node as the buddy events add it (branch, icon and order by its state).
    virtual void AddFriend(const QString& name, bool online, bool accepted) = 0;
  };

  struct TBuddy {
    QString Name;
    bool Online = false;
    bool Accepted = false;
  };

  // The engine's name cache and buddy list.
  class TNames {
  public:
    virtual ~TNames() = default;
    // The cached name of an id, or empty.
    virtual QString GetName(int32_t id) const = 0;
    // The id of a name; may ask the server and wait, and fails unless a character is logged in.
    // -1 for a name the server does not know.
    virtual int32_t GetID(const QString& name) = 0;
    virtual std::optional<TBuddy> FindFriend(const QString& name) const = 0;
  };

  // The names of a running engine; names travel as UTF-8.
  class TEngineNames : public TNames {
  public:
    explicit TEngineNames(TVeyraChat& engine) : Engine(engine) {}
    QString GetName(int32_t id) const override;
    int32_t GetID(const QString& name) override;
    std::optional<TBuddy> FindFriend(const QString& name) const override;

  private:
    TVeyraChat& Engine;
  };

  TIgnoreList(TTree& tree, TNames& names, std::function<void(const QString&)> addSystemLine);
  TIgnoreList(const TIgnoreList&) = delete;
  TIgnoreList& operator=(const TIgnoreList&) = delete;

  // Whether a child of "Ignoring" has that name, letter case ignored.
  bool IsIgnored(const QString& name) const;
  // Takes the name out of the buddy nodes and lists it, re-cased, as the last ignored name.
  // Returns the re-cased name (the new popup character), empty when there is no name.
  QString Ignore(const QString& name);
  // Takes the name off the list; a buddy goes back to its buddy node. Returns the re-cased name.
  QString Unignore(const QString& name);
  // The names listed, in order.
  QStringList Names() const;
  // Ids read from files whose names are not known yet, in the order first read.
  const std::vector<int32_t>& PendingIds() const { return Pending; }
  // Lists the kept ids whose names the cache has learnt since.
  void ResolvePendingIds();

  // Adds the ids of a file to the list. A missing, unreadable, truncated or malformed file adds
  // nothing and is reported as the error's text, ": " and the path.
  void LoadIgnoreList(const QString& path);
  // Writes the list (and the ids kept aside) as a file. Every name is resolved before the file
  // is touched, and the file is replaced as a whole; a failure leaves the old file and is
  // reported like a read failure.
  void SaveIgnoreList(const QString& path);

  // The file of a character (its id from the name cache): read at login, written at the end.
  void LoadForCharacter(const TIgnoreFileSettings& settings, const QString& account,
                        const QString& charName);
  void SaveForCharacter(const TIgnoreFileSettings& settings, const QString& account,
                        const QString& charName);

  // The file as its bytes; the reader takes every length from the bytes present. Throws
  // TChatException for a file that is not an ignore list.
  static std::vector<int32_t> ParseIgnoreFile(const QByteArray& bytes);
  static QByteArray FormatIgnoreFile(const std::vector<int32_t>& ids);

  // The most entries a file may hold; the game's lists are far shorter.
  static constexpr uint32_t kMaxEntries = 1u << 20;

private:
  void Report(const QString& error, const QString& path) const;
  bool RemoveFirst(TBuddyBranch branch, const QString& name);
  void AddId(int32_t id);

  TTree& Tree;
  TNames& NameCache;
  std::function<void(const QString&)> AddSystemLine;
  std::vector<int32_t> Pending;
  // The same ids, for a membership test that stays quick with a list of a million entries.
  std::unordered_set<int32_t> PendingSet;
};

} // namespace tessra

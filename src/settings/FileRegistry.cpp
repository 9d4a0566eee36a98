#include "FileRegistry.h"

#include <cmath>
#include <utility>
#include <vector>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSaveFile>

#include "common/ChatException.h"

namespace tessra {

namespace {

constexpr const char* kFormatName = "tessra-settings";
constexpr int kFormatVersion = 1;

struct TValue {
  QString Name;
  TRegistryValueType Type = TRegistryValueType::None;
  uint32_t Dword = 0;
  QString Text;
};

struct TNode {
  QString Name;
  std::vector<TValue> Values;
  std::vector<std::shared_ptr<TNode>> Keys;
  bool Deleted = false;

  const TValue* FindValue(const QString& name) const {
    for (const TValue& value : Values) {
      if (value.Name.compare(name, Qt::CaseInsensitive) == 0) {
        return &value;
      }
    }
    return nullptr;
  }
  TValue& ValueSlot(const QString& name) {
    for (TValue& value : Values) {
      if (value.Name.compare(name, Qt::CaseInsensitive) == 0) {
        return value;
      }
    }
    Values.push_back(TValue{name, TRegistryValueType::None, 0, QString()});
    return Values.back();
  }
  std::shared_ptr<TNode> FindKey(const QString& name) const {
    for (const auto& key : Keys) {
      if (key->Name.compare(name, Qt::CaseInsensitive) == 0) {
        return key;
      }
    }
    return nullptr;
  }
};

void MarkDeleted(TNode& node) {
  node.Deleted = true;
  for (const auto& key : node.Keys) {
    MarkDeleted(*key);
  }
}

// A malformed entry anywhere makes the whole file unreadable: taking only the
// parts that look right and then saving would silently drop the rest.
bool ReadNode(const QJsonObject& json, TNode& node) {
  const QJsonValue values = json.value(QLatin1String("values"));
  const QJsonValue keys = json.value(QLatin1String("keys"));
  if ((!values.isUndefined() && !values.isObject()) || (!keys.isUndefined() && !keys.isArray())) {
    return false;
  }
  const QJsonObject valueObject = values.toObject();
  for (auto it = valueObject.begin(); it != valueObject.end(); ++it) {
    if (!it.value().isObject()) {
      return false;
    }
    const QJsonObject entry = it.value().toObject();
    const QString type = entry.value(QLatin1String("type")).toString();
    const QJsonValue content = entry.value(QLatin1String("value"));
    TValue& slot = node.ValueSlot(it.key());
    if (type == QLatin1String("dword") && content.isDouble()) {
      const double number = content.toDouble();
      if (number < 0 || number > 4294967295.0 || std::floor(number) != number) {
        return false;
      }
      slot.Type = TRegistryValueType::Dword;
      slot.Dword = static_cast<uint32_t>(number);
    } else if (type == QLatin1String("sz") && content.isString()) {
      slot.Type = TRegistryValueType::String;
      slot.Text = content.toString();
    } else {
      return false;
    }
  }
  for (const QJsonValue& keyValue : keys.toArray()) {
    if (!keyValue.isObject()) {
      return false;
    }
    const QJsonObject keyObject = keyValue.toObject();
    const QJsonValue name = keyObject.value(QLatin1String("name"));
    if (!name.isString() || name.toString().isEmpty() ||
        name.toString().contains(QLatin1Char('\\'))) {
      return false;
    }
    std::shared_ptr<TNode> child = node.FindKey(name.toString());
    if (!child) {
      child = std::make_shared<TNode>();
      child->Name = name.toString();
      node.Keys.push_back(child);
    }
    if (!ReadNode(keyObject, *child)) {
      return false;
    }
  }
  return true;
}

QJsonObject WriteNode(const TNode& node) {
  QJsonObject json;
  if (!node.Name.isEmpty()) {
    json.insert(QLatin1String("name"), node.Name);
  }
  QJsonObject values;
  for (const TValue& value : node.Values) {
    QJsonObject entry;
    if (value.Type == TRegistryValueType::Dword) {
      entry.insert(QLatin1String("type"), QLatin1String("dword"));
      entry.insert(QLatin1String("value"), static_cast<double>(value.Dword));
    } else {
      entry.insert(QLatin1String("type"), QLatin1String("sz"));
      entry.insert(QLatin1String("value"), value.Text);
    }
    values.insert(value.Name, entry);
  }
  json.insert(QLatin1String("values"), values);
  QJsonArray keys;
  for (const auto& key : node.Keys) {
    keys.append(WriteNode(*key));
  }
  json.insert(QLatin1String("keys"), keys);
  return json;
}

QStringList SplitPath(const QString& path) {
  return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

} // namespace

struct TFileRegistry::TState {
  TFileRegistry* Owner = nullptr;
  std::shared_ptr<TNode> Root = std::make_shared<TNode>();
  bool Dirty = false;
  // Set when the file on disk could not be read nor moved aside: it is never
  // overwritten then, so nothing the user had is destroyed.
  bool ReadOnly = false;
  // A failed save is reported once: every later key close (and the final
  // flush) tries again, and a full disk must not fill the console with the
  // same sentence. A save that works clears it.
  bool SaveFailureReported = false;
  int OpenKeys = 0;

  void KeyClosed() {
    --OpenKeys;
    if (OpenKeys == 0 && Dirty && Owner != nullptr) {
      Owner->Flush();
    }
  }
};

namespace {

class TFileRegistryKey : public TRegistryKey {
public:
  TFileRegistryKey(std::shared_ptr<TFileRegistry::TState> state, std::shared_ptr<TNode> node)
      : State(std::move(state)), Node(std::move(node)) {
    ++State->OpenKeys;
  }
  ~TFileRegistryKey() override { State->KeyClosed(); }
  TFileRegistryKey(const TFileRegistryKey&) = delete;
  TFileRegistryKey& operator=(const TFileRegistryKey&) = delete;

  TRegistryValueType ValueType(const QString& name) const override {
    const TValue* value = Node->FindValue(name);
    return value != nullptr ? value->Type : TRegistryValueType::None;
  }
  uint32_t ReadDword(const QString& name, uint32_t defaultValue) const override {
    const TValue* value = Node->FindValue(name);
    return value != nullptr && value->Type == TRegistryValueType::Dword ? value->Dword
                                                                        : defaultValue;
  }
  QString ReadString(const QString& name, const QString& defaultValue) const override {
    const TValue* value = Node->FindValue(name);
    return value != nullptr && value->Type == TRegistryValueType::String ? value->Text
                                                                         : defaultValue;
  }
  void WriteDword(const QString& name, uint32_t value) override {
    if (Node->Deleted) {
      return;
    }
    TValue& slot = Node->ValueSlot(name);
    slot.Type = TRegistryValueType::Dword;
    slot.Dword = value;
    slot.Text.clear();
    State->Dirty = true;
  }
  void WriteString(const QString& name, const QString& value) override {
    if (Node->Deleted) {
      return;
    }
    TValue& slot = Node->ValueSlot(name);
    slot.Type = TRegistryValueType::String;
    slot.Dword = 0;
    slot.Text = value;
    State->Dirty = true;
  }
  void DeleteValue(const QString& name) override {
    auto& values = Node->Values;
    for (auto it = values.begin(); it != values.end(); ++it) {
      if (it->Name.compare(name, Qt::CaseInsensitive) == 0) {
        values.erase(it);
        State->Dirty = true;
        return;
      }
    }
  }
  QStringList SubKeyNames() const override {
    QStringList names;
    for (const auto& key : Node->Keys) {
      names.append(key->Name);
    }
    return names;
  }
  bool DeleteSubKey(const QString& name) override {
    auto& keys = Node->Keys;
    for (auto it = keys.begin(); it != keys.end(); ++it) {
      if ((*it)->Name.compare(name, Qt::CaseInsensitive) == 0) {
        // Keys still open below keep their node but can no longer write.
        MarkDeleted(**it);
        keys.erase(it);
        State->Dirty = true;
        return true;
      }
    }
    return false;
  }

private:
  std::shared_ptr<TFileRegistry::TState> State;
  std::shared_ptr<TNode> Node;
};

} // namespace

TFileRegistry::TFileRegistry(QString filePath)
    : Path(std::move(filePath)), State(std::make_shared<TState>()) {
  State->Owner = this;
  WriteHook = [](QIODevice& device, const QByteArray& data) {
    return device.write(data) == data.size();
  };
}

TFileRegistry::~TFileRegistry() {
  Flush();
  // Keys that outlive the store keep working in memory but write nothing.
  State->Owner = nullptr;
}

void TFileRegistry::Load() {
  State->Root = std::make_shared<TNode>();
  State->Dirty = false;
  State->ReadOnly = false;
  QFile file(Path);
  if (!file.exists()) {
    return;
  }
  auto report = [this](const QString& message) {
    if (OnProblem) {
      OnProblem(*this, message);
    }
  };
  if (!file.open(QIODevice::ReadOnly)) {
    State->ReadOnly = true;
    report(QString::fromStdString(FormatMessage(
        "The settings file %s could not be read (%s); the default settings are used and "
        "changes will not be saved.",
        {QDir::toNativeSeparators(Path).toStdString(), file.errorString().toStdString()})));
    return;
  }
  const QByteArray content = file.readAll();
  file.close();

  if (LoadContent(content)) {
    return;
  }

  const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  QString backup = Path + QStringLiteral(".bad-") + stamp;
  for (int n = 2; QFileInfo::exists(backup); ++n) {
    backup = Path + QStringLiteral(".bad-") + stamp + QLatin1Char('-') + QString::number(n);
  }
  if (QFile::rename(Path, backup)) {
    report(QString::fromStdString(
        FormatMessage("The settings file %s could not be read; it was kept as %s and the "
                      "default settings are used.",
                      {QDir::toNativeSeparators(Path).toStdString(),
                       QDir::toNativeSeparators(backup).toStdString()})));
  } else {
    State->ReadOnly = true;
    report(QString::fromStdString(
        FormatMessage("The settings file %s could not be read; the default settings are used "
                      "and changes will not be saved.",
                      {QDir::toNativeSeparators(Path).toStdString()})));
  }
}

bool TFileRegistry::LoadContent(const QByteArray& content) {
  QJsonParseError parseError{};
  const QJsonDocument document = QJsonDocument::fromJson(content, &parseError);
  auto root = std::make_shared<TNode>();
  const QJsonObject top = document.object();
  const bool valid = parseError.error == QJsonParseError::NoError && document.isObject() &&
                     top.value(QLatin1String("format")).toString() == QLatin1String(kFormatName) &&
                     top.value(QLatin1String("version")).toInt() == kFormatVersion &&
                     top.value(QLatin1String("root")).isObject() &&
                     ReadNode(top.value(QLatin1String("root")).toObject(), *root);
  State->Root = valid ? root : std::make_shared<TNode>();
  return valid;
}

QByteArray TFileRegistry::Content() const {
  QJsonObject top;
  top.insert(QLatin1String("format"), QLatin1String(kFormatName));
  top.insert(QLatin1String("version"), kFormatVersion);
  top.insert(QLatin1String("root"), WriteNode(*State->Root));
  return QJsonDocument(top).toJson(QJsonDocument::Indented);
}

bool TFileRegistry::Flush() {
  if (!State->Dirty || State->ReadOnly) {
    return !State->Dirty;
  }
  const QByteArray data = Content();

  QDir().mkpath(QFileInfo(Path).absolutePath());
  QSaveFile file(Path);
  bool saved = file.open(QIODevice::WriteOnly);
  if (saved) {
    // The bytes sit in the file's buffer until flushed; a flush that fails (a full disk) is
    // not seen by commit, which would put a cut-short file in place of the old one.
    saved = WriteHook(file, data) && file.flush();
    if (saved) {
      saved = file.commit();
    } else {
      file.cancelWriting();
    }
  }
  if (saved) {
    State->Dirty = false;
    State->SaveFailureReported = false;
  } else if (!State->SaveFailureReported && OnProblem) {
    State->SaveFailureReported = true;
    OnProblem(*this, QString::fromStdString(FormatMessage(
                         "The settings could not be saved to %s (%s); the previous file is kept.",
                         {QDir::toNativeSeparators(Path).toStdString(),
                          file.errorString().toStdString()})));
  }
  return saved;
}

std::unique_ptr<TRegistryKey> TFileRegistry::OpenKey(const QString& path, bool canCreate) {
  std::shared_ptr<TNode> node = State->Root;
  for (const QString& part : SplitPath(path)) {
    std::shared_ptr<TNode> child = node->FindKey(part);
    if (!child) {
      if (!canCreate) {
        return nullptr;
      }
      child = std::make_shared<TNode>();
      child->Name = part;
      node->Keys.push_back(child);
      State->Dirty = true;
    }
    node = child;
  }
  return std::make_unique<TFileRegistryKey>(State, node);
}

} // namespace tessra

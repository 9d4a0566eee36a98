#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QString>

namespace tessra {

// A chat server the user can connect to.
class TDimensionInfo {
public:
  TDimensionInfo() = default;
  TDimensionInfo(QString name, QString description, int32_t port, QString host)
      : Name(std::move(name)), Description(std::move(description)), Host(std::move(host)),
        Port(port) {}

  void SetName(const QString& value) { Name = value; }
  void SetDescription(const QString& value) { Description = value; }
  void SetHost(const QString& value) { Host = value; }
  void SetPort(int32_t value) { Port = value; }
  void SetBuiltIn(bool value) { BuiltIn = value; }

  QString Name;
  QString Description;
  QString Host;
  int32_t Port = 0;
  bool BuiltIn = false;
};

// The live and test chat hosts of the built-in dimensions. They are
// placeholders: nothing in this project contacts them.
inline constexpr const char* kLiveChatHost = "chat.veyra.example";
inline constexpr const char* kTestChatHost = "chat-test.veyra.example";

// The configured dimensions; owns its entries. Created with the four
// built-in dimensions; afterwards changed only by the host.
class TDimensionList {
public:
  TDimensionList();

  int Add(std::unique_ptr<TDimensionInfo> info);
  TDimensionInfo* AddNew(const QString& name, const QString& description, int32_t port,
                         const QString& host);
  // Fails with the list's index error outside 0..Count()-1.
  TDimensionInfo* Get(int index) const;
  int Count() const { return static_cast<int>(Items.size()); }
  int IndexOf(const TDimensionInfo* info) const;
  // Letter case ignored.
  int IndexOfName(const QString& name) const;
  void Delete(int index);
  void Remove(const TDimensionInfo* info);
  void Clear();
  // Puts the built-in dimensions into an empty list.
  void AddBuiltIns();

private:
  std::vector<std::unique_ptr<TDimensionInfo>> Items;
};

} // namespace tessra

#pragma once

#include <deque>
#include <functional>
#include <optional>

#include <QStringList>

#include "settings/LoginStore.h"
#include "settings/OptionsHost.h"

namespace tessra::test {

// The main window as the option pages see it: settings, logins, dimensions
// and proxy held here; every apply call is recorded (with the settings as
// they were at that moment) and the pickers take queued answers (cancelled
// when none is left).
class TFakeOptionsHost : public TOptionsHost {
public:
  TFakeOptionsHost() { MarkBuiltInDimensions(DimensionList); }

  TSettings Values;
  TLoginArray LoginArray;
  TDimensionList DimensionList;
  TProxySettings Proxy;
  QStringList Calls;
  std::vector<TSettings> SettingsAtCall;

  std::function<bool(TDimensionList&)> OnManageDimensions;
  std::deque<std::unique_ptr<TDimensionInfo>> NewDimensions;
  std::deque<std::optional<QColor>> Colors;
  std::vector<QColor> ColorStarts;
  std::deque<std::optional<TFontSettings>> Fonts;
  std::vector<TFontSettings> FontStarts;
  std::deque<std::optional<QString>> Folders;
  QStringList FolderRequests; // "title|start"

  TSettings& Settings() override { return Values; }
  const TLoginArray& Logins() const override { return LoginArray; }
  TDimensionList& Dimensions() override { return DimensionList; }
  bool ManageDimensions(QWidget*) override {
    Record(QStringLiteral("ManageDimensions"));
    return OnManageDimensions ? OnManageDimensions(DimensionList) : false;
  }
  std::unique_ptr<TDimensionInfo> NewDimension(QWidget*) override {
    Record(QStringLiteral("NewDimension"));
    if (NewDimensions.empty()) {
      return nullptr;
    }
    auto dimension = std::move(NewDimensions.front());
    NewDimensions.pop_front();
    return dimension;
  }
  TProxySettings GetProxy() const override { return Proxy; }
  void ApplyProxy(const TProxySettings& proxy) override {
    Proxy = proxy;
    Record(QStringLiteral("ApplyProxy"));
  }
  void SetLogging(bool logging) override {
    Record(QStringLiteral("SetLogging(%1)").arg(logging ? 1 : 0));
  }
  void UpdateAwayTimer() override { Record(QStringLiteral("UpdateAwayTimer")); }
  void ApplyFonts() override { Record(QStringLiteral("ApplyFonts")); }
  void ApplyChatWindow() override { Record(QStringLiteral("ApplyChatWindow")); }

  std::optional<QColor> PickColor(QWidget*, const QColor& initial) override {
    ColorStarts.push_back(initial);
    return Take(Colors);
  }
  std::optional<TFontSettings> PickFont(QWidget*, const TFontSettings& initial) override {
    FontStarts.push_back(initial);
    return Take(Fonts);
  }
  std::optional<QString> BrowseFolder(QWidget*, const QString& title,
                                      const QString& start) override {
    FolderRequests.append(title + QStringLiteral("|") + start);
    return Take(Folders);
  }

private:
  void Record(const QString& call) {
    Calls.append(call);
    SettingsAtCall.push_back(Values);
  }
  template <class T> static std::optional<T> Take(std::deque<std::optional<T>>& queue) {
    if (queue.empty()) {
      return std::nullopt;
    }
    std::optional<T> answer = std::move(queue.front());
    queue.pop_front();
    return answer;
  }
};

} // namespace tessra::test

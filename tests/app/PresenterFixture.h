#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QString>
#include <QTemporaryDir>
#include <QTime>
#include <gtest/gtest.h>

#include "app/ChatLogWriter.h"
#include "app/ChatPresenter.h"
#include "app/GroupPanelView.h"
#include "engine/VeyraChat.h"

namespace tessra::testing {

// 14:05 on a fixed day, local time.
inline QDateTime FixedTime() {
  return QDateTime(QDate(2026, 5, 1), QTime(14, 5, 0));
}
inline QLocale EnglishLocale() {
  return QLocale(QLocale::English, QLocale::UnitedStates);
}

// Stand-ins for the shared transforms with the behaviour the presenter relies on: UTF-8 both
// ways, received text passed through as mark-up (recording the message colour asked for), and
// colour codes removed.
struct TTransformRecorder {
  std::vector<std::optional<QColor>> Colors;

  TChatTextTransforms Make() {
    TChatTextTransforms t;
    t.DecodeChatText = [](QByteArrayView b) { return QString::fromUtf8(b); };
    t.EncodeChatText = [](const QString& s) { return s.toUtf8(); };
    t.ReplaceLiterals = [this](QByteArrayView b, const TBlob*, const std::optional<QColor>& c) {
      Colors.push_back(c);
      return QString::fromUtf8(b);
    };
    t.StripColorCodes = [](const QString& s) {
      QString out;
      for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c == 0x10) {
          ++i;
        } else if (c != 0x11 && c != 0x12) {
          out += s[i];
        }
      }
      return out;
    };
    t.ColorToHex = [](const QColor& c) {
      return QStringLiteral("%1").arg(c.rgb() & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper();
    };
    return t;
  }
};

// The group panel in memory.
class TFakeGroupPanel : public TGroupPanelView {
public:
  class TNode : public TGroupPanelNode {
  public:
    explicit TNode(QString text) : NodeText(std::move(text)) {}
    QString Text() const override { return NodeText; }
    TGroupNodeIcon Icon() const override { return NodeIcon; }
    void SetIcon(TGroupNodeIcon icon) override { NodeIcon = icon; }

    QString NodeText;
    TGroupNodeIcon NodeIcon = TGroupNodeIcon::None;
  };

  void BeginGroupUpdate() override { ++UpdateDepth; }
  void EndGroupUpdate() override {
    --UpdateDepth;
    ++UpdatesEnded;
  }
  TGroupPanelNode* GetPublicGroupNode(const QString& groupName) override {
    if (Refused.contains(groupName)) {
      return nullptr;
    }
    TNode*& node = PublicNodes[groupName.toLower()];
    if (node == nullptr) {
      Owned.push_back(std::make_unique<TNode>(groupName));
      node = Owned.back().get();
    }
    return node;
  }
  bool HasPrivateGroupNode(const QString& groupName) const override {
    return PrivateGroups.contains(groupName.toLower());
  }
  bool IsPrivateGroupMuted(const QString& groupName) const override {
    const auto it = PrivateGroups.find(groupName.toLower());
    return it == PrivateGroups.end() || it->second;
  }
  void RemovePrivateGroup(const QString& groupName) override {
    Removed.push_back(groupName);
    PrivateGroups.erase(groupName.toLower());
  }

  // Private groups by lower-case name, muted or not.
  std::map<QString, bool> PrivateGroups;
  std::map<QString, TNode*> PublicNodes;
  std::set<QString> Refused;
  std::vector<QString> Removed;
  int UpdateDepth = 0;
  int UpdatesEnded = 0;

private:
  std::vector<std::unique_ptr<TNode>> Owned;
};

struct TConsoleLine {
  QString Markup;
  bool ParseUrls = false;
};

// A presenter with a capturing console, a log writer in a temporary folder and an engine whose
// group list the handlers read; the clock stands at 14:05.
class TPresenterTest : public ::testing::Test {
protected:
  TPresenterTest()
      : Presenter(
            Recorder.Make(),
            [this](const QString& markup, bool parseUrls) {
              Lines.push_back({markup, parseUrls});
            },
            Log, Panel) {
    Presenter.Clock = FixedTime;
    Presenter.Locale = EnglishLocale();
    Log.Clock = FixedTime;
    Log.Locale = EnglishLocale();
    Log.Settings().LoggingFolder = LogFolder();
  }

  QString LogFolder() const { return Dir.path() + QStringLiteral("/Logs"); }
  QByteArray ReadLog(const QString& fileName) const {
    QFile file(LogFolder() + QLatin1Char('/') + fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  // The line's mark-up after the time stamp and indent, for tests that do not look at those.
  QString LastMarkup() const { return Lines.empty() ? QString() : Lines.back().Markup; }

  QTemporaryDir Dir;
  TTransformRecorder Recorder;
  TChatLogWriter Log;
  TFakeGroupPanel Panel;
  std::vector<TConsoleLine> Lines;
  TChatPresenter Presenter;
  TVeyraChat Engine;
};

} // namespace tessra::testing

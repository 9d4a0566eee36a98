// Feeds arbitrary reference texts through the reference viewer's page building and runs every
// action of the page through the reference commands, checking what each promises: no colour code
// is left in the page, every action comes from a link of the text, a failed page has nothing,
// and only web addresses ever reach the opener. The first byte chooses the item database.

#include <cstddef>
#include <cstdint>

#include <QString>
#include <QStringList>
#include <QUrl>

#include "common/TickSource.h"
#include "display/ReferenceCommands.h"
#include "display/ReferencePage.h"
#include "display/ReferenceRequest.h"
#include "display/SafeUrl.h"

namespace {

void Check(bool condition) {
  if (!condition) {
    __builtin_trap();
  }
}

class TCountingHost : public tessra::TReferenceCommands::THost {
public:
  void TellCommand(const QString& line) override {
    Check(line.startsWith(QLatin1String("/TELL ")));
    ++Calls;
  }
  void AddBuddy(const QString& name) override {
    Check(!name.isEmpty() && !name.contains(QLatin1Char(' ')));
    ++Calls;
  }
  void RemoveBuddy(const QString& name) override {
    Check(!name.isEmpty() && !name.contains(QLatin1Char(' ')));
    ++Calls;
  }
  void AddSystemLine(const QString&) override { ++Calls; }
  void AddErrorLine(const QString&) override { ++Calls; }

  int Calls = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const QString itemDb = (data[0] & 1) != 0 ? QStringLiteral("tarvik") : QStringLiteral("veyradb");
  const QString text =
      QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

  const tessra::TReferencePage page =
      tessra::BuildReferencePage(text, QColor(0xFF, 0xFF, 0xFF), itemDb);
  if (!page.Error.isEmpty()) {
    Check(page.Html.isEmpty() && page.Actions.isEmpty());
    return 0;
  }
  for (const char16_t code : {u'\x10', u'\x11', u'\x12'}) {
    Check(!page.Html.contains(QChar(code)));
  }
  // Each action comes from a link of its own in the text.
  Check(page.Actions.size() <= text.count(QLatin1String("<a ")));

  tessra::TManualTickSource ticks;
  tessra::TReferenceRequest request(ticks);
  tessra::TSafeUrl urls;
  urls.Opener = [](const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    Check(scheme == QLatin1String("http") || scheme == QLatin1String("https"));
    return true;
  };
  TCountingHost host;
  tessra::TReferenceCommands commands(host, request, urls);
  commands.ShowReference = [](const QString&) {};
  commands.HideViewer = [] {};
  for (const QString& action : page.Actions) {
    const QStringList lines = tessra::TReferenceCommands::ActionLines(action);
    qsizetype length = 0;
    for (const QString& line : lines) {
      length += line.size();
    }
    Check(length + 2 * (lines.size() - 1) == action.size());
    commands.RunLinkActions(action);
  }
  return 0;
}

#include "WhoisPresenter.h"

#include "common/Trace.h"
#include "display/WhoisLines.h"
#include "engine/VeyraChat.h"
#include "settings/Prompt.h"

namespace tessra {

TWhoisPresenter::TWhoisPresenter(TVeyraChat& chat, TPrompt& prompt, QWidget* window,
                                 const TWhoisSite& site)
    : Chat(chat), Prompt(prompt), Window(window), Whois(site) {
  Whois.OnWhoisTerminate = [this](TWhois&, const TWhoisResult& result) { WhoisTerminate(result); };
}

void TWhoisPresenter::StartWhois(const QString& name) {
  TraceApp(QStringLiteral("StartWhois ") + name);
  const int dimension = TWhois::WhoisDimension(Chat.DimensionList(), Chat.Dimension);
  if (dimension == 0) {
    Prompt.Information(Window, QString::fromLatin1(kWhoisDimensionMessage));
    return;
  }
  Whois.Start(name, dimension);
}

void TWhoisPresenter::WhoisTerminate(const TWhoisResult& result) {
  if (!result.Success) {
    if (AddErrorLine) {
      AddErrorLine(WhoisFailureLine(result.Name));
    }
    return;
  }
  if (!AddOutputLine) {
    return;
  }
  const QColor valueColor = ValueColor ? ValueColor() : QColor(Qt::black);
  for (const QString& line : WhoisResultLines(result, valueColor)) {
    AddOutputLine(line, kWhoisLabelColor, true);
  }
}

} // namespace tessra

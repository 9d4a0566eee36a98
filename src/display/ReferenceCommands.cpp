#include "display/ReferenceCommands.h"

#include <QUrl>

#include "common/Trace.h"
#include "display/ReferenceRequest.h"
#include "display/SafeUrl.h"
#include "display/TextTransforms.h"

namespace tessra {

namespace {

constexpr QChar kSpace = QLatin1Char(' ');

// Spaces off both ends and every run of them made one.
QString Collapsed(const QString& line) {
  QString out;
  out.reserve(line.size());
  for (const QChar c : line) {
    if (c == kSpace && (out.isEmpty() || out.back() == kSpace)) {
      continue;
    }
    out += c;
  }
  if (!out.isEmpty() && out.back() == kSpace) {
    out.chop(1);
  }
  return out;
}

// The line after its first word and the one space that ends it, as the line stands: the text of
// a page or an address keeps its own spacing.
QString AfterFirstWord(const QString& line) {
  qsizetype i = 0;
  while (i < line.size() && line[i] == kSpace) {
    ++i;
  }
  const qsizetype space = line.indexOf(kSpace, i);
  return space < 0 ? QString() : line.sliced(space + 1);
}

QString Quoted(const char* format, const QString& parameter) {
  return QString::fromLatin1(format).arg(EscapeMarkup(parameter));
}

} // namespace

QStringList TReferenceCommands::ActionLines(const QString& action) {
  QStringList lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i + 1 < action.size(); ++i) {
    if (action[i] == QLatin1Char('\\') && action[i + 1].toLower() == QLatin1Char('n')) {
      lines.append(action.sliced(start, i - start));
      start = i + 2;
      ++i;
    }
  }
  lines.append(action.sliced(start));
  return lines;
}

void TReferenceCommands::RunLinkActions(const QString& action) {
  for (const QString& line : ActionLines(action)) {
    RunReferenceCommand(line);
  }
}

void TReferenceCommands::RunReferenceCommand(const QString& line) {
  const QString collapsed = Collapsed(line);
  if (collapsed.isEmpty()) {
    return;
  }
  TraceApp(QStringLiteral("RunReferenceCommand: ") + collapsed);
  const QStringList words = collapsed.split(kSpace);
  QString command = words.first().toUpper();
  if (command.startsWith(QLatin1Char('/'))) {
    command.remove(0, 1);
  }
  const QString parameter = words.value(1);
  if (command == QLatin1String("TELL")) {
    if (parameter.isEmpty()) {
      Host.AddSystemLine(QStringLiteral("/TELL &lt;Target&gt; &lt;Text&gt;"));
      return;
    }
    Host.TellCommand(QStringLiteral("/TELL ") + AfterFirstWord(collapsed));
    Request.Set(parameter);
  } else if (command == QLatin1String("CC")) {
    const QString sub = parameter.toUpper();
    const QString name = words.value(2);
    if (sub == QLatin1String("ADDBUDDY") || sub == QLatin1String("REMBUDDY")) {
      if (name.isEmpty()) {
        Host.AddSystemLine(QLatin1Char('/') + sub + QStringLiteral(" &lt;Target&gt;"));
      } else if (sub == QLatin1String("ADDBUDDY")) {
        Host.AddBuddy(name);
      } else {
        Host.RemoveBuddy(name);
      }
    } else {
      Host.AddSystemLine(Quoted("Unknown /cc parameter: \"%1\"", parameter));
    }
  } else if (command == QLatin1String("CLOSE")) {
    if (parameter.toUpper() == QLatin1String("INFOVIEW")) {
      if (HideViewer) {
        HideViewer();
      }
    } else {
      Host.AddSystemLine(Quoted("Unknown /close parameter: \"%1\"", parameter));
    }
  } else if (command == QLatin1String("MESSAGEBOX")) {
    QString text = AfterFirstWord(line);
    text.replace(QLatin1Char('\t'), kSpace);
    if (ShowReference) {
      ShowReference(text);
    }
  } else if (command == QLatin1String("START")) {
    Start(AfterFirstWord(line).trimmed());
  } else if (command == QLatin1String("MACRO")) {
    // The game's macros have no meaning outside the game.
  } else {
    Host.AddSystemLine(QStringLiteral("Unknown command ") + EscapeMarkup(command));
  }
}

// Only web addresses leave the viewer: a page could otherwise start a local program or open a
// file on the user's machine.
void TReferenceCommands::Start(const QString& address) {
  if (address.isEmpty()) {
    return;
  }
  const QString scheme = QUrl(address, QUrl::TolerantMode).scheme().toLower();
  if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
    TraceApp(QStringLiteral("RunReferenceCommand: refused to start ") + address);
    Host.AddSystemLine(QStringLiteral("Refused to open \"") + EscapeMarkup(address) +
                       QStringLiteral("\": a reference opens only web addresses."));
    return;
  }
  Urls.Open(address);
}

} // namespace tessra

#include <QComboBox>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QProcessEnvironment>
#include <QTimer>

#include "app/ExceptionHandler.h"
#include "app/FirstPaintReport.h"
#include "app/MainForm.h"
#include "display/WhoisSite.h"
#include "settings/CharSelForm.h"
#include "settings/MessageBoxPrompt.h"
#include "settings/SettingsLocation.h"

namespace {

// The program's prompt, except that with --character the character selection
// is answered with that name (unattended runs: demos, screenshots).
class TProgramPrompt : public tessra::TMessageBoxPrompt {
public:
  QString Character;

  int ExecDialog(QDialog& dialog) override {
    if (auto* select = dynamic_cast<tessra::TCharSelForm*>(&dialog);
        select != nullptr && !Character.isEmpty()) {
      select->CharacterBox()->setEditText(Character);
      select->accept();
      if (dialog.result() == QDialog::Accepted) {
        return QDialog::Accepted;
      }
    }
    return TMessageBoxPrompt::ExecDialog(dialog);
  }
};

} // namespace

int main(int argc, char** argv) {
  tessra::TExceptionHandler app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Tessra"));
  QCoreApplication::setApplicationVersion(QStringLiteral(TESSRA_VERSION));
  QGuiApplication::setApplicationDisplayName(QStringLiteral("Tessra +"));
  // The installed menu entry and icon (tessra.desktop, hicolor "tessra").
  QGuiApplication::setDesktopFileName(QStringLiteral("tessra"));
  QGuiApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tessra")));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Tessra + chat client"));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption settings(QStringLiteral("settings"),
                                    QStringLiteral("Keep the settings in FILE (also "
                                                   "TESSRA_SETTINGS)."),
                                    QStringLiteral("FILE"));
  const QCommandLineOption serverKey(
      QStringLiteral("server-key"),
      QStringLiteral("The public value of the server's login key, in hexadecimal, for a server "
                     "with a key of its own such as tessra-server (also TESSRA_SERVER_KEY)."),
      QStringLiteral("HEX"));
  const QCommandLineOption screenshot(
      QStringLiteral("screenshot"),
      QStringLiteral("Debugging: save a picture of the main window to FILE after the delay."),
      QStringLiteral("FILE"));
  const QCommandLineOption screenshotDelay(
      QStringLiteral("screenshot-delay"),
      QStringLiteral("Milliseconds before the screenshot (default 3000)."), QStringLiteral("MS"),
      QStringLiteral("3000"));
  const QCommandLineOption character(
      QStringLiteral("character"),
      QStringLiteral("Answer the character selection with NAME, for unattended runs."),
      QStringLiteral("NAME"));
  const QCommandLineOption whoisHost(
      QStringLiteral("whois-host"),
      QStringLiteral("Look characters up on the web site at HOST:PORT instead of the game's own "
                     "(also TESSRA_WHOIS_HOST)."),
      QStringLiteral("HOST:PORT"));
  parser.addOptions({settings, serverKey, character, whoisHost, screenshot, screenshotDelay});
  parser.process(app);

  TProgramPrompt prompt;
  prompt.Character = parser.value(character);
  QStringList problems;
  tessra::TMainForm::TOptions options;
  options.Registry =
      tessra::CreateUserRegistry([&problems](const QString& message) { problems.append(message); });
  options.Prompt = &prompt;
  QString key = parser.value(serverKey);
  if (key.isEmpty()) {
    key = QProcessEnvironment::systemEnvironment().value(QStringLiteral("TESSRA_SERVER_KEY"));
  }
  options.ServerKeyHex = key.trimmed().toLower().toStdString();
  QString whois = parser.value(whoisHost);
  if (whois.isEmpty()) {
    whois = QProcessEnvironment::systemEnvironment().value(QStringLiteral("TESSRA_WHOIS_HOST"));
  }
  if (!whois.isEmpty() && !tessra::TWhoisSite::FromHost(whois)) {
    QString shown = whois;
    shown.replace(QLatin1Char('&'), QStringLiteral("&amp;"))
        .replace(QLatin1Char('<'), QStringLiteral("&lt;"))
        .replace(QLatin1Char('>'), QStringLiteral("&gt;"));
    problems.append(QStringLiteral("The whois host \"") + shown +
                    QStringLiteral("\" is not HOST or HOST:PORT; the game's own site is used."));
    whois.clear();
  }
  options.WhoisHost = whois;

  tessra::TMainForm form(std::move(options));
  app.OnException = [&form](tessra::TExceptionHandler&, const QString& message) {
    form.ApplicationEvents1Exception(message);
  };
  for (const QString& problem : problems) {
    form.AddErrorLine(problem);
  }
  tessra::ReportFirstPaint(form);
  form.show();
  form.activateWindow();
  // Without a window manager the window may never be told it is active; the
  // start-up action runs once either way.
  QTimer::singleShot(0, &form, [&form] { form.FormActivate(); });

  if (parser.isSet(screenshot)) {
    const QString file = parser.value(screenshot);
    QTimer::singleShot(parser.value(screenshotDelay).toInt(), &form, [&form, file] {
      QDir().mkpath(QFileInfo(file).absolutePath());
      form.grab().save(file);
    });
  }
  const int result = QApplication::exec();
  app.OnException = nullptr;
  return result;
}

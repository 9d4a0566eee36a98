#include <memory>

#include <QComboBox>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QProcessEnvironment>
#include <QTextStream>
#include <QTimer>

#include "app/DemoMode.h"
#include "app/ExceptionHandler.h"
#include "app/FirstPaintReport.h"
#include "app/MainForm.h"
#include "common/ChatException.h"
#include "display/TextTransforms.h"
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

// The program's options; --help lists them with these texts.
struct TCommandLine {
  QCommandLineParser Parser;
  const QCommandLineOption Demo{
      QStringLiteral("demo"),
      QStringLiteral("Try the program without a game account: starts a chat server with a few "
                     "lively characters inside the program, on this machine only, and opens the "
                     "login dialog ready for it (press Enter twice). Its settings and chat logs "
                     "live in a temporary folder; your own settings are not touched, and "
                     "--settings and --server-key do not apply.")};
  const QCommandLineOption Settings{QStringLiteral("settings"),
                                    QStringLiteral("Keep the settings in FILE (also "
                                                   "TESSRA_SETTINGS)."),
                                    QStringLiteral("FILE")};
  const QCommandLineOption ServerKey{
      QStringLiteral("server-key"),
      QStringLiteral("The public value of the server's login key, in hexadecimal, for a server "
                     "with a key of its own such as tessra-server (also TESSRA_SERVER_KEY)."),
      QStringLiteral("HEX")};
  const QCommandLineOption Character{
      QStringLiteral("character"),
      QStringLiteral("Answer the character selection with NAME, for unattended runs."),
      QStringLiteral("NAME")};
  const QCommandLineOption WhoisHost{
      QStringLiteral("whois-host"),
      QStringLiteral("Look characters up on the web site at HOST:PORT instead of the game's own "
                     "(also TESSRA_WHOIS_HOST)."),
      QStringLiteral("HOST:PORT")};
  const QCommandLineOption Screenshot{
      QStringLiteral("screenshot"),
      QStringLiteral("Debugging: save a picture of the main window to FILE after the delay."),
      QStringLiteral("FILE")};
  const QCommandLineOption ScreenshotDelay{QStringLiteral("screenshot-delay"),
                                           QStringLiteral("Milliseconds before the screenshot "
                                                          "(default 3000)."),
                                           QStringLiteral("MS"), QStringLiteral("3000")};

  TCommandLine() {
    Parser.setApplicationDescription(QStringLiteral("Tessra + chat client"));
    Parser.addHelpOption();
    Parser.addVersionOption();
    Parser.addOptions(
        {Demo, Settings, ServerKey, Character, WhoisHost, Screenshot, ScreenshotDelay});
  }
};

void SetApplicationNames() {
  QCoreApplication::setApplicationName(QStringLiteral("Tessra"));
  QCoreApplication::setApplicationVersion(QStringLiteral(TESSRA_VERSION));
}

// --help and --version answer without a display.
bool OnlyText(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const QByteArray a(argv[i]);
    if (a == "--") {
      break;
    }
    if (a == "-h" || a == "-?" || a == "--help" || a == "--help-all" || a == "-v" ||
        a == "--version") {
      return true;
    }
  }
  return false;
}

} // namespace

int main(int argc, char** argv) {
  if (OnlyText(argc, argv)) {
    const QCoreApplication textOnly(argc, argv);
    SetApplicationNames();
    TCommandLine commandLine;
    commandLine.Parser.process(QCoreApplication::arguments()); // prints, then exits
    return 0;
  }
  tessra::TExceptionHandler app(argc, argv);
  SetApplicationNames();
  QGuiApplication::setApplicationDisplayName(QStringLiteral("Tessra +"));
  // The installed menu entry and icon (tessra.desktop, hicolor "tessra").
  QGuiApplication::setDesktopFileName(QStringLiteral("tessra"));
  QGuiApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tessra")));

  TCommandLine commandLine;
  QCommandLineParser& parser = commandLine.Parser;
  parser.process(app);

  TProgramPrompt prompt;
  prompt.Character = parser.value(commandLine.Character);
  QStringList problems;
  tessra::TMainForm::TOptions options;
  options.Prompt = &prompt;
  // Declared before the window, so that it outlives it: the window saves
  // into the demo's store and says goodbye to the demo's server.
  std::unique_ptr<tessra::TDemoMode> demoMode;
  if (parser.isSet(commandLine.Demo)) {
    try {
      demoMode = std::make_unique<tessra::TDemoMode>();
    } catch (const tessra::TChatException& e) {
      QTextStream(stderr) << "tessra: " << e.what() << Qt::endl;
      return 1;
    }
    demoMode->Apply(options);
    QTextStream(stdout) << "Demo: chat server on 127.0.0.1:" << demoMode->Port()
                        << ", settings and chat logs in " << demoMode->Folder() << Qt::endl;
  } else {
    options.Registry = tessra::CreateUserRegistry(
        [&problems](const QString& message) { problems.append(message); });
    QString key = parser.value(commandLine.ServerKey);
    if (key.isEmpty()) {
      key = QProcessEnvironment::systemEnvironment().value(QStringLiteral("TESSRA_SERVER_KEY"));
    }
    options.ServerKeyHex = key.trimmed().toLower().toStdString();
  }
  QString whois = parser.value(commandLine.WhoisHost);
  if (whois.isEmpty()) {
    whois = QProcessEnvironment::systemEnvironment().value(QStringLiteral("TESSRA_WHOIS_HOST"));
  }
  if (!whois.isEmpty() && !tessra::TWhoisSite::FromHost(whois)) {
    problems.append(QStringLiteral("The whois host \"") + tessra::EscapeText(whois) +
                    QStringLiteral("\" is not HOST or HOST:PORT; the game's own site is used."));
    whois.clear();
  }
  // The demo brings a site of its own; an option given as well goes first.
  if (!whois.isEmpty()) {
    options.WhoisHost = whois;
  }

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

  if (parser.isSet(commandLine.Screenshot)) {
    const QString file = parser.value(commandLine.Screenshot);
    QTimer::singleShot(parser.value(commandLine.ScreenshotDelay).toInt(), &form, [&form, file] {
      QDir().mkpath(QFileInfo(file).absolutePath());
      form.grab().save(file);
    });
  }
  const int result = QApplication::exec();
  app.OnException = nullptr;
  return result;
}

// The built program under a real X server (Xvfb): `tessra --demo` is driven
// through its dialogs with synthetic key presses (xdotool, through the XTEST
// extension, as if typed), hears the demo's cast, sends a tell and a group
// message, and leaves a screenshot of the whole screen. Skipped only when
// Xvfb cannot start here.

#include <iostream>
#include <optional>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>

namespace {

class TXServer {
public:
  ~TXServer() {
    if (Process.state() != QProcess::NotRunning) {
      Process.terminate();
      if (!Process.waitForFinished(5000)) {
        Process.kill();
        Process.waitForFinished(5000);
      }
    }
  }

  // Starts Xvfb on a display number it picks itself; false with Problem set
  // when it cannot.
  bool Start(const QString& program) {
    // -displayfd 1: the display number arrives on standard output once the
    // server accepts connections. No TCP listener: local sockets only.
    Process.start(program,
                  {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                   QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                   QStringLiteral("1024x768x24")});
    if (!Process.waitForStarted(10000)) {
      Problem = Process.errorString();
      return false;
    }
    QByteArray out;
    QElapsedTimer timer;
    timer.start();
    while (!out.contains('\n') && timer.elapsed() < 20000 && Process.state() == QProcess::Running) {
      Process.waitForReadyRead(200);
      out += Process.readAllStandardOutput();
    }
    bool ok = false;
    const int number = out.trimmed().toInt(&ok);
    if (!ok) {
      Problem = QString::fromLocal8Bit(Process.readAllStandardError()).trimmed();
      return false;
    }
    Display = QStringLiteral(":") + QString::number(number);
    return true;
  }

  QProcess Process;
  QString Display;
  QString Problem;
};

class DemoEndToEnd : public ::testing::Test {
protected:
  void SetUp() override {
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) {
      GTEST_SKIP() << "Xvfb is not installed (scripts/setup-deps installs it); the end-to-end "
                      "check needs a real X server";
    }
    if (!X.Start(xvfb)) {
      GTEST_SKIP() << "Xvfb could not start here: " << X.Problem.toStdString();
    }
    Xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    ASSERT_FALSE(Xdotool.isEmpty()) << "xdotool is missing; scripts/setup-deps installs it";
    Environment = QProcessEnvironment::systemEnvironment();
    Environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    Environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    Environment.insert(QStringLiteral("DISPLAY"), X.Display);
    Environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  }

  void TearDown() override {
    if (App.state() != QProcess::NotRunning) {
      App.kill();
      App.waitForFinished(5000);
      // A killed program leaves its temporary folder behind.
      if (!DemoFolder.isEmpty()) {
        QDir(DemoFolder).removeRecursively();
      }
    }
  }

  // Runs a helper to its end; its standard output, or nothing on failure.
  std::optional<QString> Run(const QString& program, const QStringList& arguments,
                             int timeoutMs = 20000) {
    QProcess p;
    p.setProcessEnvironment(Environment);
    p.start(program, arguments);
    if (!p.waitForFinished(timeoutMs)) {
      p.kill();
      p.waitForFinished(2000);
      return std::nullopt;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
      return std::nullopt;
    }
    return QString::fromLocal8Bit(p.readAllStandardOutput());
  }

  // The first visible window whose title matches the pattern (other than
  // the one excluded), waiting for it.
  QString WaitForWindow(const QString& titlePattern, const QString& exclude = {},
                        int timeoutMs = 60000) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
      const auto out = Run(Xdotool, {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                     QStringLiteral("--name"), titlePattern});
      for (const QString& id :
           out ? out->split(QLatin1Char('\n'), Qt::SkipEmptyParts) : QStringList()) {
        if (id.trimmed() != exclude) {
          return id.trimmed();
        }
      }
      // Polling a separate process: nothing in the program is timed by this.
      QThread::msleep(200);
    }
    return {};
  }

  // Gives the window the keyboard (there is no window manager to do it).
  bool Focus(const QString& window) {
    return Run(Xdotool, {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window})
        .has_value();
  }
  bool Keys(const QStringList& keys) {
    QStringList arguments{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("50")};
    arguments += keys;
    return Run(Xdotool, arguments).has_value();
  }
  bool Type(const QString& text) {
    return Run(Xdotool,
               {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text})
        .has_value();
  }

  QString ReadLog(const QString& name) const {
    QFile file(QDir(LogFolder).filePath(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }
  bool WaitForLog(const QString& name, const QString& text, int timeoutMs = 60000) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
      if (ReadLog(name).contains(text)) {
        return true;
      }
      App.waitForReadyRead(200);
      Output += App.readAllStandardOutput();
    }
    return false;
  }

  TXServer X;
  QString Xdotool;
  QProcessEnvironment Environment;
  QProcess App;
  QByteArray Output;
  QString LogFolder;
  QString DemoFolder;
};

TEST_F(DemoEndToEnd, LogsInWithTwoEntersTalksAndTakesAScreenshot) {
  App.setProcessEnvironment(Environment);
  App.setProcessChannelMode(QProcess::SeparateChannels);
  App.start(QStringLiteral(TESSRA_APP_PATH), {QStringLiteral("--demo")});
  ASSERT_TRUE(App.waitForStarted(10000)) << App.errorString().toStdString();

  // The program says where the demo keeps its files.
  static const QRegularExpression kFolder(QStringLiteral("settings and chat logs in (\\S+)"));
  QElapsedTimer timer;
  timer.start();
  QRegularExpressionMatch match;
  while (!(match = kFolder.match(QString::fromLocal8Bit(Output))).hasMatch() &&
         timer.elapsed() < 60000 && App.state() == QProcess::Running) {
    App.waitForReadyRead(200);
    Output += App.readAllStandardOutput();
  }
  ASSERT_TRUE(match.hasMatch()) << Output.toStdString() << App.readAllStandardError().toStdString();
  const QString folder = match.captured(1);
  DemoFolder = folder;
  LogFolder = QDir(folder).filePath(QStringLiteral("logs"));

  // Enter at the prefilled login dialog, Enter at the character selection.
  const QString login = WaitForWindow(QStringLiteral("^Tessra\\+ Login$"));
  ASSERT_FALSE(login.isEmpty()) << "no login dialog";
  ASSERT_TRUE(Focus(login));
  ASSERT_TRUE(Keys({QStringLiteral("Return")}));
  const QString select = WaitForWindow(QStringLiteral("^Character Selection$"));
  ASSERT_FALSE(select.isEmpty()) << "no character selection";
  ASSERT_TRUE(Focus(select));
  ASSERT_TRUE(Keys({QStringLiteral("Return")}));
  const QString connected = QStringLiteral("^Tessra \\+ Connected as Alira on Local Demo$");
  const QString main = WaitForWindow(connected);
  ASSERT_FALSE(main.isEmpty()) << "not logged in";

  // The offline message waited for this login.
  EXPECT_TRUE(WaitForLog(QStringLiteral("private.log"), QStringLiteral("spare tower key")));

  // Mirelle says hello; a tell back and a group message, typed into the
  // input line.
  EXPECT_TRUE(WaitForLog(QStringLiteral("private.log"), QStringLiteral("Mirelle: Hi Alira!")));
  ASSERT_TRUE(Focus(main));
  ASSERT_TRUE(Type(QStringLiteral("/tell Mirelle Hello from the end-to-end check")));
  ASSERT_TRUE(Keys({QStringLiteral("Return")}));
  ASSERT_TRUE(Type(QStringLiteral("/q General")));
  ASSERT_TRUE(Keys({QStringLiteral("Return")}));
  ASSERT_TRUE(Type(QStringLiteral("Anyone need a healer tonight?")));
  ASSERT_TRUE(Keys({QStringLiteral("Return")}));

  EXPECT_TRUE(
      WaitForLog(QStringLiteral("private.log"), QStringLiteral("Hello from the end-to-end check")));
  EXPECT_TRUE(
      WaitForLog(QStringLiteral("groups.log"), QStringLiteral("Anyone need a healer tonight?")));
  EXPECT_TRUE(WaitForLog(QStringLiteral("groups.log"), QStringLiteral("Good evening, everyone!")));
  // Mirelle answers.
  EXPECT_TRUE(WaitForLog(QStringLiteral("private.log"), QStringLiteral("Sounds good to me!")));

  // Her invitation to a private group is a question of its own (titled like
  // the main window); Enter says Yes, and her group talks.
  const QString invitation = WaitForWindow(connected, main);
  ASSERT_FALSE(invitation.isEmpty()) << "no invitation";
  ASSERT_TRUE(Focus(invitation));
  ASSERT_TRUE(Keys({QStringLiteral("Return")}));
  EXPECT_TRUE(WaitForLog(QStringLiteral("privgrps.log"), QStringLiteral("Welcome to the team!")));

  // The whole screen, as a user would see it.
  const QString shot =
      QDir(QStringLiteral(TESSRA_SCREENSHOT_DIR)).filePath(QStringLiteral("demo-end-to-end.png"));
  QDir().mkpath(QFileInfo(shot).absolutePath());
  QFile::remove(shot);
  EXPECT_TRUE(Run(QStandardPaths::findExecutable(QStringLiteral("import")),
                  {QStringLiteral("-display"), X.Display, QStringLiteral("-window"),
                   QStringLiteral("root"), shot})
                  .has_value());
  EXPECT_TRUE(QFileInfo(shot).size() > 0) << shot.toStdString();
  std::cout << "Screenshot: " << shot.toStdString() << std::endl;

  // File > Exit; the demo's folder goes with the program.
  ASSERT_TRUE(Focus(main));
  ASSERT_TRUE(Keys({QStringLiteral("alt+f"), QStringLiteral("x")}));
  ASSERT_TRUE(App.waitForFinished(30000));
  EXPECT_EQ(App.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(App.exitCode(), 0) << App.readAllStandardError().toStdString();
  EXPECT_FALSE(QDir(folder).exists());
}

} // namespace

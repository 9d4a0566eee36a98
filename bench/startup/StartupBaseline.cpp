// The baseline of bench/startup: the least a Qt Widgets program does to show a
// main window (a menu bar, a status bar, an empty central widget at the size of
// the Tessra+ window), with the same first-paint report and the same
// --screenshot FILE --screenshot-delay MS as the client, so that both runs do
// the same work around the window.

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>

#include "app/FirstPaintReport.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QCommandLineParser parser;
  const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                      QStringLiteral("Save a picture of the window to FILE."),
                                      QStringLiteral("FILE"));
  const QCommandLineOption screenshotDelay(QStringLiteral("screenshot-delay"),
                                           QStringLiteral("Milliseconds before the picture."),
                                           QStringLiteral("MS"), QStringLiteral("3000"));
  parser.addOptions({screenshot, screenshotDelay});
  parser.process(app);

  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Baseline"));
  window.menuBar()->addMenu(QStringLiteral("&File"));
  window.statusBar()->showMessage(QStringLiteral("Ready"));
  window.setCentralWidget(new QWidget(&window));
  window.resize(800, 600);
  tessra::ReportFirstPaint(window);
  window.show();

  if (parser.isSet(screenshot)) {
    const QString file = parser.value(screenshot);
    QTimer::singleShot(parser.value(screenshotDelay).toInt(), &window,
                       [&window, file] { window.grab().save(file); });
  }
  return QApplication::exec();
}

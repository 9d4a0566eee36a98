#pragma once

#include <functional>

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>

namespace tessra {

// The settings the log writer reads; the main window copies them from its own settings whenever
// they are loaded or changed in the options.
struct TChatLogSettings {
  bool Logging = false; // the master switch
  bool TimestampLogging = true;
  QString LoggingFolder;
  bool LogGroup = true;
  bool LogPrivate = true;
  bool LogPrivateGroup = true;
  bool LogSystem = true;
  bool LogError = true;
};

// The five log files, in the order the start and stop markers are written.
enum class TChatLogFile { Groups, Private, PrivateGroups, System, Errors };

// Appends plain text copies of the chat traffic to one log file per kind of traffic. No file stays
// open between lines: every line is one complete open, append and close, so other programs may
// read or move the files in between, and a change of folder or switch takes effect at once.
//
// Text is written as the bytes it is given; the line builders hand over message text exactly as
// it came off the wire, so UTF-8 and the game's own tags reach the file unchanged.
class TChatLogWriter {
public:
  TChatLogWriter() = default;
  TChatLogWriter(const TChatLogWriter&) = delete;
  TChatLogWriter& operator=(const TChatLogWriter&) = delete;

  TChatLogSettings& Settings() { return LogSettings; }
  const TChatLogSettings& Settings() const { return LogSettings; }

  static QString FileName(TChatLogFile file);
  bool Enabled(TChatLogFile file) const;

  // Appends one line (Text and CR LF) to FileName in the logging folder, creating the folder and
  // its parents when they are missing. Nothing happens while logging is off, and a folder that
  // cannot be created (an empty one included) drops the line silently. The time prefix
  // "[hh:nn AMPM]: " leads the line when Timestamped and TimestampLogging are both on.
  void WriteLog(const QString& fileName, const QByteArray& text, bool timestamped);
  // The step the line builders run: WriteLog with the time prefix, when logging and the file's
  // own switch are both on.
  void LogLine(TChatLogFile file, const QByteArray& text);

  // "Logging started "/"Logging stopped " and the date and time, to every enabled file.
  void StartLogging();
  void StopLogging();
  void SetLogging(bool flag);

  // A file that cannot be opened or written is reported here, once: the next failures stay quiet
  // until a line has been written again. A report that itself ends up in a failing log file (the
  // error line goes to errors.log) is never reported again from inside the report.
  std::function<void(TChatLogWriter& sender, const QString& message)> OnWriteError;

  // The local time of the prefix and the markers, and the locale of the AM/PM designator and the
  // markers' date; tests set both.
  std::function<QDateTime()> Clock;
  QLocale Locale = QLocale::system();

private:
  QDateTime Now() const;
  void WriteMarker(const QString& marker);
  void ReportFailure(const QString& message);

  TChatLogSettings LogSettings;
  bool FailureReported = false;
  bool Reporting = false;
};

} // namespace tessra

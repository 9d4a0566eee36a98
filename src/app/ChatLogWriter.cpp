#include "app/ChatLogWriter.h"

#include <array>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "common/Trace.h"
#include "display/DateTimeFormat.h"

namespace tessra {

namespace {

const QString kTimePrefixPattern = QStringLiteral("[hh:nn AMPM]: ");

constexpr std::array kAllFiles = {TChatLogFile::Groups, TChatLogFile::Private,
                                  TChatLogFile::PrivateGroups, TChatLogFile::System,
                                  TChatLogFile::Errors};

// The folder with the platform's separators, so that a folder typed with the other kind of slash
// (or a default ending in one) still joins cleanly with the file name.
QString LogFilePath(const QString& folder, const QString& fileName) {
  return QDir::toNativeSeparators(QDir(QDir::fromNativeSeparators(folder)).filePath(fileName));
}

bool EnsureFolder(const QString& folder) {
  if (folder.isEmpty()) {
    return false;
  }
  if (QFileInfo(folder).isDir()) {
    return true;
  }
  QDir().mkpath(folder);
  return QFileInfo(folder).isDir();
}

} // namespace

QString TChatLogWriter::FileName(TChatLogFile file) {
  switch (file) {
  case TChatLogFile::Groups:
    return QStringLiteral("groups.log");
  case TChatLogFile::Private:
    return QStringLiteral("private.log");
  case TChatLogFile::PrivateGroups:
    return QStringLiteral("privgrps.log");
  case TChatLogFile::System:
    return QStringLiteral("system.log");
  case TChatLogFile::Errors:
    return QStringLiteral("errors.log");
  }
  return {};
}

bool TChatLogWriter::Enabled(TChatLogFile file) const {
  switch (file) {
  case TChatLogFile::Groups:
    return LogSettings.LogGroup;
  case TChatLogFile::Private:
    return LogSettings.LogPrivate;
  case TChatLogFile::PrivateGroups:
    return LogSettings.LogPrivateGroup;
  case TChatLogFile::System:
    return LogSettings.LogSystem;
  case TChatLogFile::Errors:
    return LogSettings.LogError;
  }
  return false;
}

QDateTime TChatLogWriter::Now() const {
  return Clock ? Clock() : QDateTime::currentDateTime();
}

void TChatLogWriter::WriteLog(const QString& fileName, const QByteArray& text, bool timestamped) {
  if (!LogSettings.Logging) {
    return;
  }
  const QString folder = LogSettings.LoggingFolder;
  if (!EnsureFolder(folder)) {
    TraceApp(QStringLiteral("WriteLog: no logging folder ") + Quoted(folder));
    return;
  }

  QByteArray line;
  if (timestamped && LogSettings.TimestampLogging) {
    line = FormatDateTime(kTimePrefixPattern, Now(), Locale).toUtf8();
  }
  line += text;
  line += "\r\n";

  const QString path = LogFilePath(folder, fileName);
  QFile file(path);
  bool written = file.open(QIODevice::WriteOnly | QIODevice::Append);
  if (written) {
    written = file.write(line) == line.size();
    written = file.flush() && written;
  }
  const QString error = file.errorString();
  file.close();
  if (!written) {
    ReportFailure(QStringLiteral("Cannot write to the log file \"") + path +
                  QStringLiteral("\": ") + error);
    return;
  }
  FailureReported = false;
}

void TChatLogWriter::ReportFailure(const QString& message) {
  TraceApp(QStringLiteral("WriteLog: ") + message);
  // Inside a report the failure is the report's own line failing too; and once reported, the same
  // broken folder would otherwise add one error line per chat line.
  if (Reporting || FailureReported) {
    return;
  }
  FailureReported = true;
  if (!OnWriteError) {
    return;
  }
  Reporting = true;
  struct TReset {
    bool& Flag;
    ~TReset() { Flag = false; }
  } reset{Reporting};
  OnWriteError(*this, message);
}

void TChatLogWriter::LogLine(TChatLogFile file, const QByteArray& text) {
  if (LogSettings.Logging && Enabled(file)) {
    WriteLog(FileName(file), text, true);
  }
}

void TChatLogWriter::WriteMarker(const QString& marker) {
  if (!LogSettings.Logging) {
    return;
  }
  // An empty pattern is the locale's short date and long time.
  const QByteArray text = (marker + FormatDateTime(QString(), Now(), Locale)).toUtf8();
  for (TChatLogFile file : kAllFiles) {
    if (Enabled(file)) {
      WriteLog(FileName(file), text, false);
    }
  }
}

void TChatLogWriter::StartLogging() {
  WriteMarker(QStringLiteral("Logging started "));
}

void TChatLogWriter::StopLogging() {
  WriteMarker(QStringLiteral("Logging stopped "));
}

void TChatLogWriter::SetLogging(bool flag) {
  if (flag) {
    StartLogging();
  } else {
    StopLogging();
  }
}

} // namespace tessra

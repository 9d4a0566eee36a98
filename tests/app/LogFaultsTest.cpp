// Chat logs on a disk that is full: the line is reported once, clearly, and the logs already
// written stay as they were.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/ChatLogWriter.h"

namespace tessra {
namespace {

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

TEST(LogFaultsTest, AFullDiskIsReportedOnceAndTheOtherLogsAreKept) {
  if (!QFile::exists(QStringLiteral("/dev/full"))) {
    GTEST_SKIP() << "no /dev/full";
  }
  QTemporaryDir dir;
  TChatLogWriter writer;
  writer.Settings().Logging = true;
  writer.Settings().TimestampLogging = false;
  writer.Settings().LoggingFolder = dir.path();
  std::vector<QString> reports;
  writer.OnWriteError = [&reports](TChatLogWriter&, const QString& message) {
    reports.push_back(message);
  };
  writer.WriteLog(QStringLiteral("groups.log"), "kept", false);
  // Every write to this log lands on a device that is always full.
  ASSERT_TRUE(
      QFile::link(QStringLiteral("/dev/full"), dir.filePath(QStringLiteral("private.log"))));
  for (int i = 0; i < 100; ++i) {
    writer.WriteLog(QStringLiteral("private.log"), "lost line", false);
  }
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_TRUE(reports[0].contains(QStringLiteral("private.log"))) << reports[0].toStdString();
  EXPECT_TRUE(reports[0].contains(QStringLiteral("No space left"), Qt::CaseInsensitive))
      << reports[0].toStdString();
  EXPECT_EQ(ReadAll(dir.filePath(QStringLiteral("groups.log"))), QByteArray("kept\r\n"));

  // The other logs go on meanwhile, and a failure after a good write is news again.
  writer.WriteLog(QStringLiteral("groups.log"), "more", false);
  EXPECT_EQ(ReadAll(dir.filePath(QStringLiteral("groups.log"))), QByteArray("kept\r\nmore\r\n"));
  writer.WriteLog(QStringLiteral("private.log"), "lost again", false);
  EXPECT_EQ(reports.size(), 2u);
}

} // namespace
} // namespace tessra

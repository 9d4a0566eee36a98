#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "PresenterFixture.h"
#include "app/ChatLogWriter.h"
#include "display/DateTimeFormat.h"

namespace tessra::testing {
namespace {

class TChatLogWriterTest : public ::testing::Test {
protected:
  TChatLogWriterTest() {
    Writer.Clock = FixedTime;
    Writer.Locale = EnglishLocale();
    Writer.Settings().LoggingFolder = Folder();
    Writer.OnWriteError = [this](TChatLogWriter&, const QString& message) {
      Reports.push_back(message);
    };
  }

  // Two missing levels below the temporary folder, so creation has parents to make too.
  QString Folder() const { return Dir.path() + QStringLiteral("/chat/Logs"); }
  QByteArray Read(const QString& fileName) const {
    QFile file(Folder() + QLatin1Char('/') + fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  QByteArray Marker(const char* text) const {
    return QByteArray(text) + FormatDateTime(QString(), FixedTime(), EnglishLocale()).toUtf8() +
           "\r\n";
  }

  QTemporaryDir Dir;
  TChatLogWriter Writer;
  std::vector<QString> Reports;
};

TEST_F(TChatLogWriterTest, LinesAppendWithAndWithoutTheTimePrefix) {
  Writer.Settings().Logging = true;
  Writer.WriteLog(QStringLiteral("private.log"), "Tyrin: hi", true);
  Writer.WriteLog(QStringLiteral("private.log"), "untimed", false);
  Writer.Settings().TimestampLogging = false;
  Writer.WriteLog(QStringLiteral("private.log"), "To [Tyrin]: ok", true);
  // UTF-8 and other bytes go through untouched.
  Writer.WriteLog(QStringLiteral("private.log"), "Tyrin: \xC3\x84 \xC4", true);
  EXPECT_EQ(Read(QStringLiteral("private.log")),
            QByteArray("[02:05 PM]: Tyrin: hi\r\nuntimed\r\nTo [Tyrin]: ok\r\n"
                       "Tyrin: \xC3\x84 \xC4\r\n"));

  // Morning hours keep two digits and the other designator.
  Writer.Settings().TimestampLogging = true;
  Writer.Clock = [] { return QDateTime(QDate(2026, 5, 1), QTime(9, 7)); };
  Writer.WriteLog(QStringLiteral("system.log"), "x", true);
  EXPECT_EQ(Read(QStringLiteral("system.log")), QByteArray("[09:07 AM]: x\r\n"));
  EXPECT_TRUE(Reports.empty());
}

TEST_F(TChatLogWriterTest, LoggingOffTouchesNothing) {
  Writer.WriteLog(QStringLiteral("private.log"), "x", true);
  for (TChatLogFile file :
       {TChatLogFile::Groups, TChatLogFile::Private, TChatLogFile::PrivateGroups,
        TChatLogFile::System, TChatLogFile::Errors}) {
    Writer.LogLine(file, "x");
  }
  Writer.StartLogging();
  Writer.SetLogging(false);
  EXPECT_FALSE(QFileInfo::exists(Dir.path() + QStringLiteral("/chat")));
}

TEST_F(TChatLogWriterTest, SwitchesChooseTheFilesAndMarkersCarryNoPrefix) {
  Writer.Settings().Logging = true;
  Writer.Settings().LogPrivate = false;
  Writer.Settings().LogError = false;
  Writer.SetLogging(true);
  Writer.LogLine(TChatLogFile::Private, "dropped");
  Writer.LogLine(TChatLogFile::Groups, "[OOC] Tyrin: a");
  Writer.StopLogging();
  EXPECT_EQ(Read(QStringLiteral("groups.log")), Marker("Logging started ") +
                                                    "[02:05 PM]: [OOC] Tyrin: a\r\n" +
                                                    Marker("Logging stopped "));
  EXPECT_EQ(Read(QStringLiteral("privgrps.log")),
            Marker("Logging started ") + Marker("Logging stopped "));
  EXPECT_EQ(Read(QStringLiteral("system.log")), Read(QStringLiteral("privgrps.log")));
  EXPECT_FALSE(QFile::exists(Folder() + QStringLiteral("/private.log")));
  EXPECT_FALSE(QFile::exists(Folder() + QStringLiteral("/errors.log")));
}

TEST_F(TChatLogWriterTest, FolderIsCreatedAgainAfterDeletion) {
  Writer.Settings().Logging = true;
  // A folder typed with a trailing separator joins the same way.
  Writer.Settings().LoggingFolder = Folder() + QLatin1Char('/');
  Writer.WriteLog(QStringLiteral("errors.log"), "one", false);
  ASSERT_EQ(Read(QStringLiteral("errors.log")), QByteArray("one\r\n"));
  ASSERT_TRUE(QDir(Dir.path() + QStringLiteral("/chat")).removeRecursively());
  Writer.WriteLog(QStringLiteral("errors.log"), "two", false);
  EXPECT_EQ(Read(QStringLiteral("errors.log")), QByteArray("two\r\n"));
  EXPECT_TRUE(Reports.empty());
}

TEST_F(TChatLogWriterTest, FolderThatCannotBeMadeDropsLinesSilently) {
  Writer.Settings().Logging = true;
  Writer.Settings().LoggingFolder.clear();
  Writer.WriteLog(QStringLiteral("errors.log"), "x", false);
  // A file standing where the folder should be.
  QFile blocker(Dir.path() + QStringLiteral("/blocker"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  Writer.Settings().LoggingFolder = blocker.fileName() + QStringLiteral("/Logs");
  Writer.WriteLog(QStringLiteral("errors.log"), "x", false);
  EXPECT_TRUE(Reports.empty());
  EXPECT_EQ(QFileInfo(blocker.fileName()).size(), 0);
}

TEST_F(TChatLogWriterTest, FailingWriteIsReportedOnceUntilAWriteSucceeds) {
  Writer.Settings().Logging = true;
  // A folder where the file should be: the open fails even for a privileged user.
  ASSERT_TRUE(QDir().mkpath(Folder() + QStringLiteral("/private.log")));
  Writer.WriteLog(QStringLiteral("private.log"), "a", true);
  Writer.WriteLog(QStringLiteral("private.log"), "b", true);
  ASSERT_EQ(Reports.size(), 1u);
  EXPECT_TRUE(Reports[0].contains(QStringLiteral("private.log")));

  Writer.WriteLog(QStringLiteral("groups.log"), "ok", true);
  Writer.WriteLog(QStringLiteral("private.log"), "c", true);
  EXPECT_EQ(Reports.size(), 2u);

  // A report whose own line fails again is not reported from inside itself.
  Writer.WriteLog(QStringLiteral("groups.log"), "ok", true);
  int nested = 0;
  Writer.OnWriteError = [&nested](TChatLogWriter& sender, const QString& message) {
    ++nested;
    sender.WriteLog(QStringLiteral("private.log"), message.toUtf8(), true);
  };
  Writer.WriteLog(QStringLiteral("private.log"), "d", true);
  EXPECT_EQ(nested, 1);
}

} // namespace
} // namespace tessra::testing

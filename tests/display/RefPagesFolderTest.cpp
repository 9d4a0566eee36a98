#include "display/RefPagesFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace tessra {
namespace {

TEST(RefPagesFolderTest, PagesGetGuidNamesInTheTessraRefsFolderWhichRemoveDeletes) {
  QTemporaryDir temp;
  ASSERT_TRUE(temp.isValid());
  // A missing parent is created along with the folder.
  TRefPagesFolder folder(temp.filePath(QStringLiteral("missing/parent")));
  const QString first = folder.WritePage(QStringLiteral("<b>caf\u00e9</b>"));
  const QString second = folder.WritePage(QStringLiteral("two"));
  ASSERT_FALSE(first.isEmpty()) << folder.Error().toStdString();
  EXPECT_NE(first, second);
  EXPECT_EQ(QFileInfo(first).absolutePath(), QFileInfo(folder.Path()).absoluteFilePath());
  EXPECT_EQ(QFileInfo(folder.Path()).fileName(), QStringLiteral("tessra_refs"));
  static const QRegularExpression guidName(QStringLiteral(
      "^\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}\\.html$"));
  EXPECT_TRUE(guidName.match(QFileInfo(first).fileName()).hasMatch())
      << QFileInfo(first).fileName().toStdString();
  QFile page(first);
  ASSERT_TRUE(page.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(page.readAll()), QStringLiteral("<b>caf\u00e9</b>"));
  page.close();

  folder.Remove();
  EXPECT_FALSE(QDir(folder.Path()).exists());
  folder.Remove(); // nothing left to remove: no error, no crash
}

TEST(RefPagesFolderTest, AnUncreatableFolderGivesAnErrorAndNoPage) {
  QTemporaryDir temp;
  ASSERT_TRUE(temp.isValid());
  // A plain file where the temporary folder should be.
  const QString blocker = temp.filePath(QStringLiteral("file"));
  QFile file(blocker);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  TRefPagesFolder folder(blocker);
  EXPECT_TRUE(folder.WritePage(QStringLiteral("x")).isEmpty());
  EXPECT_FALSE(folder.Error().isEmpty());
}

#ifndef Q_OS_WIN
TEST(RefPagesFolderTest, RemovingLeavesNoTrashFoldersBehindWhereTheUserHasNoTrash) {
  QTemporaryDir temp;
  ASSERT_TRUE(temp.isValid());
  // No data folder, so no trash folder; and a current directory of our own to look into.
  const QByteArray savedData = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", temp.filePath(QStringLiteral("no-such-data")).toLocal8Bit());
  const QString savedCurrent = QDir::currentPath();
  const QString work = temp.filePath(QStringLiteral("work"));
  ASSERT_TRUE(QDir().mkpath(work));
  ASSERT_TRUE(QDir::setCurrent(work));

  TRefPagesFolder folder(temp.filePath(QStringLiteral("tmp")));
  ASSERT_FALSE(folder.WritePage(QStringLiteral("x")).isEmpty());
  folder.Remove();
  EXPECT_FALSE(QDir(folder.Path()).exists());
  EXPECT_EQ(QDir(work).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());

  QDir::setCurrent(savedCurrent);
  if (savedData.isNull()) {
    qunsetenv("XDG_DATA_HOME");
  } else {
    qputenv("XDG_DATA_HOME", savedData);
  }
}
#endif

} // namespace
} // namespace tessra

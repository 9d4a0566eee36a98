#include "display/RefPagesFolder.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QUuid>

namespace tessra {

namespace {
const char kFolderName[] = "tessra_refs";
} // namespace

TRefPagesFolder::TRefPagesFolder(QString tempDir)
    : TempDir(tempDir.isEmpty() ? QDir::tempPath() : std::move(tempDir)) {}

QString TRefPagesFolder::Path() const {
  return QDir(TempDir).filePath(QLatin1String(kFolderName));
}

QString TRefPagesFolder::NewGuidName() {
  return QUuid::createUuid().toString(QUuid::WithBraces).toUpper();
}

QString TRefPagesFolder::NewPagePath() {
  const QString folder = Path();
  if (!QDir().mkpath(folder)) {
    LastError = QStringLiteral("Cannot create the folder %1").arg(QDir::toNativeSeparators(folder));
    return {};
  }
  LastError.clear();
  return QDir(folder).filePath(NewGuidName() + QStringLiteral(".html"));
}

QString TRefPagesFolder::WritePage(const QString& html) {
  const QString path = NewPagePath();
  if (path.isEmpty()) {
    return {};
  }
  QSaveFile file(path);
  // Flushed before commit, which does not notice a buffered write that fails on a full disk.
  if (!file.open(QIODevice::WriteOnly) || file.write(html.toUtf8()) < 0 || !file.flush() ||
      !file.commit()) {
    LastError = QStringLiteral("Cannot write %1: %2")
                    .arg(QDir::toNativeSeparators(path), file.errorString());
    return {};
  }
  return path;
}

void TRefPagesFolder::Remove() {
  const QString folder = Path();
  if (!QDir(folder).exists()) {
    return;
  }
  // The pages are only temporary copies, so deleting them outright loses
  // nothing. Only the Windows recycle bin takes them: elsewhere a trash that
  // cannot be set up makes Qt file them under "files" and "info" in the
  // current folder instead.
#ifdef Q_OS_WIN
  if (QFile::moveToTrash(folder)) {
    return;
  }
#endif
  QDir(folder).removeRecursively();
}

} // namespace tessra

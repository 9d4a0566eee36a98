#pragma once

#include <QString>

namespace tessra {

// The folder "tessra_refs" in the temporary folder where the reference viewer
// and the away messages viewer write the pages they show. Each page gets a
// fresh GUID name in registry form ("{8-4-4-4-12}" in upper case) plus
// ".html", so two windows never write over each other's pages.
class TRefPagesFolder {
public:
  // tempDir is the system's temporary folder; tests pass a folder of their own.
  explicit TRefPagesFolder(QString tempDir = QString());

  // The folder's path (it may not exist yet).
  QString Path() const;

  // A new page name inside the folder (creating the folder and any missing
  // parents). Empty when the folder cannot be created; Error() then says why.
  QString NewPagePath();

  // Writes html (UTF-8) as a new page and returns its path; empty on failure,
  // with Error() saying why. The file is complete or absent, never half-written.
  QString WritePage(const QString& html);

  // Removes the whole folder: to the recycle bin on Windows, else deleted. A
  // folder that does not exist is not an error.
  void Remove();

  const QString& Error() const { return LastError; }

  // The GUID part of a page name: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
  static QString NewGuidName();

private:
  QString TempDir;
  QString LastError;
};

} // namespace tessra

#include <QMainWindow>
#include <QTemporaryDir>
#include <QToolBar>
#include <gtest/gtest.h>

#include "QtPrinters.h"
#include "settings/FileRegistry.h"
#include "settings/SettingsStore.h"
#include "settings/ToolbarLayout.h"

namespace tessra {
namespace {

struct TWindow {
  QMainWindow Window;
  QToolBar* Standard = Window.addToolBar(QStringLiteral("Tool Bar"));
  QToolBar* Edit = Window.addToolBar(QStringLiteral("Edit Bar"));
  TWindow() {
    Standard->setObjectName(QStringLiteral("StandardBar"));
    Edit->setObjectName(QStringLiteral("EditBar"));
  }
};

TEST(ToolbarLayoutTest, TheLayoutComesBackOnlyForTheSameVersion) {
  QTemporaryDir dir;
  TFileRegistry registry(dir.filePath(QStringLiteral("settings.json")));
  {
    TWindow saved;
    saved.Window.addToolBar(Qt::BottomToolBarArea, saved.Edit);
    saved.Standard->setVisible(false);
    SaveToolbarLayout(*registry.OpenKey(kToolbarsKey, true), saved.Window, 3);
  }
  auto key = registry.OpenKey(kToolbarsKey, false);
  {
    TWindow restored;
    EXPECT_TRUE(RestoreToolbarLayout(*key, restored.Window, 3));
    EXPECT_EQ(restored.Window.toolBarArea(restored.Edit), Qt::BottomToolBarArea);
    EXPECT_TRUE(restored.Standard->isHidden());
  }
  {
    TWindow other;
    EXPECT_FALSE(RestoreToolbarLayout(*key, other.Window, 4));
    EXPECT_EQ(other.Window.toolBarArea(other.Edit), Qt::TopToolBarArea);
  }
  for (const QString& junk : {QStringLiteral("not base64 !"), QStringLiteral("AAAA"), QString()}) {
    key->WriteString(QStringLiteral("State"), junk);
    TWindow window;
    EXPECT_FALSE(RestoreToolbarLayout(*key, window.Window, 3)) << junk.toStdString();
    EXPECT_EQ(window.Window.toolBarArea(window.Edit), Qt::TopToolBarArea);
  }
}

} // namespace
} // namespace tessra

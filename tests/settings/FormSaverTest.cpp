#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "QtPrinters.h"

#include "common/ChatException.h"
#include "settings/FileRegistry.h"
#include "settings/FormSaver.h"
#include "settings/SettingsStore.h"

namespace tessra {
namespace {

TEST(FormSaverClampTest, BoundsAreMovedAndShrunkIntoTheWorkArea) {
  // A work area below a taskbar at the top of the screen.
  const QRect area(0, 40, 1920, 1040);
  struct TCase {
    QRect Bounds;
    QRect Expected;
  } const cases[] = {
      {{100, 100, 800, 600}, {100, 100, 800, 600}},    // inside: unchanged
      {{100, 0, 800, 600}, {100, 40, 800, 600}},       // above the top: moved down
      {{-50, 100, 800, 600}, {0, 100, 800, 600}},      // left of the left edge
      {{100, 900, 800, 600}, {100, 480, 800, 600}},    // below the bottom: moved up
      {{1500, 100, 800, 600}, {1120, 100, 800, 600}},  // beyond the right edge
      {{100, 10, 800, 1200}, {100, 40, 800, 1040}},    // taller: the work area's top and height
      {{-10, 100, 2500, 600}, {0, 100, 1920, 600}},    // wider: the work area's left and width
      {{5000, 5000, 300, 200}, {1620, 880, 300, 200}}, // far off: into the corner
  };
  for (const TCase& c : cases) {
    const QRect clamped = TFormSaver::ClampToWorkArea(c.Bounds, area);
    EXPECT_EQ(clamped, c.Expected) << c.Bounds.x() << "," << c.Bounds.y();
    // Taller than the work area: the bottom edge is the work area's bottom.
    if (c.Bounds.height() > area.height()) {
      EXPECT_EQ(clamped.top() + clamped.height(), area.top() + area.height());
    }
  }
}

class FormSaverTest : public ::testing::Test {
protected:
  QTemporaryDir Dir;
  TFileRegistry Registry{Dir.filePath(QStringLiteral("settings.json"))};
  QRect Work = QGuiApplication::primaryScreen()->availableGeometry();

  void Store(QRect bounds, bool maximized) {
    auto key = Registry.OpenKey(kMainFormPath + QStringLiteral("\\Position"), true);
    key->WriteInteger(QStringLiteral("Top"), bounds.top());
    key->WriteInteger(QStringLiteral("Left"), bounds.left());
    key->WriteInteger(QStringLiteral("Height"), bounds.height());
    key->WriteInteger(QStringLiteral("Width"), bounds.width());
    key->WriteBool(QStringLiteral("Maximized"), maximized);
  }
};

TEST_F(FormSaverTest, TheKeyIsThePathAndPosition) {
  QWidget window;
  TFormSaver saver(&window, Registry, kMainFormPath);
  EXPECT_EQ(saver.KeyPath(), QStringLiteral("Software\\Tessra\\MainForm\\Position"));
  saver.Path += QLatin1Char('\\');
  EXPECT_EQ(saver.KeyPath(), QStringLiteral("Software\\Tessra\\MainForm\\Position"));
  QWidget child(&window);
  EXPECT_THROW(TFormSaver saver2(&child, Registry, kMainFormPath), TChatException);
}

TEST_F(FormSaverTest, APlacementOffTheScreenComesBackInsideTheWorkArea) {
  Store(QRect(Work.left() - 300, Work.top() + 20, 400, Work.height() + 500), false);
  QWidget window;
  TFormSaver saver(&window, Registry, kMainFormPath);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_FALSE(window.isMaximized());
  // The frame fits inside the work area too.
  const QRect frame = window.frameGeometry();
  const QRect client = window.geometry();
  EXPECT_EQ(frame.top(), Work.top());
  EXPECT_EQ(frame.left(), Work.left());
  EXPECT_EQ(frame.bottom(), Work.bottom());
  EXPECT_EQ(client.width(), 400);
}

TEST_F(FormSaverTest, NothingStoredOpensMaximizedAtTheDesignBounds) {
  QWidget window;
  window.setGeometry(50, 60, 300, 200);
  TFormSaver saver(&window, Registry, kMainFormPath);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_TRUE(window.isMaximized());
  EXPECT_EQ(window.normalGeometry(), QRect(50, 60, 300, 200));
}

TEST_F(FormSaverTest, AMaximizedWindowReopensMaximizedWithItsNormalBoundsKept) {
  const QRect normal(Work.left() + 30, Work.top() + 40, 320, 240);
  {
    QMainWindow window;
    TFormSaver saver(&window, Registry, kMainFormPath);
    saver.DefaultMaximized = false;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.setGeometry(normal);
    window.showMaximized();
    QTRY_VERIFY(window.isMaximized());
    window.close(); // saves
  }
  auto key = Registry.OpenKey(kMainFormPath + QStringLiteral("\\Position"), false);
  ASSERT_TRUE(key);
  EXPECT_TRUE(key->ReadBool(QStringLiteral("Maximized"), false));
  EXPECT_EQ(key->ReadInteger(QStringLiteral("Top"), 0), normal.top());
  EXPECT_EQ(key->ReadInteger(QStringLiteral("Width"), 0), normal.width());

  QMainWindow window;
  TFormSaver saver(&window, Registry, kMainFormPath);
  saver.DefaultMaximized = false;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_TRUE(window.isMaximized());
  EXPECT_EQ(window.normalGeometry(), normal);
  window.showNormal();
  QTRY_COMPARE(window.geometry(), normal);
}

TEST_F(FormSaverTest, ANormalWindowIsSavedAndRestoredAsItWas) {
  const QRect bounds(Work.left() + 10, Work.top() + 15, 333, 222);
  {
    QWidget window;
    TFormSaver saver(&window, Registry, kMessagesFormPath);
    saver.Automatic = false;
    saver.DefaultMaximized = false;
    window.setGeometry(bounds);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    saver.SavePlacement();
  }
  QWidget window;
  TFormSaver saver(&window, Registry, kMessagesFormPath);
  saver.LoadPlacement();
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_FALSE(window.isMaximized());
  EXPECT_EQ(window.geometry(), bounds);
}

} // namespace
} // namespace tessra

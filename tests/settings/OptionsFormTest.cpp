#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "FakeOptionsHost.h"
#include "QtPrinters.h"

#include "settings/AutoConnectFrame.h"
#include "settings/OptionsForm.h"
#include "settings/SOCKSFrame.h"

namespace tessra {
namespace {

class OptionsFormTest : public ::testing::Test {
protected:
  OptionsFormTest() : Form(new TOptionsForm(Host)) {}
  ~OptionsFormTest() override {
    if (Form != nullptr) {
      Form->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  QStringList CreatedPages() const {
    QStringList names;
    for (const TOptionPage& page : Form->Pages()) {
      if (page.Instance != nullptr) {
        names << page.PageName;
      }
    }
    return names;
  }
  void Press(QTreeWidgetItem* node) {
    QTreeWidget* tree = Form->Tree();
    QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
    QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
  }

  test::TFakeOptionsHost Host;
  QPointer<TOptionsForm> Form;
};

TEST_F(OptionsFormTest, OpensOnConnectionWithTheTwoCategoriesExpandedInTableOrder) {
  EXPECT_EQ(Form->windowTitle(), QStringLiteral("Tessra+ Options"));
  EXPECT_EQ(Form->objectName(), QStringLiteral("OptionsForm"));
  EXPECT_FALSE(Form->isModal());
  EXPECT_TRUE(Form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(Form->OkButton()->isDefault());

  QTreeWidget* tree = Form->Tree();
  ASSERT_EQ(tree->topLevelItemCount(), 2);
  const auto children = [](QTreeWidgetItem* node) {
    QStringList names;
    for (int i = 0; i < node->childCount(); ++i) {
      names << node->child(i)->text(0);
    }
    return names;
  };
  EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("General Settings"));
  EXPECT_EQ(children(tree->topLevelItem(0)),
            (QStringList{"Connection", "SOCKS Proxy", "Logging", "Away Options", "Veyra Options"}));
  EXPECT_EQ(tree->topLevelItem(1)->text(0), QStringLiteral("Visual Settings"));
  EXPECT_EQ(children(tree->topLevelItem(1)), (QStringList{"Fonts & Colors", "Chat Window"}));
  EXPECT_TRUE(tree->topLevelItem(0)->isExpanded());
  EXPECT_TRUE(tree->topLevelItem(1)->isExpanded());

  EXPECT_EQ(tree->currentItem(), Form->Node(QStringLiteral("Connection")));
  EXPECT_EQ(Form->CaptionLabel()->text(), QStringLiteral("Connection..."));
  EXPECT_EQ(CreatedPages(), QStringList{"Connection"});
  EXPECT_NE(dynamic_cast<TAutoConnectFrame*>(Form->CurrentPage()), nullptr);
}

TEST_F(OptionsFormTest, OkAtOnceAppliesOnlyTheConnectionPageAndFreesTheDialog) {
  // A start-up value only the Connection page rewrites, and values the other
  // pages would hand on if they were applied.
  Host.Values.OnStartup = 5;
  Host.Values.Logging = true;
  Host.Values.AutoAway = true;
  TSettings expected = Host.Values;
  expected.OnStartup = 1;
  QPointer<TOptionBaseFrame> page = Form->CurrentPage();

  Form->show();
  QTest::mouseClick(Form->OkButton(), Qt::LeftButton);

  EXPECT_EQ(Host.Values, expected);
  EXPECT_TRUE(Host.Calls.isEmpty()) << Host.Calls.join(", ").toStdString();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(Form.isNull());
  EXPECT_TRUE(page.isNull());
}

TEST_F(OptionsFormTest, CancelAppliesNothing) {
  Host.Values.OnStartup = 5;
  Form->ShowPage(Form->Node(QStringLiteral("SOCKS Proxy")));
  Form->CancelButton()->click();
  EXPECT_EQ(Host.Values.OnStartup, 5);
  EXPECT_TRUE(Host.Calls.isEmpty());
  EXPECT_TRUE(Form->IsClosing());
  Form->ShowPage(Form->Node(QStringLiteral("Logging")));
  EXPECT_EQ(Form->Page(QStringLiteral("Logging")), nullptr) << "nothing is shown while closing";
}

TEST_F(OptionsFormTest, ArrowKeysAndPressesSwitchPagesCategoriesChangeNothing) {
  Form->show();
  QTreeWidget* tree = Form->Tree();
  tree->setFocus();

  QTest::keyClick(tree, Qt::Key_Down);
  EXPECT_EQ(Form->CaptionLabel()->text(), QStringLiteral("SOCKS Proxy..."));
  auto* socks = dynamic_cast<TSOCKSFrame*>(Form->CurrentPage());
  ASSERT_NE(socks, nullptr);
  EXPECT_TRUE(socks->isVisible());
  EXPECT_FALSE(Form->Page(QStringLiteral("Connection"))->isVisible());

  Press(tree->topLevelItem(1));
  EXPECT_EQ(Form->CurrentPage(), socks) << "a category has no page";
  EXPECT_EQ(Form->CaptionLabel()->text(), QStringLiteral("SOCKS Proxy..."));

  Press(Form->Node(QStringLiteral("Chat Window")));
  EXPECT_EQ(Form->CaptionLabel()->text(), QStringLiteral("Chat Window..."));
  QTest::keyClick(tree, Qt::Key_Up);
  EXPECT_EQ(Form->CaptionLabel()->text(), QStringLiteral("Fonts & Colors..."));
  EXPECT_EQ(CreatedPages(),
            (QStringList{"Connection", "SOCKS Proxy", "Fonts & Colors", "Chat Window"}));

  // Going back shows the same page with what the user typed on it; it is not
  // loaded again.
  socks->HostEdit->setText(QStringLiteral("typed"));
  Press(Form->Node(QStringLiteral("SOCKS Proxy")));
  EXPECT_EQ(Form->CurrentPage(), socks);
  EXPECT_EQ(socks->HostEdit->text(), QStringLiteral("typed"));
}

TEST_F(OptionsFormTest, OkAppliesTheOpenedPagesInTableOrder) {
  Form->ShowPage(Form->Node(QStringLiteral("Chat Window")));
  Form->ShowPage(Form->Node(QStringLiteral("Away Options")));
  Form->ShowPage(Form->Node(QStringLiteral("SOCKS Proxy")));
  Form->OkButtonClick();
  EXPECT_EQ(Host.Calls, (QStringList{"ApplyProxy", "UpdateAwayTimer", "ApplyChatWindow"}));
}

} // namespace
} // namespace tessra

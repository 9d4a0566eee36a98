#include <memory>

#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "app/AboutBox.h"
#include "app/AwayWiring.h"
#include "app/ExceptionHandler.h"
#include "app/MainForm.h"
#include "common/ChatException.h"
#include "display/ColorMenu.h"
#include "display/EmoticonPicker.h"
#include "settings/FileRegistry.h"
#include "settings/ScriptedPrompt.h"
#include "settings/SettingsStore.h"

namespace tessra {
namespace {

void EnsureApplication() {
  if (QCoreApplication::instance() == nullptr) {
    static int argc = 1;
    static char name[] = "app_tests";
    static char* argv[] = {name, nullptr};
    static const std::unique_ptr<QApplication> app = std::make_unique<QApplication>(argc, argv);
  }
}

class MainFormTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() { EnsureApplication(); }

  QString StorePath() const { return Dir.filePath(QStringLiteral("settings.json")); }

  // Values written to the store before the window reads it.
  void Store(const QString& name, uint32_t value) {
    TFileRegistry registry(StorePath());
    registry.Load();
    registry.OpenKey(kSettingsKey, true)->WriteDword(name, value);
  }

  std::unique_ptr<TMainForm> MakeForm() {
    auto registry = std::make_unique<TFileRegistry>(StorePath());
    registry->Load();
    TMainForm::TOptions options;
    options.Registry = std::move(registry);
    options.Prompt = &Prompt;
    options.KeepConsoleText = true;
    options.SavePlacement = false;
    return std::make_unique<TMainForm>(std::move(options));
  }

  QTemporaryDir Dir;
  TScriptedPrompt Prompt;
};

TEST_F(MainFormTest, CreationShowsTheDisconnectedWindowAndTheWelcomeLine) {
  Store(QStringLiteral("OnStartup"), 0);
  auto form = MakeForm();
  form->FormActivate();
  EXPECT_EQ(Prompt.DialogsRun, 0) << "OnStartup 0 does nothing";
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Tessra + Not Connected"));
  const QStringList lines = form->ConsoleLines();
  ASSERT_EQ(lines.size(), 1);
  EXPECT_TRUE(lines[0].contains(QStringLiteral("<b>Welcome to Veyra</b>")))
      << lines[0].toStdString();

  EXPECT_EQ(form->ToolBar()->windowTitle(), QStringLiteral("Tool Bar"));
  EXPECT_EQ(form->EditToolBar()->windowTitle(), QStringLiteral("Edit Bar"));
  EXPECT_EQ(form->ToolBar()->allowedAreas(), Qt::AllToolBarAreas);
  EXPECT_EQ(form->EditToolBar()->allowedAreas(), Qt::AllToolBarAreas);
  EXPECT_EQ(form->GroupPanel()->windowTitle(), QStringLiteral("Veyra Friends and Groups"));
  EXPECT_EQ(form->dockWidgetArea(form->GroupPanel()), Qt::LeftDockWidgetArea);
  EXPECT_TRUE(form->GroupPanel()->features() & QDockWidget::DockWidgetClosable);
  const auto topNodes = [](QTreeWidget* tree) {
    QStringList texts;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
      texts.append(tree->topLevelItem(i)->text(0));
    }
    return texts;
  };
  EXPECT_EQ(topNodes(form->FriendsTree()),
            (QStringList{QStringLiteral("Online Friends"), QStringLiteral("Offline Friends"),
                         QStringLiteral("Unknown"), QStringLiteral("Ignoring")}));
  EXPECT_EQ(topNodes(form->GroupsTree()),
            (QStringList{QStringLiteral("Public Groups"), QStringLiteral("Private Groups")}));
  EXPECT_FALSE(form->FriendsTree()->isEnabled());
  EXPECT_FALSE(form->Input()->isVisibleTo(form.get()));
  EXPECT_EQ(form->StatusPanel(0)->width(), 150);
  EXPECT_EQ(form->StatusPanel(1)->width(), 75);
  EXPECT_EQ(form->FontColorButton()->toolTip(), QStringLiteral("Select Color"));
  EXPECT_EQ(form->EmoticonsButton()->toolTip(), QStringLiteral("Select Smiley Face"));
  EXPECT_EQ(form->ClientTag(), QStringLiteral("<a type=chatclient version=" TESSRA_VERSION
                                              " href=Tessra>Tessra+</a>"));
  EXPECT_EQ(QString::fromLatin1(TESSRA_VERSION).split(QLatin1Char('.')).size(), 4);
}

TEST_F(MainFormTest, ActionTable) {
  auto form = MakeForm();
  TMainActions& a = form->Actions();
  struct TRow {
    QAction* Action;
    const char* Caption;
    const char* Hint;
    const char* Shortcut;
    bool Enabled;
  };
  const TRow rows[] = {
      {a.ConnectAction, "Co&nnect", "Connect", "Ctrl+N", true},
      {a.DisconnectAction, "&Disconnect", "Disconnect", "Ctrl+D", false},
      {a.UndoAction, "Undo...", "Undo", "Ctrl+Y", false},
      {a.RedoAction, "&Redo...", "Redo", "Ctrl+Y", false},
      {a.CutAction, "Cu&t", "Cut", "Ctrl+X", false},
      {a.PasteAction, "&Paste", "Paste", "Ctrl+V", false},
      {a.DeleteAction, "&Delete", "Delete", "Del", false},
      {a.SelectAllAction, "S&elect All", "", "Ctrl+A", false},
      {a.OptionsAction, "&Options...", "Options", "F10", true},
      {a.AwayAction, "Set Yourself Away", "Set Yourself Away", "", false},
      {a.AttachAction, "Insert Reference", "Insert Reference", "Ctrl+I", false},
      {a.ForumsAction, "Software Forums", "Visit the Tessra forums", "", true},
      {a.AboutAction, "About Tessra", "", "", true},
      {a.MergeIgnorelistAction, "Merge ignorelist.bin ..", "", "", true},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Caption);
    EXPECT_EQ(row.Action->text(), QString::fromLatin1(row.Caption));
    if (row.Hint[0] != '\0') {
      EXPECT_EQ(row.Action->toolTip(), QString::fromLatin1(row.Hint));
    }
    EXPECT_EQ(row.Action->shortcut(), QKeySequence(QString::fromLatin1(row.Shortcut)));
    EXPECT_EQ(row.Action->isEnabled(), row.Enabled);
  }
  EXPECT_EQ(a.ViewGroupsAction->text(), QStringLiteral("&Friends && Groups"));
  for (QAction* view :
       {a.ViewStandardAction, a.ViewEditAction, a.ViewStatusBarAction, a.ViewGroupsAction}) {
    EXPECT_TRUE(view->isCheckable() && view->isChecked()) << view->text().toStdString();
  }
  // Every row of the table became an action with its own name.
  EXPECT_EQ(TMainActions::Table().size(), 38U);
  for (const TMainActions::TSpec& spec : TMainActions::Table()) {
    EXPECT_NE(a.*(spec.Field), nullptr) << spec.Name;
    EXPECT_EQ((a.*(spec.Field))->objectName(), QString::fromLatin1(spec.Name));
  }
}

TEST_F(MainFormTest, AutoAwayTimerRunsFromCreationOnlyWhenAutoAwayIsOn) {
  {
    auto form = MakeForm();
    EXPECT_FALSE(form->AwayParts().System().AwayTimer().isActive());
    EXPECT_FALSE(form->Actions().AwayAction->isEnabled()); // not logged in
    EXPECT_FALSE(form->Actions().AwayMessagesAction->isEnabled());
  }
  Store(QStringLiteral("AutoAway"), 1);
  auto form = MakeForm();
  TAwaySystem& away = form->AwayParts().System();
  EXPECT_TRUE(away.AwayTimer().isActive());
  EXPECT_EQ(away.AwayTimer().interval(), 5000);

  // Typing in the input line counts as activity.
  const uint32_t before = away.LastActivity();
  QTest::qWait(5);
  QTest::keyClick(form->Input(), Qt::Key_A);
  EXPECT_NE(away.LastActivity(), before);
}

TEST_F(MainFormTest, StartupActionRunsOnTheFirstActivationOnly) {
  auto form = MakeForm(); // OnStartup 1 by default: the login dialog
  form->FormActivate();
  EXPECT_EQ(Prompt.DialogsRun, 1);
  form->FormActivate();
  EXPECT_EQ(Prompt.DialogsRun, 1);
  EXPECT_EQ(form->Lifecycle().WaitCursorDepth(), 0) << "a cancelled dialog starts no wait";
}

TEST_F(MainFormTest, ToolbarLayoutAndViewChecksSurviveARestart) {
  Store(QStringLiteral("OnStartup"), 0);
  {
    auto form = MakeForm();
    form->show();
    form->EditToolBar()->hide(); // as its close would
    form->UpdateViewActions();
    EXPECT_FALSE(form->Actions().ViewEditAction->isChecked());
    form->Actions().ViewGroupsAction->trigger();
    EXPECT_FALSE(form->GroupPanel()->isVisibleTo(form.get()));
    EXPECT_FALSE(form->Actions().ViewGroupsAction->isChecked());
    form->close();
  }
  {
    TFileRegistry registry(StorePath());
    registry.Load();
    auto key = registry.OpenKey(kToolbarsKey, false);
    ASSERT_NE(key, nullptr);
    const QByteArray state =
        QByteArray::fromBase64(key->ReadString(QStringLiteral("State"), QString()).toLatin1());
    EXPECT_FALSE(state.isEmpty());
  }
  auto form = MakeForm();
  form->show();
  EXPECT_FALSE(form->EditToolBar()->isVisibleTo(form.get()));
  EXPECT_TRUE(form->ToolBar()->isVisibleTo(form.get()));
  EXPECT_FALSE(form->GroupPanel()->isVisibleTo(form.get()));
  form->UpdateViewActions();
  EXPECT_FALSE(form->Actions().ViewEditAction->isChecked());
  EXPECT_TRUE(form->Actions().ViewStandardAction->isChecked());
  form->Actions().ViewEditAction->trigger();
  EXPECT_TRUE(form->EditToolBar()->isVisibleTo(form.get()));
}

TEST_F(MainFormTest, ToolbarContextMenuListsTheToolbarsEntries) {
  auto form = MakeForm();
  form->show();
  form->statusBar()->hide();
  std::unique_ptr<QMenu> menu(form->createPopupMenu());
  EXPECT_FALSE(form->Actions().ViewStatusBarAction->isChecked()) << "checks follow the bars";
  ASSERT_EQ(menu->actions().size(), 2);
  EXPECT_EQ(menu->actions()[0], form->Actions().ViewStandardAction);
  EXPECT_EQ(menu->actions()[1], form->Actions().ViewEditAction);
}

TEST_F(MainFormTest, EditActionStatesFollowTheFocusedControl) {
  Store(QStringLiteral("OnStartup"), 0);
  auto form = MakeForm();
  form->show();
  form->Input()->show();
  form->Input()->insertPlainText(QStringLiteral("hello"));
  form->Input()->selectAll();
  form->UpdateEditActions();
  TMainActions& a = form->Actions();
  EXPECT_TRUE(a.CutAction->isEnabled());
  EXPECT_TRUE(a.CopyAction->isEnabled());
  EXPECT_TRUE(a.DeleteAction->isEnabled());
  EXPECT_TRUE(a.SelectAllAction->isEnabled());
  EXPECT_TRUE(a.UndoAction->isEnabled());
  EXPECT_FALSE(a.RedoAction->isEnabled());

  a.DeleteAction->trigger();
  EXPECT_TRUE(form->Input()->toPlainText().isEmpty());
  EXPECT_FALSE(a.CutAction->isEnabled());
  EXPECT_FALSE(a.SelectAllAction->isEnabled());

  form->TreeFocused(form->GroupsTree());
  EXPECT_FALSE(a.CopyAction->isEnabled()) << "no node selected";
  EXPECT_FALSE(a.UndoAction->isEnabled());
  EXPECT_FALSE(form->FontColorButton()->isEnabled());
  form->GroupsTree()->setCurrentItem(form->GroupsTree()->topLevelItem(0));
  form->TreeFocused(form->GroupsTree());
  EXPECT_TRUE(a.CopyAction->isEnabled());
}

TEST_F(MainFormTest, CtrlYUndoesInTheInputLineWhileRedoStaysDisabled) {
  Store(QStringLiteral("OnStartup"), 0);
  auto form = MakeForm();
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  form->Input()->show();
  form->Input()->setFocus();
  QTest::keyClicks(form->Input(), QStringLiteral("abc"));
  form->UpdateEditActions();
  ASSERT_TRUE(form->Actions().UndoAction->isEnabled());
  QTest::keyClick(form->Input(), Qt::Key_Y, Qt::ControlModifier);
  EXPECT_TRUE(form->Input()->toPlainText().isEmpty()) << form->Input()->toPlainText().toStdString();
  EXPECT_FALSE(form->Actions().RedoAction->isEnabled());
}

TEST_F(MainFormTest, TornOffPanelTakesFiveSixthsOfItsDocksHeight) {
  Store(QStringLiteral("OnStartup"), 0);
  auto form = MakeForm();
  form->resize(750, 507);
  form->show();
  QCoreApplication::processEvents();
  const int docked = form->GroupPanel()->height();
  ASSERT_GT(docked, 100);
  form->GroupPanel()->setFloating(true);
  QCoreApplication::processEvents();
  EXPECT_EQ(form->GroupPanel()->height(), qRound(docked * 5.0 / 6.0));
}

TEST_F(MainFormTest, ColorMenuAndEmoticonPickerWorkOnTheInputLine) {
  Store(QStringLiteral("OnStartup"), 0);
  auto form = MakeForm();
  EXPECT_EQ(form->FontColorMenu()->DefaultColor(), form->palette().color(QPalette::WindowText));
  EXPECT_EQ(form->FontColorButton()->defaultAction(), form->FontColorMenu()->menuAction());
  EXPECT_EQ(form->EmoticonsButton()->toolTip(), QStringLiteral("Select Smiley Face"));
  auto* picker = form->findChild<TEmoticonPicker*>();
  ASSERT_NE(picker, nullptr);
  picker->Choose(0);
  EXPECT_FALSE(form->Input()->toPlainText().isEmpty());
  form->FontColorMenu()->SetInputColor(QColor(0xFF, 0, 0));
  QTest::keyClicks(form->Input(), QStringLiteral("x"));
  EXPECT_EQ(form->FontColorMenu()->ColorAtCaret(), QColor(0xFF, 0, 0));
}

TEST_F(MainFormTest, ExceptionsBecomeErrorLinesExceptFailedNameLookups) {
  Store(QStringLiteral("OnStartup"), 0);
  auto form = MakeForm();
  form->ApplicationEvents1Exception(QStringLiteral("Socket not connected"));
  form->ApplicationEvents1Exception(QStringLiteral("NAME NOT FOUND FOR ID 42"));
  const QStringList lines = form->ConsoleLines();
  ASSERT_EQ(lines.size(), 2);
  EXPECT_TRUE(lines[1].contains(QStringLiteral("Socket not connected")));
  EXPECT_FALSE(TExceptionHandler::IsShown(QStringLiteral("x name not found for id y")));
  EXPECT_TRUE(TExceptionHandler::IsShown(QStringLiteral("Name not found")));
}

TEST_F(MainFormTest, AboutBoxShowsVersionMemoryAndTwoLinks) {
  TAboutBox box;
  EXPECT_TRUE(box.VersionLabel()->text().contains(QStringLiteral(TESSRA_VERSION)));
  EXPECT_GT(TAboutBox::PhysicalMemory(), 0U);
  EXPECT_EQ(TAboutBox::MemoryText(0), QStringLiteral("unknown"));
  EXPECT_EQ(TAboutBox::MemoryText(uint64_t{2048} * 1024 * 1024), QStringLiteral("2,097,152 KB"));
  EXPECT_TRUE(box.MemoryLabel()->text().endsWith(QStringLiteral(" KB")));
  int links = 0;
  for (const QLabel* label : box.findChildren<QLabel*>()) {
    links += static_cast<int>(label->text().count(QStringLiteral("<a href=")));
  }
  EXPECT_EQ(links, 2);
}

TEST_F(MainFormTest, EventDeliveryCatchesEscapingExceptionsAndGoesOn) {
  QStringList shown;
  const auto show = [&shown](const QString& message) {
    shown.append(message);
    if (message == QStringLiteral("second")) {
      throw TChatException("the handler failed too");
    }
  };
  EXPECT_TRUE(TExceptionHandler::Guarded([] { return true; }, show));
  EXPECT_FALSE(TExceptionHandler::Guarded([]() -> bool { throw TChatException("first"); }, show));
  EXPECT_FALSE(TExceptionHandler::Guarded(
      []() -> bool { throw TChatException("Name not found for ID 7"); }, show));
  EXPECT_FALSE(TExceptionHandler::Guarded([]() -> bool { throw TChatException("second"); }, show));
  EXPECT_EQ(shown, (QStringList{QStringLiteral("first"), QStringLiteral("second")}));
}

} // namespace
} // namespace tessra

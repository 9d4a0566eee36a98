#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <optional>

#include <QByteArrayView>
#include <QColor>

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include "app/ChatLogWriter.h"
#include "app/ChatPresenter.h"
#include "app/ConnectionLifecycle.h"
#include "app/InputLine.h"
#include "app/MainActions.h"
#include "app/MainOptionsHost.h"
#include "engine/VeyraChat.h"
#include "settings/LoginManager.h"
#include "settings/Prompt.h"
#include "settings/Registry.h"
#include "settings/Settings.h"
#include "settings/SettingsHooks.h"

class QDockWidget;
class QLabel;
class QListWidget;
class QMenu;
class QSplitter;
class QTextEdit;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tessra {

class TAwayWiring;
class TBlob;
class TChatConsole;
class TChatWiring;
class TColorMenu;
class TFormSaver;

// The program's one top-level window: it owns the chat engine, the console,
// the input line, the friends and groups panel, the menus, tool bars and
// status bar, and wires them to the parts that do the work (the connection
// lifecycle, the chat presenter and log writer, the login manager, the
// settings store).
class TMainForm : public QMainWindow,
                  private TConnectionLifecycle::TEngine,
                  private TConnectionLifecycle::TView,
                  private TConnectionLifecycle::TCursor {
public:
  struct TOptions {
    // The settings store; the window reads it once when created and writes
    // it once when destroyed.
    std::unique_ptr<TRegistry> Registry;
    // Every message box and dialog goes through it; must outlive the window.
    TPrompt* Prompt = nullptr;
    // The public value of the server's login key, when it is not the game's
    // own (a server of our own, such as tessra-server).
    std::string ServerKeyHex;
    // The console keeps each line's mark-up (tests read it back).
    bool KeepConsoleText = false;
    // Restore and save the window placement (off in tests).
    bool SavePlacement = true;
    // The whois web site as "HOST" or "HOST:PORT"; empty (or not a host) for the game's own.
    QString WhoisHost;
    // Replaces the engine's own dimensions before they are marked built-in
    // (the demo keeps only its loopback one).
    std::function<void(TDimensionList&)> BuiltInDimensions;
  };

  explicit TMainForm(TOptions options, QWidget* parent = nullptr);
  ~TMainForm() override;

  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  // Window handlers.
  void FormActivate();
  void FormClose();

  // The application-wide handler's work: the failure as an error line.
  void ApplicationEvents1Exception(const QString& message);

  // Operations other parts call.
  void RunStartupAction();
  void AddOutputLine(const QString& text, const QColor& color, bool timestamped);
  void AddErrorLine(const QString& text) override;
  void AddSystemLine(const QString& text) override;
  // Shows the target caption (empty hides it); the target itself is the
  // input line's business.
  void SetTarget(const QString& caption);

  // The parts, for the program entry and for tests.
  TVeyraChat& VeyraChat() { return *Chat; }
  TConnectionLifecycle& Lifecycle() { return *ConnLifecycle; }
  TLoginManager& LoginManager() { return *Logins; }
  TChatPresenter& Presenter() { return *ChatPresenter; }
  TMainActions& Actions() { return *MainActions; }
  TSettings& Settings() { return UserSettings; }
  TChatConsole* Console() const { return OutputMemo; }
  TInputEdit* Input() const { return InputEdit; }
  // The chatting parts: the trees, their menus, the message target, the slash commands and
  // the ignore list.
  TChatWiring& Chatting() const { return *Wiring; }
  // The away mode, its store and viewer.
  TAwayWiring& AwayParts() const { return *Away; }
  // The options dialog and what its pages apply to the window.
  TMainOptionsHost& OptionsWindow() const { return *OptionsHost; }
  QTreeWidget* FriendsTree() const { return FriendsTreeView; }
  QTreeWidget* GroupsTree() const { return GroupsTreeView; }
  QToolBar* ToolBar() const { return StandardBar; }
  QToolBar* EditToolBar() const { return EditBar; }
  QDockWidget* GroupPanel() const { return GroupDockablePanel; }
  QLabel* StatusPanel(int index) const { return StatusPanels[index]; }
  QToolButton* FontColorButton() const { return FontColorBtn; }
  QToolButton* EmoticonsButton() const { return EmoticonsBtn; }
  TColorMenu* FontColorMenu() const { return ColorMenu; }
  const QString& ClientTag() const { return ClientTagText; }
  const QStringList& MutedChannels() const { return MutedChannelList; }

  // The mark-up of every console line, oldest first (needs KeepConsoleText).
  QStringList ConsoleLines() const;

  // Edit and view action states.
  void UpdateEditActions();
  void TreeFocused(QTreeWidget* tree);
  void UpdateViewActions();

  // The right-click menu of the tool bars: the entries of View > Toolbars.
  QMenu* createPopupMenu() override;

protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

private:
  // The chatting parts reach the window's own parts directly.
  friend class TChatWiring;
  friend class TMainOptionsHost;

  // Received text as console mark-up, with the window's own settings.
  QString ReceivedToMarkup(QByteArrayView message, const TBlob* blob,
                           const std::optional<QColor>& color) const;
  void FormCreate();
  void FormDestroy();
  void BuildLayout();
  void BuildMenus();
  void WireActions();
  void WireEngine();
  TSettingsHooks SettingsHooks();
  void DockTopLevelChanged(bool floating);

  // TConnectionLifecycle::TEngine
  void Connect() override;
  void Disconnect() override;
  void Login2(const QString& charName) override;
  bool IsDisconnected() const override;
  QString DimensionName() const override;
  bool HasCharacter(const QString& charName) const override;

  // TConnectionLifecycle::TView
  void SetConnectionActions(bool connected) override;
  void DisableChatControls() override;
  void EnableChatControls() override;
  void ClearGroupNodes() override;
  void ClearBuddyNodes() override;
  void SetCaption(const QString& caption) override;
  void SetStatusPanels(const QString& character, const QString& dimension) override;
  void RecordLogin() override;
  bool SelectCharacter(QString& charName) override;
  void LoadMutedChannels(const QString& charName) override;
  void SetLastCharacter(const QString& charName) override;
  void LoadIgnoreList(const QString& charName) override;
  void MarkActivity() override;
  bool IsAway() const override;

  // TConnectionLifecycle::TCursor
  void SetBusy(bool busy) override;

  TOptions Options;
  TPrompt& Prompt;
  TSettings UserSettings;
  QStringList MutedChannelList;
  QString ClientTagText;
  bool StartupPending = true;
  bool Destroyed = false;
  int LastDockedHeight = 0;

  std::unique_ptr<TVeyraChat> Chat;
  std::unique_ptr<TMainActions> MainActions;
  std::unique_ptr<TChatLogWriter> LogWriter;
  std::unique_ptr<TChatPresenter> ChatPresenter;
  std::unique_ptr<TLoginManager> Logins;
  std::unique_ptr<TConnectionLifecycle> ConnLifecycle;
  std::unique_ptr<TChatWiring> Wiring;
  std::unique_ptr<TAwayWiring> Away;
  std::unique_ptr<TMainOptionsHost> OptionsHost;
  TFormSaver* PlacementSaver = nullptr;

  QToolBar* StandardBar = nullptr;
  QToolBar* EditBar = nullptr;
  TColorMenu* ColorMenu = nullptr;
  QMenu* EmoticonMenu = nullptr;
  QToolButton* FontColorBtn = nullptr;
  QToolButton* EmoticonsBtn = nullptr;
  QDockWidget* GroupDockablePanel = nullptr;
  QSplitter* GroupsSplitter = nullptr;
  QTreeWidget* FriendsTreeView = nullptr;
  QTreeWidget* GroupsTreeView = nullptr;
  QSplitter* CentreSplitter = nullptr;
  TChatConsole* OutputMemo = nullptr;
  QWidget* InputPanel = nullptr;
  QWidget* TargetPanel = nullptr;
  QLabel* TargetLabel = nullptr;
  TInputEdit* InputEdit = nullptr;
  QListWidget* RefListView = nullptr;
  QLabel* StatusPanels[3] = {nullptr, nullptr, nullptr};
  QMenu* ToolbarsMenu = nullptr;
};

} // namespace tessra

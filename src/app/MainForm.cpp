#include "MainForm.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSplitter>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QWidgetAction>

#include "app/AboutBox.h"
#include "app/AwayWiring.h"
#include "app/ChatWiring.h"
#include "app/ExceptionHandler.h"
#include "app/FriendsTree.h"
#include "app/GroupsTree.h"
#include "app/InputLine.h"
#include "app/ReferenceAttacher.h"
#include "common/Trace.h"
#include "display/ChatConsole.h"
#include "display/ChatConsoleImageList.h"
#include "display/ChatTextCodec.h"
#include "display/ColorCodes.h"
#include "display/ColorMenu.h"
#include "display/EmoticonPicker.h"
#include "display/References.h"
#include "display/TextTransforms.h"
#include "engine/VeyraBlob.h"
#include "settings/ColorCode.h"
#include "settings/FormSaver.h"
#include "settings/SettingsStore.h"
#include "settings/ToolbarLayout.h"

namespace tessra {

namespace {

// Names travel to and from the engine as UTF-8, like every other chat text.
TBytes ToBytes(const QString& text) {
  const QByteArray bytes = EncodeChatText(text);
  return TBytes(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString FromBytes(const TBytes& bytes) {
  return DecodeChatText(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

// Raised whenever the bars or docks change, so that an old stored layout is
// not forced onto them.
constexpr int kToolbarLayoutVersion = 1;

QTreeWidget* MakeTree(QWidget* parent, const char* objectName, const QStringList& topNodes) {
  auto* tree = new QTreeWidget(parent);
  tree->setObjectName(QString::fromLatin1(objectName));
  tree->setHeaderHidden(true);
  tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tree->setContextMenuPolicy(Qt::CustomContextMenu);
  for (const QString& text : topNodes) {
    tree->addTopLevelItem(new QTreeWidgetItem(QStringList{text}));
  }
  return tree;
}

} // namespace

TMainForm::TMainForm(TOptions options, QWidget* parent)
    : QMainWindow(parent), Options(std::move(options)), Prompt(*Options.Prompt) {
  setObjectName(QStringLiteral("MainForm"));
  Chat = std::make_unique<TVeyraChat>();
  Chat->setObjectName(QStringLiteral("VeyraChat"));
  if (!Options.ServerKeyHex.empty()) {
    Chat->ServerValueHex = Options.ServerKeyHex;
  }
  MainActions = std::make_unique<TMainActions>(this);
  BuildLayout();
  BuildMenus();
  // The trees take over their views here; the group tree is the presenter's group panel.
  Wiring = std::make_unique<TChatWiring>(*this, *FriendsTreeView, *GroupsTreeView);

  LogWriter = std::make_unique<TChatLogWriter>();
  TChatTextTransforms transforms;
  transforms.DecodeChatText = [](QByteArrayView bytes) { return DecodeChatText(bytes); };
  transforms.EncodeChatText = [](const QString& text) { return EncodeChatText(text); };
  transforms.ReplaceLiterals = [this](QByteArrayView message, const TBlob* blob,
                                      const std::optional<QColor>& color) {
    return ReceivedToMarkup(message, blob, color);
  };
  transforms.StripColorCodes = [](const QString& text) { return StripColorCodes(text); };
  transforms.ColorToHex = [](const QColor& color) { return ColorToHex(color); };
  ChatPresenter = std::make_unique<TChatPresenter>(
      std::move(transforms),
      [this](const QString& markup, bool parseUrls) {
        OutputMemo->AddLine(markup, nullptr, parseUrls);
      },
      *LogWriter, static_cast<TGroupPanelView&>(Wiring->Groups()));
  Logins = std::make_unique<TLoginManager>(*Chat, UserSettings, Prompt, this);
  ConnLifecycle = std::make_unique<TConnectionLifecycle>(
      static_cast<TConnectionLifecycle::TEngine&>(*this),
      static_cast<TConnectionLifecycle::TView&>(*this),
      static_cast<TConnectionLifecycle::TCursor&>(*this), UserSettings, Prompt, this);
  OptionsHost = std::make_unique<TMainOptionsHost>(*this);
  WireActions();
  WireEngine();
  Wiring->Wire();
  Away = std::make_unique<TAwayWiring>(*this, Prompt, Options.Registry.get());
  // The away options apply the auto-away timer at once.
  OptionsHost->OnUpdateAwayTimer = [this] { Away->System().UpdateAwayTimer(); };
  FormCreate();
}

QString TMainForm::ReceivedToMarkup(QByteArrayView message, const TBlob* blob,
                                    const std::optional<QColor>& color) const {
  TReplaceLiteralsSettings settings;
  settings.ParseEmoticons = UserSettings.ParseEmoticons;
  settings.BackgroundColor = OutputMemo->Color();
  return ReplaceLiterals(message, blob, color, settings, Wiring ? &Wiring->References() : nullptr);
}

TMainForm::~TMainForm() {
  FormDestroy();
}

// ------------------------------------------------------------------- layout

void TMainForm::BuildLayout() {
  resize(750, 507);
  QFont font(QStringLiteral("Tahoma"));
  font.setPointSize(8);
  setFont(font);
  setDockOptions(dockOptions() | QMainWindow::AllowNestedDocks);

  StandardBar = new QToolBar(QStringLiteral("Tool Bar"), this);
  StandardBar->setObjectName(QStringLiteral("StandardBar"));
  StandardBar->setAllowedAreas(Qt::AllToolBarAreas);
  addToolBar(Qt::TopToolBarArea, StandardBar);
  EditBar = new QToolBar(QStringLiteral("Edit Bar"), this);
  EditBar->setObjectName(QStringLiteral("EditBar"));
  EditBar->setAllowedAreas(Qt::AllToolBarAreas);
  addToolBar(Qt::TopToolBarArea, EditBar);

  GroupDockablePanel = new QDockWidget(QStringLiteral("Veyra Friends and Groups"), this);
  GroupDockablePanel->setObjectName(QStringLiteral("GroupDockablePanel"));
  GroupDockablePanel->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                                  QDockWidget::DockWidgetFloatable);
  GroupsSplitter = new QSplitter(Qt::Vertical, GroupDockablePanel);
  GroupsSplitter->setHandleWidth(3);
  GroupsSplitter->setChildrenCollapsible(false);
  FriendsTreeView = MakeTree(GroupsSplitter, "FriendsTreeView",
                             {QStringLiteral("Online Friends"), QStringLiteral("Offline Friends"),
                              QStringLiteral("Unknown"), QStringLiteral("Ignoring")});
  GroupsTreeView = MakeTree(GroupsSplitter, "GroupsTreeView",
                            {QStringLiteral("Public Groups"), QStringLiteral("Private Groups")});
  GroupsSplitter->addWidget(FriendsTreeView);
  GroupsSplitter->addWidget(GroupsTreeView);
  GroupsSplitter->setStretchFactor(0, 1);
  GroupsSplitter->setStretchFactor(1, 0);
  GroupsSplitter->setSizes({400, 193});
  GroupDockablePanel->setWidget(GroupsSplitter);
  addDockWidget(Qt::LeftDockWidgetArea, GroupDockablePanel);
  connect(GroupDockablePanel, &QDockWidget::topLevelChanged, this,
          [this](bool floating) { DockTopLevelChanged(floating); });

  CentreSplitter = new QSplitter(Qt::Vertical, this);
  CentreSplitter->setHandleWidth(3);
  CentreSplitter->setChildrenCollapsible(false);
  OutputMemo = new TChatConsole(CentreSplitter);
  OutputMemo->setObjectName(QStringLiteral("OutputMemo"));
  OutputMemo->SetStoreText(Options.KeepConsoleText);
  // The emoticon pictures belong to the window (Qt parent); the console only draws them.
  OutputMemo->SetImageList(TChatConsoleImageList::CreateEmoticonList(this).release());
  InputPanel = new QWidget(CentreSplitter);
  InputPanel->setObjectName(QStringLiteral("InputPanel"));
  auto* inputLayout = new QHBoxLayout(InputPanel);
  inputLayout->setContentsMargins(0, 0, 0, 0);
  inputLayout->setSpacing(0);
  TargetPanel = new QWidget(InputPanel);
  TargetPanel->setObjectName(QStringLiteral("TargetPanel"));
  auto* targetLayout = new QHBoxLayout(TargetPanel);
  targetLayout->setContentsMargins(4, 0, 4, 0);
  TargetLabel = new QLabel(TargetPanel);
  TargetLabel->setObjectName(QStringLiteral("TargetLabel"));
  TargetLabel->setStyleSheet(QStringLiteral("color: blue"));
  targetLayout->addWidget(TargetLabel);
  TargetPanel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  TargetPanel->hide();
  InputEdit = new TInputEdit(InputPanel);
  InputEdit->setObjectName(QStringLiteral("InputEdit"));
  InputEdit->setFrameShape(QFrame::NoFrame);
  InputEdit->setAcceptRichText(true);
  InputEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  InputEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  InputEdit->setContextMenuPolicy(Qt::CustomContextMenu);
  RefListView = new QListWidget(InputPanel);
  RefListView->setObjectName(QStringLiteral("RefListView"));
  RefListView->setViewMode(QListView::IconMode);
  RefListView->setIconSize(QSize(32, 32));
  RefListView->setFixedWidth(74);
  RefListView->hide();
  inputLayout->addWidget(TargetPanel);
  inputLayout->addWidget(InputEdit, 1);
  inputLayout->addWidget(RefListView);
  CentreSplitter->addWidget(OutputMemo);
  CentreSplitter->addWidget(InputPanel);
  CentreSplitter->setStretchFactor(0, 1);
  CentreSplitter->setStretchFactor(1, 0);
  CentreSplitter->setSizes({400, 73});
  setCentralWidget(CentreSplitter);

  for (int i = 0; i < 3; ++i) {
    StatusPanels[i] = new QLabel(this);
    StatusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i + 1));
  }
  StatusPanels[0]->setFixedWidth(150);
  StatusPanels[1]->setFixedWidth(75);
  statusBar()->addWidget(StatusPanels[0]);
  statusBar()->addWidget(StatusPanels[1]);
  statusBar()->addWidget(StatusPanels[2], 1);

  InputEdit->installEventFilter(this);
  GroupDockablePanel->installEventFilter(this);
  FriendsTreeView->installEventFilter(this);
  GroupsTreeView->installEventFilter(this);
}

void TMainForm::BuildMenus() {
  TMainActions& a = *MainActions;
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->addActions({a.ConnectAction, a.DisconnectAction});
  file->addSeparator();
  file->addAction(a.ExitAction);

  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  edit->setObjectName(QStringLiteral("EditMenu"));
  edit->addActions({a.UndoAction, a.RedoAction});
  edit->addSeparator();
  edit->addActions({a.CutAction, a.CopyAction, a.PasteAction, a.DeleteAction});
  edit->addSeparator();
  edit->addAction(a.SelectAllAction);

  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  ToolbarsMenu = view->addMenu(QStringLiteral("Toolbars"));
  ToolbarsMenu->addActions({a.ViewStandardAction, a.ViewEditAction});
  view->addActions({a.ViewStatusBarAction, a.ViewGroupsAction});
  view->addSeparator();
  view->addAction(a.AwayMessagesAction);
  view->addSeparator();
  view->addAction(a.OptionsAction);
  // The check marks are brought up to date whenever they are about to be seen.
  connect(view, &QMenu::aboutToShow, this, [this] { UpdateViewActions(); });

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  help->addActions({a.TessraSiteAction, a.ForumsAction});
  help->addSeparator();
  help->addAction(a.WebsiteAction);
  help->addSeparator();
  help->addAction(a.AboutAction);

  StandardBar->addAction(a.ConnectAction);
  if (auto* button = qobject_cast<QToolButton*>(StandardBar->widgetForAction(a.ConnectAction))) {
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  }
  StandardBar->addAction(a.DisconnectAction);
  StandardBar->addSeparator();
  StandardBar->addActions({a.AwayAction, a.AwayMessagesAction});
  StandardBar->addSeparator();
  StandardBar->addAction(a.OptionsAction);

  EditBar->addActions({a.CutAction, a.CopyAction, a.PasteAction, a.DeleteAction});
  EditBar->addSeparator();
  EditBar->addActions({a.UndoAction, a.RedoAction});
  EditBar->addSeparator();
  // The colour menu and the emoticon picker hang under these two buttons.
  ColorMenu = new TColorMenu(this);
  ColorMenu->SetInput(InputEdit);
  ColorMenu->menuAction()->setToolTip(QStringLiteral("Select Color"));
  FontColorBtn = new QToolButton(EditBar);
  FontColorBtn->setObjectName(QStringLiteral("FontColorButton"));
  FontColorBtn->setPopupMode(QToolButton::InstantPopup);
  // The menu's own action carries the picture with the colour bar.
  FontColorBtn->setDefaultAction(ColorMenu->menuAction());
  connect(InputEdit, &QTextEdit::cursorPositionChanged, ColorMenu, &TColorMenu::FollowInput);

  EmoticonMenu = new QMenu(this);
  auto* picker = new TEmoticonPicker(OutputMemo->ImageList(), EmoticonMenu);
  picker->SetInput(InputEdit);
  auto* pickerAction = new QWidgetAction(EmoticonMenu);
  pickerAction->setDefaultWidget(picker);
  EmoticonMenu->addAction(pickerAction);
  EmoticonMenu->menuAction()->setText(QStringLiteral("Emoticons"));
  EmoticonMenu->menuAction()->setToolTip(QStringLiteral("Select Smiley Face"));
  EmoticonMenu->menuAction()->setIcon(TMainActions::IconFor("face-smile", ":)"));
  EmoticonsBtn = new QToolButton(EditBar);
  EmoticonsBtn->setObjectName(QStringLiteral("EmoticonsButton"));
  EmoticonsBtn->setPopupMode(QToolButton::InstantPopup);
  EmoticonsBtn->setDefaultAction(EmoticonMenu->menuAction());
  EditBar->addWidget(FontColorBtn);
  EditBar->addWidget(EmoticonsBtn);
  EditBar->addSeparator();
  EditBar->addAction(a.AttachAction);
}

QMenu* TMainForm::createPopupMenu() {
  UpdateViewActions();
  auto* menu = new QMenu(this);
  menu->addActions(ToolbarsMenu->actions());
  return menu;
}

void TMainForm::DockTopLevelChanged(bool floating) {
  if (floating) {
    if (LastDockedHeight > 0) {
      GroupDockablePanel->resize(GroupDockablePanel->width(), qRound(LastDockedHeight * 5.0 / 6.0));
    }
  }
}

// ------------------------------------------------------------------ actions

void TMainForm::WireActions() {
  TMainActions& a = *MainActions;
  connect(a.ConnectAction, &QAction::triggered, this, [this] { Logins->ShowLoginDialog(); });
  connect(a.DisconnectAction, &QAction::triggered, this,
          [this] { ConnLifecycle->UserDisconnect(); });
  connect(a.ExitAction, &QAction::triggered, this, &QWidget::close);

  const auto afterEdit = [this] { UpdateEditActions(); };
  connect(a.UndoAction, &QAction::triggered, this, [this, afterEdit] {
    InputEdit->undo();
    afterEdit();
  });
  connect(a.CutAction, &QAction::triggered, this, [this, afterEdit] {
    InputEdit->cut();
    afterEdit();
  });
  connect(a.CopyAction, &QAction::triggered, this, [this, afterEdit] {
    if (InputEdit->hasFocus()) {
      InputEdit->copy();
    } else {
      for (QTreeWidget* tree : {FriendsTreeView, GroupsTreeView}) {
        if (tree->hasFocus() && tree->currentItem() != nullptr) {
          QGuiApplication::clipboard()->setText(tree->currentItem()->text(0));
        }
      }
    }
    afterEdit();
  });
  connect(a.PasteAction, &QAction::triggered, this, [this, afterEdit] {
    InputEdit->insertPlainText(QGuiApplication::clipboard()->text());
    afterEdit();
  });
  connect(a.DeleteAction, &QAction::triggered, this, [this, afterEdit] {
    InputEdit->textCursor().removeSelectedText();
    afterEdit();
  });
  connect(a.SelectAllAction, &QAction::triggered, this, [this, afterEdit] {
    InputEdit->selectAll();
    afterEdit();
  });

  connect(a.ViewStandardAction, &QAction::triggered, StandardBar, &QWidget::setVisible);
  connect(a.ViewEditAction, &QAction::triggered, EditBar, &QWidget::setVisible);
  connect(a.ViewGroupsAction, &QAction::triggered, GroupDockablePanel, &QWidget::setVisible);
  connect(a.ViewStatusBarAction, &QAction::triggered, statusBar(), &QWidget::setVisible);
  // The bars' own close buttons (and moves to and from floating) clear or
  // set the check marks.
  connect(StandardBar, &QToolBar::visibilityChanged, this, [this] { UpdateViewActions(); });
  connect(EditBar, &QToolBar::visibilityChanged, this, [this] { UpdateViewActions(); });
  connect(GroupDockablePanel, &QDockWidget::visibilityChanged, this,
          [this] { UpdateViewActions(); });

  connect(a.OptionsAction, &QAction::triggered, this,
          [this] { OptionsHost->OptionsActionExecute(); });
  const auto open = [](const char* url) {
    return [url] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(url))); };
  };
  connect(a.TessraSiteAction, &QAction::triggered, this, open(TMainActions::kTessraSiteUrl));
  connect(a.ForumsAction, &QAction::triggered, this, open(TMainActions::kForumsUrl));
  connect(a.WebsiteAction, &QAction::triggered, this, open(TMainActions::kVeyraSiteUrl));
  connect(a.AboutAction, &QAction::triggered, this, [this] {
    TAboutBox box(this);
    Prompt.ExecDialog(box);
  });

  connect(InputEdit, &QTextEdit::customContextMenuRequested, this, [this](const QPoint& pos) {
    UpdateEditActions();
    QMenu menu(this);
    const TMainActions& actions = *MainActions;
    menu.addActions({actions.UndoAction, actions.RedoAction});
    menu.addSeparator();
    menu.addActions(
        {actions.CutAction, actions.CopyAction, actions.PasteAction, actions.DeleteAction});
    menu.addSeparator();
    menu.addAction(actions.SelectAllAction);
    menu.exec(InputEdit->mapToGlobal(pos));
  });
  connect(InputEdit, &QTextEdit::selectionChanged, this, [this] {
    if (InputEdit->hasFocus()) {
      UpdateEditActions();
    }
  });
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
    if (InputEdit->hasFocus()) {
      UpdateEditActions();
    }
  });
  OutputMemo->OnSelect = [this](TCustomChatConsole*, const QString& selectedText) {
    QGuiApplication::clipboard()->setText(selectedText);
    if (InputEdit->hasFocus()) {
      MainActions->PasteAction->setEnabled(true);
    }
  };

  // While a connection is opening a second Connect could only fail; the
  // command comes back when the connection ends or cannot start.
  Logins->OnBeginWait = [this](TLoginManager&) {
    ConnLifecycle->UserConnectStarted();
    ConnLifecycle->BeginWaitCursor();
    SetConnectionActions(true);
  };
  Logins->OnEndWait = [this](TLoginManager&) {
    ConnLifecycle->EndWaitCursor();
    SetConnectionActions(false);
  };
  Logins->OnStartupLogin = [this](TLoginManager&) {
    ConnLifecycle->UserConnectStarted();
    SetConnectionActions(true);
  };
  Logins->OnUserDisconnect = [this](TLoginManager&) { ConnLifecycle->UserDisconnect(); };
  LogWriter->OnWriteError = [this](TChatLogWriter&, const QString& message) {
    AddErrorLine(message);
  };
  ChatPresenter->CurrentChar = [this] { return ConnLifecycle->CurrentChar; };
}

void TMainForm::UpdateEditActions() {
  TMainActions& a = *MainActions;
  const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
  a.PasteAction->setEnabled(clip != nullptr && clip->hasText());
  const bool selection = InputEdit->textCursor().hasSelection();
  a.CutAction->setEnabled(selection);
  a.CopyAction->setEnabled(selection);
  a.DeleteAction->setEnabled(selection);
  a.SelectAllAction->setEnabled(!InputEdit->document()->isEmpty());
  a.UndoAction->setEnabled(InputEdit->document()->isUndoAvailable());
}

void TMainForm::TreeFocused(QTreeWidget* tree) {
  TMainActions& a = *MainActions;
  ColorMenu->menuAction()->setEnabled(false);
  EmoticonMenu->menuAction()->setEnabled(false);
  for (QAction* action : {a.AttachAction, a.PasteAction, a.CutAction, a.DeleteAction,
                          a.SelectAllAction, a.UndoAction}) {
    action->setEnabled(false);
  }
  a.CopyAction->setEnabled(tree->currentItem() != nullptr && tree->currentItem()->isSelected());
}

void TMainForm::UpdateViewActions() {
  TMainActions& a = *MainActions;
  // Visibility to the window, so that hiding the whole window (closing,
  // minimising) leaves the check marks alone.
  a.ViewStandardAction->setChecked(StandardBar->isVisibleTo(this));
  a.ViewEditAction->setChecked(EditBar->isVisibleTo(this));
  a.ViewGroupsAction->setChecked(GroupDockablePanel->isVisibleTo(this));
  a.ViewStatusBarAction->setChecked(statusBar()->isVisibleTo(this));
}

bool TMainForm::eventFilter(QObject* watched, QEvent* e) {
  if (watched == InputEdit) {
    switch (e->type()) {
    case QEvent::FocusIn:
      ColorMenu->menuAction()->setEnabled(true);
      EmoticonMenu->menuAction()->setEnabled(true);
      MainActions->AttachAction->setEnabled(true);
      UpdateEditActions();
      break;
    case QEvent::KeyRelease:
    case QEvent::MouseButtonRelease:
      UpdateEditActions();
      break;
    case QEvent::ShortcutOverride: {
      // The edit control would take Ctrl+Y as its own redo; it belongs to
      // UndoAction.
      const auto* key = static_cast<QKeyEvent*>(e);
      if (key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y)) {
        e->ignore();
        return true;
      }
      break;
    }
    default:
      break;
    }
  } else if ((watched == FriendsTreeView || watched == GroupsTreeView) &&
             e->type() == QEvent::FocusIn) {
    TreeFocused(static_cast<QTreeWidget*>(watched));
  } else if (watched == GroupDockablePanel && e->type() == QEvent::Resize &&
             !GroupDockablePanel->isFloating()) {
    // The height of the dock it sits in, for the size it takes when torn off.
    LastDockedHeight = GroupDockablePanel->height();
  }
  return QMainWindow::eventFilter(watched, e);
}

// ------------------------------------------------------------------- engine

void TMainForm::WireEngine() {
  TVeyraChat& c = *Chat;
  TConnectionLifecycle& life = *ConnLifecycle;
  TChatPresenter& p = *ChatPresenter;
  c.OnConnect = [&life](TVeyraChat&) { life.VeyraChatConnect(); };
  c.OnLogin = [&life](TVeyraChat&) { life.VeyraChatLogin(); };
  c.OnLoginError = [&life](TVeyraChat&, const TBytes& message) {
    life.VeyraChatLoginError(FromBytes(message));
  };
  c.OnDisconnect = [&life](TVeyraChat&) { life.VeyraChatDisconnect(); };
  c.OnError = [&life](TVeyraChat&, int& errorCode) { life.VeyraChatError(errorCode); };
  c.OnException = [this](TVeyraChat&, const std::exception& e) {
    const QString message = QString::fromUtf8(e.what());
    if (TExceptionHandler::IsShown(message)) {
      ApplicationEvents1Exception(message);
    }
  };
  c.OnSystemMessage = [&p](TVeyraChat& s, const TBytes& m) { p.VeyraChatSystemMessage(s, m); };
  c.OnOfflinePrivMessage = [&p](TVeyraChat& s, const TBytes& n, const TBytes& m,
                                const TStringsBlob* b) {
    p.VeyraChatOfflinePrivMessage(s, n, m, b);
  };
  c.OnPrivateMessage = [&p](TVeyraChat& s, const TBytes& n, const TBytes& m, const TBlob* b) {
    p.VeyraChatPrivateMessage(s, n, m, b);
  };
  c.OnGroupMessage = [&p](TVeyraChat& s, int g, const TBytes& n, const TBytes& m, const TBlob* b) {
    p.VeyraChatGroupMessage(s, g, n, m, b);
  };
  c.OnGroupListChange = [&p](TVeyraChat& s) { p.VeyraChatGroupListChange(s); };
  c.OnPrivateGroupMessage = [&p](TVeyraChat& s, const TBytes& g, const TBytes& n, const TBytes& m,
                                 const TBlob* b) { p.VeyraChatPrivateGroupMessage(s, g, n, m, b); };
  c.OnPrivateGroupJoin = [&p](TVeyraChat& s, const TBytes& g, const TBytes& n) {
    p.VeyraChatPrivateGroupJoin(s, g, n);
  };
  c.OnPrivateGroupLeave = [&p](TVeyraChat& s, const TBytes& g, const TBytes& n) {
    p.VeyraChatPrivateGroupLeave(s, g, n);
  };
  c.OnPrivateGroupKick = [&p](TVeyraChat& s, const TBytes& g) {
    p.VeyraChatPrivateGroupKick(s, g);
  };
}

void TMainForm::Connect() {
  Chat->Connect();
}

void TMainForm::Disconnect() {
  Chat->Disconnect();
}

void TMainForm::Login2(const QString& charName) {
  Chat->Login2(ToBytes(charName));
}

bool TMainForm::IsDisconnected() const {
  return Chat->State() == TChatState::csDisconnected;
}

QString TMainForm::DimensionName() const {
  return Chat->Dimension != nullptr ? Chat->Dimension->Name : QString();
}

bool TMainForm::HasCharacter(const QString& charName) const {
  const TCharList& list = Chat->CharList();
  for (int i = 0; i < list.Count(); ++i) {
    if (FromBytes(list.GetChar(i).Name).compare(charName, Qt::CaseInsensitive) == 0) {
      return true;
    }
  }
  return false;
}

// --------------------------------------------------------------------- view

void TMainForm::AddOutputLine(const QString& text, const QColor& color, bool timestamped) {
  ChatPresenter->AddOutputLine(text, color, timestamped);
}

void TMainForm::AddErrorLine(const QString& text) {
  ChatPresenter->AddErrorLine(text);
}

void TMainForm::AddSystemLine(const QString& text) {
  ChatPresenter->AddSystemLine(text);
}

void TMainForm::SetTarget(const QString& caption) {
  TraceApp(QStringLiteral("SetTarget: ") + caption);
  TargetLabel->setText(caption);
  TargetPanel->setVisible(!caption.isEmpty());
}

void TMainForm::SetConnectionActions(bool connected) {
  MainActions->ConnectAction->setEnabled(!connected);
  MainActions->DisconnectAction->setEnabled(connected);
}

void TMainForm::DisableChatControls() {
  SetTarget(QString());
  RefListView->hide();
  InputEdit->hide();
  FriendsTreeView->setEnabled(false);
  GroupsTreeView->setEnabled(false);
  OutputMemo->setEnabled(false);
}

void TMainForm::EnableChatControls() {
  InputEdit->show();
  // A reference attached before the connection was lost is still there to send or remove.
  RefListView->setVisible(Wiring->Attachments().Attachment().Exists());
  FriendsTreeView->setEnabled(true);
  GroupsTreeView->setEnabled(true);
  OutputMemo->setEnabled(true);
  InputEdit->setFocus();
}

void TMainForm::ClearGroupNodes() {
  // The tree saves the muted public groups of the character before it empties.
  Wiring->Groups().ClearGroupNodes();
}

void TMainForm::ClearBuddyNodes() {
  Wiring->Friends().ClearBuddyNodes();
}

void TMainForm::SetCaption(const QString& caption) {
  setWindowTitle(caption);
  // The application title; equal to the caption, so Qt adds nothing to it.
  QGuiApplication::setApplicationDisplayName(caption);
}

void TMainForm::SetStatusPanels(const QString& character, const QString& dimension) {
  StatusPanels[0]->setText(character);
  StatusPanels[1]->setText(dimension);
}

void TMainForm::RecordLogin() {
  Logins->RecordLogin();
}

bool TMainForm::SelectCharacter(QString& charName) {
  return Logins->SelectCharacter(charName);
}

void TMainForm::LoadMutedChannels(const QString& charName) {
  MutedChannelList =
      Options.Registry ? tessra::LoadMutedChannels(*Options.Registry, charName) : QStringList();
}

void TMainForm::SetLastCharacter(const QString& charName) {
  Logins->SetLastCharacter(UserSettings.LastUser, charName);
}

void TMainForm::LoadIgnoreList(const QString& charName) {
  Wiring->LoadIgnoreList(charName);
}

void TMainForm::MarkActivity() {
  Away->System().MarkActivity();
}

bool TMainForm::IsAway() const {
  return Away->System().IsAway();
}

void TMainForm::SetBusy(bool busy) {
  if (busy) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QGuiApplication::restoreOverrideCursor();
  }
}

QStringList TMainForm::ConsoleLines() const {
  QStringList lines;
  for (const TMessageNode* node = OutputMemo->Oldest(); node != nullptr; node = node->Newer) {
    lines.append(node->Text);
  }
  return lines;
}

void TMainForm::ApplicationEvents1Exception(const QString& message) {
  if (!TExceptionHandler::IsShown(message)) {
    return;
  }
  ConnLifecycle->EndWaitCursor();
  TReplaceLiteralsSettings settings;
  settings.ParseEmoticons = UserSettings.ParseEmoticons;
  settings.BackgroundColor = OutputMemo->Color();
  AddErrorLine(ReplaceLiterals(message.toUtf8(), nullptr, std::nullopt, settings));
}

// ---------------------------------------------------------------- lifecycle

TSettingsHooks TMainForm::SettingsHooks() {
  TSettingsHooks hooks;
  hooks.LoadAccounts = [this](TRegistry& registry) { Logins->LoadAccounts(registry); };
  hooks.SaveAccounts = [this](TRegistry& registry) { Logins->SaveAccounts(registry); };
  hooks.LoadToolbars = [this](TRegistryKey& key) {
    RestoreToolbarLayout(key, *this, kToolbarLayoutVersion);
  };
  hooks.SaveToolbars = [this](TRegistryKey& key) {
    SaveToolbarLayout(key, *this, kToolbarLayoutVersion);
  };
  hooks.ApplyLayout = [this](const TSettings& s) {
    GroupDockablePanel->setVisible(s.GroupPanelVisible);
    GroupsSplitter->setSizes(
        {std::max(1, GroupsSplitter->height() - s.GroupsTreeViewHeight), s.GroupsTreeViewHeight});
    CentreSplitter->setSizes(
        {std::max(1, CentreSplitter->height() - s.InputPanelHeight), s.InputPanelHeight});
    statusBar()->setVisible(s.StatusBarVisible);
  };
  hooks.SetProxy = [this](const TSettings& s) {
    Chat->SetProxy(s.SocksProxy, s.SocksVer5, s.SocksHost, s.SocksPort, s.SocksUser, s.SocksPass);
  };
  // The options pages apply the same steps.
  hooks.ApplyConsole = [this](const TSettings&) { OptionsHost->ApplyConsole(); };
  hooks.ApplyFonts = [this](const TSettings&) { OptionsHost->ApplyFonts(); };
  hooks.SetLogging = [this](bool logging) { OptionsHost->SetLogging(logging); };
  hooks.GatherFromControls = [this](TSettings& s) {
    s.GroupPanelVisible = GroupDockablePanel->isVisibleTo(this);
    s.GroupsTreeViewHeight = GroupsTreeView->height();
    s.InputPanelHeight = InputPanel->height();
    s.StatusBarVisible = statusBar()->isVisibleTo(this);
    s.LineSpacing = OutputMemo->LineSpacing();
  };
  hooks.GetProxy = [this](TSettings& s) {
    const TProxySettings proxy = Chat->GetProxy();
    s.SocksProxy = proxy.Enabled;
    s.SocksVer5 = proxy.Version5;
    s.SocksHost = proxy.Host;
    s.SocksPort = proxy.Port;
    s.SocksUser = proxy.User;
    s.SocksPass = proxy.Pass;
  };
  return hooks;
}

void TMainForm::FormCreate() {
  TraceApp(QStringLiteral("MainForm.FormCreate"));
  // 1. Connection state starts cleared (the lifecycle's own initial values).
  MutedChannelList.clear();
  // 2. The away state starts cleared (the away system's own initial values).
  // 3. The link cursor comes with the console.
  // 4. The dimensions the engine holds now are the built-in ones.
  TDimensionList& dimensions = Chat->DimensionList();
  if (Options.BuiltInDimensions) {
    Options.BuiltInDimensions(dimensions);
  }
  for (int i = 0; i < dimensions.Count(); ++i) {
    dimensions.Get(i)->SetBuiltIn(true);
  }
  // 5, 6.
  StartupPending = true;
  // 7.
  UserSettings.GroupsTreeViewHeight = 193;
  UserSettings.InputPanelHeight = 73;
  if (Options.Registry) {
    LoadSettings(*Options.Registry, UserSettings, SettingsHooks());
  }
  OptionsHost->ApplyChatWindow();
  // 8. Auto-away counts idle time from now.
  Away->System().UpdateAwayTimer();
  if (Options.SavePlacement && Options.Registry) {
    PlacementSaver = new TFormSaver(this, *Options.Registry, kMainFormPath);
  }
  // 9. The colour menu's Default is the input line's font colour.
  ColorMenu->SetDefaultColor(ColorFromCode(UserSettings.InputEditFont.Color, palette()));
  InputEdit->DefaultColor = ColorMenu->DefaultColor();
  // 10.
  ClientTagText = FormatClientTag(QStringLiteral(TESSRA_VERSION));
  // 11.
  DisableChatControls();
  SetConnectionActions(false);
  SetCaption(TConnectionLifecycle::NotConnectedCaption());
  // 12.
  AddOutputLine(QStringLiteral("<b>Welcome to Veyra</b></font><font color=\"clBlue\"><hr></font>"),
                ColorFromCode(UserSettings.OutputMemoFont.Color, palette()), false);
  UpdateViewActions();
}

bool TMainForm::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate && StartupPending) {
    // Out of the activation itself: the start-up action may open a modal
    // dialog.
    QTimer::singleShot(0, this, [this] { FormActivate(); });
  }
  return QMainWindow::event(e);
}

void TMainForm::FormActivate() {
  if (!StartupPending) {
    return;
  }
  StartupPending = false;
  RunStartupAction();
}

void TMainForm::RunStartupAction() {
  TraceApp(QStringLiteral("MainForm.RunStartupAction"));
  if (UserSettings.OnStartup == 1) {
    Logins->ShowLoginDialog();
  } else if (UserSettings.OnStartup == 2) {
    Logins->RunStartupLogin();
  }
}

void TMainForm::closeEvent(QCloseEvent* e) {
  FormClose();
  e->accept();
}

void TMainForm::FormClose() {
  TraceApp(QStringLiteral("MainForm.FormClose"));
}

void TMainForm::FormDestroy() {
  if (Destroyed) {
    return;
  }
  Destroyed = true;
  TraceApp(QStringLiteral("MainForm.FormDestroy"));
  // 1. The game's ignore list file of the last character.
  Wiring->SaveIgnoreList();
  // 2. Nothing the engine does from here on may reach the window.
  Chat->OnConnect = nullptr;
  Chat->OnLogin = nullptr;
  Chat->OnLoginError = nullptr;
  Chat->OnDisconnect = nullptr;
  Chat->OnError = nullptr;
  Wiring->Unwire();
  // The away viewer closes while the settings can still take its placement.
  Away->Unwire();
  Chat->Abort();
  Chat->Disconnect();
  // 3.
  ClearGroupNodes();
  // 4.
  // The placement saver has saved the placement when the window closed.
  LogWriter->StopLogging();
  if (Options.Registry) {
    SaveSettings(*Options.Registry, UserSettings, SettingsHooks());
  }
  while (ConnLifecycle->WaitCursorDepth() > 0) {
    ConnLifecycle->EndWaitCursor();
  }
  // The child widgets outlive this object's own part: their last signals and
  // events (hidden bars, lost focus) must not reach it.
  for (QObject* sender : std::initializer_list<QObject*>{StandardBar, EditBar, GroupDockablePanel,
                                                         InputEdit, QGuiApplication::clipboard()}) {
    QObject::disconnect(sender, nullptr, this, nullptr);
  }
  for (QObject* watched : std::initializer_list<QObject*>{InputEdit, GroupDockablePanel,
                                                          FriendsTreeView, GroupsTreeView}) {
    watched->removeEventFilter(this);
  }
  OutputMemo->OnSelect = nullptr;
}

} // namespace tessra

#include "ChatWiring.h"

#include <QFileDialog>
#include <QPointer>
#include <QTextEdit>
#include <QTreeWidget>
#include <QWheelEvent>

#include "app/AwayWiring.h"
#include "app/ChatPresenter.h"
#include "app/ConnectionLifecycle.h"
#include "app/FriendsTree.h"
#include "app/GroupsTree.h"
#include "app/InputLine.h"
#include "app/MainActions.h"
#include "app/MainForm.h"
#include "app/PopupMenus.h"
#include "app/ReferenceAttacher.h"
#include "app/ReferenceViewerHost.h"
#include "app/TreeIcons.h"
#include "app/WhoisPresenter.h"
#include "display/ChatConsole.h"
#include "display/ChatTextCodec.h"
#include "display/ColorMenu.h"
#include "display/LinkDispatcher.h"
#include "display/NewTextRefForm.h"
#include "display/References.h"
#include "display/RichTextTransforms.h"
#include "display/TextTransforms.h"
#include "display/VoicePlayer.h"
#include "engine/VeyraBlob.h"
#include "engine/VeyraChat.h"
#include "settings/ColorCode.h"
#include "settings/SettingsStore.h"

namespace tessra {

namespace {

TBytes ToBytes(const QByteArray& bytes) {
  return TBytes(bytes.constData(), static_cast<size_t>(bytes.size()));
}

TBytes NameBytes(const QString& name) {
  return ToBytes(EncodeChatText(name));
}

} // namespace

TChatWiring::TChatWiring(TMainForm& form, QTreeWidget& friendsView, QTreeWidget& groupsView)
    : Form(form), Chat(*form.Chat), Icons(std::make_unique<TTreeIcons>()),
      FriendsPanel(std::make_unique<TFriendsTree>(friendsView, *Icons)),
      GroupsPanel(std::make_unique<TGroupsTree>(groupsView, *Icons, *form.Chat, form.Prompt)),
      PopupMenus(std::make_unique<TPopupMenus>(*form.MainActions, *form.Chat, *FriendsPanel,
                                               *GroupsPanel)),
      MessageTarget(static_cast<TMessageTarget::THost&>(*this)),
      CommandLine(static_cast<TCommandProcessor::THost&>(*this)),
      EngineNames(std::make_unique<TIgnoreList::TEngineNames>(*form.Chat)),
      Ignored(std::make_unique<TIgnoreList>(*FriendsPanel, *EngineNames,
                                            [this](const QString& t) { Form.AddSystemLine(t); })),
      BlobStore(form.OutputMemo->Limit()), Request(Ticks),
      // No sound output yet: voice blobs are looked up (and a missing file reported) only.
      Voice(std::make_unique<TVoicePlayer>(nullptr)),
      ReferenceParsers(std::make_unique<TReferences>(BlobStore, Request, Voice.get())),
      LinkDispatcher(std::make_unique<TLinkDispatcher>(BlobStore, SafeUrls)),
      WhoisPresenter(std::make_unique<TWhoisPresenter>(
          *form.Chat, form.Prompt, &form,
          TWhoisSite::FromHost(form.Options.WhoisHost).value_or(TWhoisSite()))) {
  SafeUrls.Opener = TSafeUrl::DesktopOpener();
  TReferenceAttacher::TParts attach;
  attach.Window = &form;
  attach.AttachAction = form.MainActions->AttachAction;
  attach.RefListView = form.RefListView;
  attach.Input = form.InputEdit;
  attach.Prompt = &form.Prompt;
  attach.DefaultColor = [this] { return Form.ColorMenu->DefaultColor(); };
  attach.TypingColorRestored = [this] { Form.ColorMenu->FollowInput(); };
  attach.ErrorLine = [this](const QString& message) { Form.AddErrorLine(message); };
  Attacher = std::make_unique<TReferenceAttacher>(std::move(attach));
}

TChatWiring::~TChatWiring() = default;

void TChatWiring::Wire() {
  TChatPresenter& presenter = *Form.ChatPresenter;
  const auto currentChar = [this] { return Form.ConnLifecycle->CurrentChar; };
  presenter.IsIgnored = [this](const QString& name) { return Ignored->IsIgnored(name); };

  // Every query of the panels and menus goes through the message target.
  FriendsPanel->QueryChar = [this](const QString& name) { MessageTarget.QueryChar(name); };
  GroupsPanel->CurrentChar = currentChar;
  GroupsPanel->MutedChannels = [this] { return Form.MutedChannelList; };
  GroupsPanel->SaveMutedChannels = [this](const QStringList& channels) {
    const QString charName = Form.ConnLifecycle->CurrentChar;
    if (!charName.isEmpty() && Form.Options.Registry) {
      tessra::SaveMutedChannels(*Form.Options.Registry, charName, channels);
    }
  };
  GroupsPanel->AddPrivateLeaveLine = [this](const QString& group, const QString& name) {
    Form.ChatPresenter->AddPrivateLeaveLine(group, name);
  };
  GroupsPanel->QueryPublic = [this](const QString& name) { MessageTarget.QueryPublic(name); };
  GroupsPanel->QueryPrivate = [this](const QString& name) { MessageTarget.QueryPrivate(name); };
  GroupsPanel->IsPrivateTarget = [this](const QString& name) {
    return MessageTarget.TargetType() == TTargetType::ttPrivate &&
           MessageTarget.TargetName().compare(name, Qt::CaseInsensitive) == 0;
  };
  GroupsPanel->ClearTarget = [this] {
    MessageTarget.PrivateGroupRemoved(MessageTarget.TargetName());
  };

  PopupMenus->CurrentChar = currentChar;
  PopupMenus->Whois = [this](const QString& name) { WhoisPresenter->StartWhois(name); };
  WhoisPresenter->AddOutputLine = [this](const QString& text, const QColor& color, bool stamp) {
    Form.AddOutputLine(text, color, stamp);
  };
  WhoisPresenter->AddErrorLine = [this](const QString& text) { Form.AddErrorLine(text); };
  WhoisPresenter->ValueColor = [this] {
    return ColorFromCode(Form.UserSettings.OutputMemoFont.Color, Form.palette());
  };
  PopupMenus->QueryChar = [this](const QString& name) { MessageTarget.QueryChar(name); };
  PopupMenus->Query = [this](const QString& name) { MessageTarget.Query(name); };
  PopupMenus->ConsoleMouseLeave = [this] { Form.OutputMemo->MouseLeave(); };

  TVeyraChat& c = Chat;
  // Ids of an ignore list file whose names the engine did not know at login are listed as soon
  // as it learns them: when a buddy's entry arrives and before a message is shown, so that a
  // loaded list drops the messages of the characters it names.
  c.OnFriendAdd = [this](TVeyraChat& s, const TFriendInfo& f) {
    FriendsPanel->VeyraChatFriendAdd(s, f);
    ResolveIgnoredIds();
  };
  c.OnFriendRemove = [this](TVeyraChat& s, const TFriendInfo& f) {
    FriendsPanel->VeyraChatFriendRemove(s, f);
  };
  c.OnFriendStatusChange = [this](TVeyraChat& s, const TFriendInfo& f) {
    FriendsPanel->VeyraChatFriendStatusChange(s, f);
    ResolveIgnoredIds();
  };
  auto showGroup = c.OnGroupMessage;
  c.OnGroupMessage = [this, showGroup](TVeyraChat& s, int g, const TBytes& n, const TBytes& m,
                                       const TBlob* b) {
    ResolveIgnoredIds();
    if (showGroup) {
      showGroup(s, g, n, m, b);
    }
  };
  auto showPrivateGroup = c.OnPrivateGroupMessage;
  c.OnPrivateGroupMessage = [this, showPrivateGroup](TVeyraChat& s, const TBytes& g,
                                                     const TBytes& n, const TBytes& m,
                                                     const TBlob* b) {
    ResolveIgnoredIds();
    if (showPrivateGroup) {
      showPrivateGroup(s, g, n, m, b);
    }
  };
  c.OnPrivateGroupInvite = [this](TVeyraChat& s, const TBytes& g) {
    GroupsPanel->VeyraChatPrivateGroupInvite(s, g);
  };

  TInputEdit& input = *Form.InputEdit;
  input.ToMarkup = [this](TInputEdit& sender) {
    return Attacher->InputToMarkup(*sender.document());
  };
  input.OnCommand = [this](TInputEdit&, const QString& markup) {
    CommandLine.ExecuteCommand(markup);
  };
  input.OnMessage = [this](TInputEdit&, const QString& markup) { MessageTarget.Send(markup); };
  input.OnTypingColorReset = [this](TInputEdit&, const QColor& color) {
    Form.ColorMenu->SetInputColor(color);
  };

  TMainActions& a = *Form.MainActions;
  connect(a.IgnoreAction, &QAction::triggered, this,
          [this] { PopupMenus->PopupChar = Ignored->Ignore(PopupMenus->PopupChar); });
  connect(a.UnIgnoreAction, &QAction::triggered, this,
          [this] { PopupMenus->PopupChar = Ignored->Unignore(PopupMenus->PopupChar); });
  connect(a.MergeIgnorelistAction, &QAction::triggered, this, [this] {
    const QString folder = BrowseIgnoreFolder(QStringLiteral("Merge Ignore List"));
    if (!folder.isEmpty()) {
      Ignored->LoadIgnoreList(JoinIgnorePath(folder, QStringLiteral("IgnoreList.bin")));
    }
  });
  connect(a.ExportIgnorelistAction, &QAction::triggered, this, [this] {
    const QString folder = BrowseIgnoreFolder(QStringLiteral("Export Ignore List"));
    if (!folder.isEmpty()) {
      Ignored->SaveIgnoreList(JoinIgnorePath(folder, QStringLiteral("IgnoreList.bin")));
    }
  });

  // References and link clicks. A private message's sender is known to the reference steps
  // while its text is converted.
  auto showPrivate = c.OnPrivateMessage;
  c.OnPrivateMessage = [this, showPrivate](TVeyraChat& s, const TBytes& n, const TBytes& m,
                                           const TBlob* b) {
    struct TSenderScope {
      TReferences& Refs;
      ~TSenderScope() { Refs.MessageSender.clear(); }
    } scope{*ReferenceParsers};
    ReferenceParsers->MessageSender =
        DecodeChatText(QByteArrayView(n.data(), static_cast<qsizetype>(n.size())));
    ResolveIgnoredIds();
    if (showPrivate) {
      showPrivate(s, n, m, b);
    }
  };
  ReferenceParsers->OnShowTextReference = [this](TReferences*, const TTextBlob& blob) {
    LinkDispatcher->ShowTextReference(blob);
  };
  SafeUrls.OnRefused = [this](TSafeUrl*, const QString& line) { Form.AddErrorLine(line); };
  Voice->PlaySounds = [this] { return Form.UserSettings.PlaySounds; };
  Voice->VeyraDirectory = [this] { return Form.UserSettings.VeyraDirectory; };
  Voice->OnErrorLine = [this](TVoicePlayer*, const QString& line) { Form.AddErrorLine(line); };
  TLinkActions& links = LinkDispatcher->Actions;
  links.QueryChar = [this](const QString& name) { MessageTarget.QueryChar(name); };
  links.QueryPublic = [this](const QString& name) { MessageTarget.QueryPublic(name); };
  links.QueryPrivate = [this](const QString& name) { MessageTarget.QueryPrivate(name); };
  links.ShowCharPopup = [this](const QString& name, const QPoint& at) {
    PopupMenus->ShowCharPopup(name, at);
  };
  links.SetPopupCharGroup = [this](const QString& group) { PopupMenus->PopupCharGroup = group; };
  links.ShowPrivCharPopup = [this](const QString& name, const QPoint& at) {
    PopupMenus->ShowPrivCharPopup(name, at);
  };
  links.ShowPublicPopup = [this](const QString& group, const QPoint& at) {
    PopupMenus->ShowPublicPopup(group, at);
  };
  links.ShowPrivatePopup = [this](const QString& group, const QPoint& at) {
    PopupMenus->ShowPrivatePopup(group, at);
  };
  links.MapToGlobal = [this](const QPoint& pos) {
    return Form.OutputMemo->viewport()->mapToGlobal(pos);
  };
  links.EndHover = [this] { Form.OutputMemo->MouseLeave(); };
  links.ShowReference = [this](const QString& text) { ShowReferenceText(text); };
  links.ShowMessage = [this](const QString& text) { Form.Prompt.Information(&Form, text); };
  LinkDispatcher->ItemDb = [this] { return Form.UserSettings.ItemDb; };
  Form.OutputMemo->OnMouseUp = [this](TCustomChatConsole*, Qt::MouseButton button,
                                      Qt::KeyboardModifiers modifiers, int x, int y) {
    LinkDispatcher->MouseUp(button, modifiers, x, y, Form.OutputMemo->LinkInformation());
  };
  Form.OutputMemo->SetUrlOpener([this](const QUrl& url) { return SafeUrls.Open(url); });

  // The wheel over the console scrolls it by the console's own step.
  Form.OutputMemo->viewport()->installEventFilter(this);
}

void TChatWiring::Unwire() {
  // A look-up still running is abandoned: its answer would reach a window that is going.
  WhoisPresenter->Lookups().Abandon();
  Chat.OnFriendAdd = nullptr;
  Chat.OnFriendRemove = nullptr;
  Chat.OnFriendStatusChange = nullptr;
  Chat.OnPrivateGroupInvite = nullptr;
  Form.OutputMemo->viewport()->removeEventFilter(this);
  Form.OutputMemo->OnMouseUp = nullptr;
  Form.OutputMemo->SetUrlOpener(nullptr);
  TInputEdit& input = *Form.InputEdit;
  input.ToMarkup = nullptr;
  input.OnCommand = nullptr;
  input.OnMessage = nullptr;
  input.OnTypingColorReset = nullptr;
}

bool TChatWiring::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Form.OutputMemo->viewport() && event->type() == QEvent::Wheel) {
    const auto* wheel = static_cast<QWheelEvent*>(event);
    const QPoint globalPos = wheel->globalPosition().toPoint();
    if (wheel->angleDelta().y() > 0) {
      FormMouseWheelUp(*Form.OutputMemo, globalPos);
    } else if (wheel->angleDelta().y() < 0) {
      FormMouseWheelDown(*Form.OutputMemo, globalPos);
    }
    return true;
  }
  return QObject::eventFilter(watched, event);
}

TIgnoreFileSettings TChatWiring::IgnoreFileSettings() const {
  const TSettings& s = Form.UserSettings;
  TIgnoreFileSettings settings;
  settings.IgnoreMode = s.IgnoreMode;
  settings.VeyraDirectory = s.VeyraDirectory;
  settings.IgnoreAllFolder = s.IgnoreAllFolder;
  return settings;
}

QString TChatWiring::BrowseIgnoreFolder(const QString& caption) const {
  QFileDialog dialog(&Form, caption, Form.UserSettings.VeyraDirectory);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  if (Form.Prompt.ExecDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return QString();
  }
  return dialog.selectedFiles().constFirst();
}

void TChatWiring::LoadIgnoreList(const QString& charName) {
  if (Chat.State() != TChatState::csLoggedIn || !Form.UserSettings.IgnoreList) {
    return;
  }
  Ignored->LoadForCharacter(IgnoreFileSettings(), Form.UserSettings.LastUser, charName);
}

void TChatWiring::ResolveIgnoredIds() {
  if (!Ignored->PendingIds().empty()) {
    Ignored->ResolvePendingIds();
  }
}

void TChatWiring::SaveIgnoreList() {
  if (Chat.State() != TChatState::csLoggedIn || !Form.UserSettings.IgnoreList) {
    return;
  }
  const QString account = Form.UserSettings.LastUser;
  const QString charName = Form.Logins->GetLastCharacter(account);
  // Runs while the window is destroyed: a failure is a line, never an escaping exception.
  try {
    Ignored->SaveForCharacter(IgnoreFileSettings(), account, charName);
  } catch (const std::exception& e) {
    Form.AddErrorLine(QString::fromUtf8(e.what()));
  }
}

// The viewer is made on the first reference and kept (closing it only hides it) until the window
// goes.
void TChatWiring::ShowReferenceText(const QString& text) {
  if (!Viewer) {
    ViewerHost = std::make_unique<TReferenceViewerHost>(Form, Chat, CommandLine);
    Viewer = std::make_unique<TNewTextRefForm>(*ViewerHost, Request, SafeUrls, QString(), &Form);
    Viewer->ItemDb = [this] { return Form.UserSettings.ItemDb; };
  }
  Viewer->ShowReference(text);
}

// ----------------------------------------------------------- message target

void TChatWiring::SetTarget(const QString& caption) {
  Form.SetTarget(caption);
}

void TChatWiring::FocusInput() {
  Form.InputEdit->setFocus();
}

bool TChatWiring::HasPublicGroup(const QString& name) const {
  return Chat.GroupList().IndexOf(NameBytes(name)) >= 0;
}

bool TChatWiring::HasPrivateGroup(const QString& name) const {
  return GroupsPanel->FindPrivateNode(name) != nullptr;
}

void TChatWiring::ListenGroup(const QString& name) {
  GroupsPanel->ListenGroup(name);
}

void TChatWiring::SendComposed(
    const QString& text, const std::function<void(const QByteArray&, const TTextBlob*)>& send) {
  const QString prefix = Form.UserSettings.NewSignMessages ? Form.ClientTagText : QString();
  const std::unique_ptr<TTextBlob> blob = Attacher->ReferenceBlob();
  // A send may wait for the server in a nested event loop, and the window can go meanwhile.
  struct TRelease {
    QPointer<TReferenceAttacher> Owner;
    ~TRelease() {
      if (Owner) {
        Owner->ReleaseAttachment();
      }
    }
  } release{blob ? Attacher.get() : nullptr};
  send(ComposeOutgoingMessage(prefix, text), blob.get());
}

void TChatWiring::SendTell(const QString& name, const QString& text) {
  SendComposed(text, [&](const QByteArray& bytes, const TTextBlob* blob) {
    Chat.SendTell(NameBytes(name), ToBytes(bytes), blob);
  });
  // The echo shows the tell as it was sent, without the client tag.
  Form.ChatPresenter->AddSentTellLine(name, PrepareOutgoingText(text), nullptr);
  if (OnMessageSent) {
    OnMessageSent(true);
  }
}

void TChatWiring::SendPublic(const QString& groupName, const QString& text) {
  SendComposed(text, [&](const QByteArray& bytes, const TTextBlob* blob) {
    Chat.SendGroup2(NameBytes(groupName), ToBytes(bytes), blob);
  });
  if (OnMessageSent) {
    OnMessageSent(false);
  }
}

void TChatWiring::SendPrivate(const QString& groupName, const QString& text) {
  SendComposed(text, [&](const QByteArray& bytes, const TTextBlob* blob) {
    Chat.PrivateGroupMessage(NameBytes(groupName), ToBytes(bytes), blob);
  });
  if (OnMessageSent) {
    OnMessageSent(false);
  }
}

void TChatWiring::AddSystemLine(const QString& text) {
  Form.AddSystemLine(text);
}

// --------------------------------------------------------------- commands

QString TChatWiring::ReplaceLiterals(const QString& text) {
  return Form.ReceivedToMarkup(EncodeChatText(text), nullptr, std::nullopt);
}

QString TChatWiring::LastTellSender() const {
  return Form.ChatPresenter->LastTellSender();
}

QString TChatWiring::CurrentChar() const {
  return Form.ConnLifecycle->CurrentChar;
}

void TChatWiring::AddFRiend(const QString& name, bool accepted) {
  Chat.AddFRiend(NameBytes(name), accepted);
}

void TChatWiring::RemoveFriend(const QString& name) {
  Chat.RemoveFriend(NameBytes(name));
}

void TChatWiring::Query(const QString& name) {
  MessageTarget.Query(name);
}

void TChatWiring::Whois(const QString& name) {
  WhoisPresenter->StartWhois(name);
}

void TChatWiring::SetAway(const QString& line) {
  Form.Away->System().SetAway(line);
}

void TChatWiring::SetBack() {
  Form.Away->System().SetBack();
}

void TChatWiring::ClearConsole() {
  Form.OutputMemo->Clear();
}

void TChatWiring::Ignore(const QString& name) {
  PopupMenus->PopupChar = Ignored->Ignore(name);
}

void TChatWiring::Unignore(const QString& name) {
  PopupMenus->PopupChar = Ignored->Unignore(name);
}

} // namespace tessra

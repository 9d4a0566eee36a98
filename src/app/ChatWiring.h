#pragma once

#include <functional>
#include <memory>

#include <QObject>
#include <QString>

#include "app/CommandProcessor.h"
#include "app/MessageTarget.h"
#include "common/TickSource.h"
#include "display/ReferenceRequest.h"
#include "display/SafeUrl.h"
#include "engine/BlobList.h"
#include "settings/IgnoreList.h"

class QTreeWidget;

namespace tessra {

class TFriendsTree;
class TGroupsTree;
class TInputEdit;
class TLinkDispatcher;
class TReferences;
class TVoicePlayer;
class TWhoisPresenter;
class TMainForm;
class TNewTextRefForm;
class TPopupMenus;
class TReferenceAttacher;
class TTextBlob;
class TReferenceViewerHost;
class TTreeIcons;
class TVeyraChat;

// The chatting parts of the main window and how they are tied to it: the buddy and group
// trees with their popup menus, the message target of the input line, the slash commands and
// the ignore list, the references of received messages and the console's link clicks. The
// window creates it once its widgets and engine exist and keeps it until
// it is destroyed.
class TChatWiring : public QObject,
                    private TMessageTarget::THost,
                    private TCommandProcessor::THost {
public:
  TChatWiring(TMainForm& form, QTreeWidget& friendsView, QTreeWidget& groupsView);
  ~TChatWiring() override;
  TChatWiring(const TChatWiring&) = delete;
  TChatWiring& operator=(const TChatWiring&) = delete;

  // Ties the parts to the engine, the input line, the presenter and the actions; run once the
  // window's presenter exists.
  void Wire();
  // Cuts every engine event that reaches the trees (the window is going).
  void Unwire();

  TFriendsTree& Friends() const { return *FriendsPanel; }
  TGroupsTree& Groups() const { return *GroupsPanel; }
  TPopupMenus& Menus() const { return *PopupMenus; }
  TMessageTarget& Target() { return MessageTarget; }
  TCommandProcessor& Commands() { return CommandLine; }
  TIgnoreList& IgnoreList() const { return *Ignored; }
  // The blobs of received messages the console's reference links lead to, the reference steps
  // of received text and where a click on a console link goes.
  TBlobList& Blobs() { return BlobStore; }
  TReferences& References() const { return *ReferenceParsers; }
  TLinkDispatcher& Links() const { return *LinkDispatcher; }
  // The reference attached to the next message, the attach dialog and the icon view for it.
  TReferenceAttacher& Attachments() const { return *Attacher; }
  // Every address the console or a link opens passes through it.
  TSafeUrl& Urls() { return SafeUrls; }
  // The whois look-ups and their lines.
  TWhoisPresenter& WhoisLookups() const { return *WhoisPresenter; }
  // The reference viewer, made when the first reference is shown; null until then.
  TNewTextRefForm* ReferenceViewer() const { return Viewer.get(); }

  // The ignore list file of a character, read at login and written at the end.
  void LoadIgnoreList(const QString& charName);
  void SaveIgnoreList();
  // Lists the ids of a loaded file whose names the engine has learnt since.
  void ResolveIgnoredIds();

  // A tell through the ordinary send path (composed, sent, echoed); the away reply uses it.
  void SendTellTo(const QString& name, const QString& text) { SendTell(name, text); }
  // Raised after each message was sent (tell true for a tell): it counts as activity.
  std::function<void(bool tell)> OnMessageSent;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  TIgnoreFileSettings IgnoreFileSettings() const;
  QString BrowseIgnoreFolder(const QString& caption) const;
  void ShowReferenceText(const QString& text);
  // Sends one message with the attached reference as its blob; the attachment is released
  // afterwards, also when sending fails.
  void SendComposed(const QString& text,
                    const std::function<void(const QByteArray&, const TTextBlob*)>& send);

  // TMessageTarget::THost
  void SetTarget(const QString& caption) override;
  void FocusInput() override;
  bool HasPublicGroup(const QString& name) const override;
  bool HasPrivateGroup(const QString& name) const override;
  void ListenGroup(const QString& name) override;
  void SendTell(const QString& name, const QString& text) override;
  void SendPublic(const QString& groupName, const QString& text) override;
  void SendPrivate(const QString& groupName, const QString& text) override;
  void AddSystemLine(const QString& text) override;

  // TCommandProcessor::THost
  QString ReplaceLiterals(const QString& text) override;
  QString LastTellSender() const override;
  QString CurrentChar() const override;
  void AddFRiend(const QString& name, bool accepted) override;
  void RemoveFriend(const QString& name) override;
  void Query(const QString& name) override;
  void Whois(const QString& name) override;
  void SetAway(const QString& line) override;
  void SetBack() override;
  void ClearConsole() override;
  void Ignore(const QString& name) override;
  void Unignore(const QString& name) override;

  TMainForm& Form;
  TVeyraChat& Chat;
  std::unique_ptr<TTreeIcons> Icons;
  std::unique_ptr<TFriendsTree> FriendsPanel;
  std::unique_ptr<TGroupsTree> GroupsPanel;
  std::unique_ptr<TPopupMenus> PopupMenus;
  TMessageTarget MessageTarget;
  TCommandProcessor CommandLine;
  std::unique_ptr<TIgnoreList::TNames> EngineNames;
  std::unique_ptr<TIgnoreList> Ignored;
  TSteadyTickSource Ticks;
  TBlobList BlobStore;
  TSafeUrl SafeUrls;
  TReferenceRequest Request;
  std::unique_ptr<TVoicePlayer> Voice;
  std::unique_ptr<TReferences> ReferenceParsers;
  std::unique_ptr<TLinkDispatcher> LinkDispatcher;
  std::unique_ptr<TReferenceAttacher> Attacher;
  std::unique_ptr<TWhoisPresenter> WhoisPresenter;
  std::unique_ptr<TReferenceViewerHost> ViewerHost;
  // Goes first, before the parts its commands reach.
  std::unique_ptr<TNewTextRefForm> Viewer;
};

} // namespace tessra

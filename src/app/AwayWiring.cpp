#include "app/AwayWiring.h"

#include <QEvent>
#include <QLabel>

#include "app/ChatPresenter.h"
#include "app/ChatWiring.h"
#include "app/InputLine.h"
#include "app/MainActions.h"
#include "app/MainForm.h"
#include "display/ChatConsole.h"
#include "display/LinkDispatcher.h"
#include "engine/VeyraChat.h"
#include "settings/ColorCode.h"

namespace tessra {

TAwayWiring::TAwayWiring(TMainForm& form, TPrompt& prompt, TRegistry* registry)
    : Form(form), Registry(registry), Away(form.Settings(), Ticks, prompt, &form) {
  Away.CurrentChar = [this] { return Form.Lifecycle().CurrentChar; };
  Away.IsLoggedIn = [this] { return Form.VeyraChat().State() == TChatState::csLoggedIn; };
  Away.SetStatusText = [this](const QString& text) { Form.StatusPanel(0)->setText(text); };
  Away.AddSystemLine = [this](const QString& text) { Form.AddSystemLine(text); };
  Away.ClearInput = [this] { Form.Input()->clear(); };
  Away.SendTell = [this](const QString& name, const QString& text) {
    Form.Chatting().SendTellTo(name, text);
  };
  Away.ShowAwayMessages = [this] { ShowAwayMessages(); };
  Away.OnChange = [this](TAwaySystem&) { UpdateActions(); };

  TChatPresenter& presenter = Form.Presenter();
  presenter.IsAway = [this] { return Away.IsAway(); };
  presenter.OnAwayPrivateMessage = [this](TChatPresenter&, const QString& name,
                                          const TBytes& message, const TBlob* blob) {
    Away.AwayPrivateMessage(name, message, blob);
  };
  Form.Chatting().OnMessageSent = [this](bool tell) { Away.MessageSent(tell); };

  TMainActions& a = Form.Actions();
  connect(a.AwayAction, &QAction::triggered, this,
          [this] { Away.SetAway(QStringLiteral("/away")); });
  connect(a.AwayMessagesAction, &QAction::triggered, this, [this] { ShowAwayMessages(); });

  // AwayAction is there only while logged in.
  TVeyraChat& chat = Form.VeyraChat();
  auto login = chat.OnLogin;
  chat.OnLogin = [this, login](TVeyraChat& sender) {
    if (login) {
      login(sender);
    }
    UpdateActions();
  };
  auto disconnect = chat.OnDisconnect;
  chat.OnDisconnect = [this, disconnect](TVeyraChat& sender) {
    if (disconnect) {
      disconnect(sender);
    }
    UpdateActions();
  };
  Form.Input()->installEventFilter(this);
  UpdateActions();
}

TAwayWiring::~TAwayWiring() {
  Unwire();
}

void TAwayWiring::Unwire() {
  Form.Input()->removeEventFilter(this);
  Form.Presenter().IsAway = nullptr;
  Form.Presenter().OnAwayPrivateMessage = nullptr;
  Form.Chatting().OnMessageSent = nullptr;
  Away.AwayTimer().stop();
  if (MessagesForm) {
    MessagesForm->OnClearMessages = nullptr;
    MessagesForm->PageSettings = nullptr;
    MessagesForm->QueryChar = nullptr;
    MessagesForm->close();
  }
}

bool TAwayWiring::eventFilter(QObject* watched, QEvent* event) {
  // Typing in the input line counts as activity, so nobody is set away while writing.
  if (watched == Form.Input() && event->type() == QEvent::KeyPress) {
    Away.MarkActivity();
  }
  return QObject::eventFilter(watched, event);
}

void TAwayWiring::UpdateActions() {
  Away.UpdateActions(Form.Actions().AwayAction, Form.Actions().AwayMessagesAction);
}

void TAwayWiring::ShowAwayMessages() {
  if (!MessagesForm) {
    TAwayMessagesForm::TOptions options;
    options.Registry = Registry;
    MessagesForm = new TAwayMessagesForm(Away.Store(), Form.Chatting().Urls(), options, &Form);
    TAwayMessagesForm& viewer = *MessagesForm;
    viewer.OnClearMessages = [this](TAwayMessagesForm&) { Away.ClearMessages(); };
    viewer.PageSettings = [this] {
      TAwayPageSettings settings;
      const TSettings& s = Form.Settings();
      settings.BackgroundColor = Form.Console()->Color();
      settings.TimestampFormat = s.TimestampFormat;
      settings.TimestampColor = ColorFromCode(s.TimestampColor, Form.palette());
      return settings;
    };
    viewer.QueryChar = [this](const QString& name) {
      // The viewer stays on top; the main window comes forward so the user can type.
      Form.activateWindow();
      Form.Chatting().Target().QueryChar(name);
    };
    const TLinkActions& console = Form.Chatting().Links().Actions;
    viewer.ReferenceActions().ShowReference = console.ShowReference;
    viewer.ReferenceActions().ShowMessage = console.ShowMessage;
    viewer.ItemDb() = [this] { return Form.Settings().ItemDb; };
  }
  MessagesForm->RefreshList();
  MessagesForm->show();
  MessagesForm->raise();
  MessagesForm->activateWindow();
}

} // namespace tessra

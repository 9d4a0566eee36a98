#include "app/MainOptionsHost.h"

#include <QLabel>
#include <QListWidget>
#include <QTreeWidget>

#include "app/MainForm.h"
#include "display/ChatConsole.h"
#include "display/ColorMenu.h"
#include "settings/ServerForm.h"
#include "settings/ServersForm.h"

namespace tessra {

namespace {

// Background and text colour of a control; an invalid colour ("no colour")
// leaves the control's own.
void SetColors(QWidget* widget, const QColor& background, const QColor& text,
               QPalette::ColorRole backgroundRole) {
  QPalette palette = widget->palette();
  if (background.isValid()) {
    palette.setColor(backgroundRole, background);
  }
  if (text.isValid()) {
    palette.setColor(QPalette::Text, text);
  }
  widget->setPalette(palette);
}

} // namespace

void TMainOptionsHost::OptionsActionExecute() {
  if (Dialog == nullptr || Dialog->IsClosing()) {
    Dialog = new TOptionsForm(*this, &Form);
  }
  Dialog->show();
  Dialog->raise();
  Dialog->activateWindow();
}

TSettings& TMainOptionsHost::Settings() {
  return Form.UserSettings;
}

const TLoginArray& TMainOptionsHost::Logins() const {
  return Form.Logins->Logins;
}

TDimensionList& TMainOptionsHost::Dimensions() {
  return Form.Chat->DimensionList();
}

bool TMainOptionsHost::ManageDimensions(QWidget* parent) {
  // Over the options dialog, which stays on top of the main window.
  return TServersForm::ManageDimensions(parent, Form.Chat->DimensionList(), Form.Chat->Dimension,
                                        Form.Prompt);
}

std::unique_ptr<TDimensionInfo> TMainOptionsHost::NewDimension(QWidget* parent) {
  QStringList names;
  const TDimensionList& list = Form.Chat->DimensionList();
  for (int i = 0; i < list.Count(); ++i) {
    names.append(list.Get(i)->Name);
  }
  return TServerForm::NewDimension(parent, Form.Prompt, names);
}

TProxySettings TMainOptionsHost::GetProxy() const {
  return Form.Chat->GetProxy();
}

void TMainOptionsHost::ApplyProxy(const TProxySettings& proxy) {
  Form.Chat->SetProxy(proxy.Enabled, proxy.Version5, proxy.Host, proxy.Port, proxy.User,
                      proxy.Pass);
}

void TMainOptionsHost::SetLogging(bool logging) {
  const TSettings& s = Form.UserSettings;
  TChatLogSettings& log = Form.LogWriter->Settings();
  log.Logging = logging;
  log.TimestampLogging = s.TimestampLogging;
  log.LoggingFolder = s.LoggingFolder;
  log.LogGroup = s.LogGroup;
  log.LogPrivate = s.LogPrivate;
  log.LogPrivateGroup = s.LogPrivateGroup;
  log.LogSystem = s.LogSystem;
  log.LogError = s.LogError;
  Form.LogWriter->SetLogging(logging);
}

void TMainOptionsHost::UpdateAwayTimer() {
  if (OnUpdateAwayTimer) {
    OnUpdateAwayTimer();
  }
}

QPalette TMainOptionsHost::Palette() const {
  return Form.palette();
}

int TMainOptionsHost::ExecDialog(QDialog& dialog) {
  return Form.Prompt.ExecDialog(dialog);
}

void TMainOptionsHost::ApplyFonts() {
  const TSettings& s = Form.UserSettings;
  const QPalette palette = Form.palette();
  const auto color = [&palette](TColorCode code) { return ColorFromCode(code, palette); };

  const auto tree = [&](QTreeWidget* view, const TFontSettings& font, TColorCode background) {
    view->setFont(font.ToFont());
    SetColors(view, color(background), color(font.Color), QPalette::Base);
  };
  tree(Form.FriendsTreeView, s.FriendsTreeViewFont, s.FriendsTreeViewColor);
  tree(Form.GroupsTreeView, s.GroupsTreeViewFont, s.GroupsTreeViewColor);

  TChatConsole& console = *Form.OutputMemo;
  console.SetFont(TChatFont{s.OutputMemoFont.ToFont(), color(s.OutputMemoFont.Color)});
  if (const QColor background = color(s.OutputMemoColor); background.isValid()) {
    console.SetColor(background);
  }
  // Links keep the colour of the text around them; the hovered one turns its
  // underline the other way.
  const TFontSettings link = LinkFontOf(s.OutputMemoFont);
  const TFontSettings hover = HoverLinkFontOf(s.OutputMemoFont);
  console.Links().SetFont(TChatFont{link.ToFont(), color(link.Color)});
  console.Links().SetHoverFont(TChatFont{hover.ToFont(), color(hover.Color)});

  const QColor inputBackground = color(s.InputEditColor);
  const QColor inputText = color(s.InputEditFont.Color);
  Form.InputEdit->setFont(s.InputEditFont.ToFont());
  SetColors(Form.InputEdit, inputBackground, inputText, QPalette::Base);
  Form.RefListView->setFont(s.InputEditFont.ToFont());
  SetColors(Form.RefListView, inputBackground, QColor(), QPalette::Base);
  for (QWidget* panel : {Form.TargetPanel, Form.InputPanel}) {
    panel->setAutoFillBackground(inputBackground.isValid());
    SetColors(panel, inputBackground, QColor(), QPalette::Window);
  }
  Form.TargetLabel->setFont(s.InputEditFont.ToFont());
  SetColors(Form.TargetLabel, QColor(), color(RgbColorCode(0, 0, 0xFF)), QPalette::Window);
  Form.TargetLabel->setStyleSheet(QStringLiteral("color: blue"));

  // The colour menu's Default is the input line's text colour.
  Form.ColorMenu->SetDefaultColor(inputText.isValid() ? inputText
                                                      : palette.color(QPalette::WindowText));
  Form.InputEdit->DefaultColor = Form.ColorMenu->DefaultColor();
}

void TMainOptionsHost::ApplyConsole() {
  const TSettings& s = Form.UserSettings;
  Form.OutputMemo->Scrolling().SetSmoothScrolling(s.SmoothScrolling);
  Form.OutputMemo->SetLineSpacing(s.LineSpacing);
}

void TMainOptionsHost::ApplyChatWindow() {
  ApplyConsole();
  const TSettings& s = Form.UserSettings;
  TChatPresenterSettings& lines = Form.ChatPresenter->Settings();
  lines.TimestampChat = s.TimestampChat;
  lines.TimestampFormat = s.TimestampFormat;
  lines.TimestampColor = ColorFromCode(s.TimestampColor, Form.palette());
  lines.TimestampIndent = s.TimestampIndent;
  lines.ParseUrls = s.ParseUrls;
  lines.LinkNames = s.LinkNames;
  lines.LinkGroups = s.LinkGroups;
}

} // namespace tessra

#include "app/ChatPresenter.h"

#include <utility>

#include "app/ChatLinks.h"
#include "app/ChatLogWriter.h"
#include "app/GroupPanelView.h"
#include "common/ChatException.h"
#include "common/Trace.h"
#include "display/DateTimeFormat.h"
#include "display/TextTransforms.h"
#include "engine/VeyraBlob.h"
#include "engine/VeyraChat.h"

namespace tessra {

namespace {

const QColor kErrorColor(0xFF, 0x00, 0x00);
const QColor kSystemColor(0x80, 0x00, 0x00);
const QColor kTradeGroupColor(0x00, 0x00, 0x80);
const QColor kGroupColor(0x00, 0x80, 0x00);
const QColor kPrivateColor(0x80, 0x00, 0x80);
const QColor kSentTellColor(0x00, 0x00, 0xFF);
const QColor kPrivateGroupColor(0x00, 0x80, 0x80);
const QColor kPrivateNoticeColor(0x80, 0x80, 0x00);

const QString kEndFont = QStringLiteral("</font>");

// Keeps the group tree from repainting until every node of one change has its icon, also when a
// line on the way fails.
class TGroupUpdateBatch {
public:
  explicit TGroupUpdateBatch(TGroupPanelView& panel) : Panel(panel) { Panel.BeginGroupUpdate(); }
  ~TGroupUpdateBatch() { Panel.EndGroupUpdate(); }
  TGroupUpdateBatch(const TGroupUpdateBatch&) = delete;
  TGroupUpdateBatch& operator=(const TGroupUpdateBatch&) = delete;

private:
  TGroupPanelView& Panel;
};

} // namespace

TChatPresenter::TChatPresenter(TChatTextTransforms transforms, TConsoleSink console,
                               TChatLogWriter& log, TGroupPanelView& groupPanel)
    : Transforms(std::move(transforms)), Console(std::move(console)), Log(log),
      GroupPanel(groupPanel) {
  if (!Transforms.DecodeChatText || !Transforms.EncodeChatText || !Transforms.ReplaceLiterals ||
      !Transforms.StripColorCodes || !Transforms.ColorToHex || !Console) {
    throw TChatException("The chat presenter needs every text transform and a console");
  }
}

QString TChatPresenter::Decode(QByteArrayView bytes) const {
  return Transforms.DecodeChatText(bytes);
}

QByteArray TChatPresenter::Encode(const QString& text) const {
  return Transforms.EncodeChatText(text);
}

// Message text goes to the log as it came off the wire, only without the game's colour codes.
// Latin-1 maps each byte to the code point of the same value and back, so the codes (all below
// 80 hex, never part of a UTF-8 sequence) are removed and every other byte stays as it is.
QByteArray TChatPresenter::LogMessage(QByteArrayView message) const {
  return Transforms.StripColorCodes(QString::fromLatin1(message)).toLatin1();
}

bool TChatPresenter::Ignored(const QString& charName) const {
  return IsIgnored && IsIgnored(charName);
}

// Received text is mark-up another player wrote. Mark-up the console cannot show (a colour value
// it cannot read) must not make the message vanish, unlogged, behind an error line: the message
// is shown as plain text instead.
void TChatPresenter::AddMessageLine(const QString& head, QByteArrayView message, const TBlob* blob,
                                    const QColor& color) {
  const QString body = Transforms.ReplaceLiterals(message, blob, color);
  try {
    AddOutputLine(head + body + kEndFont, color, true);
  } catch (const TChatException&) {
    AddOutputLine(head + EscapeText(Transforms.StripColorCodes(Decode(message))) + kEndFont, color,
                  true);
  }
}

void TChatPresenter::AddOutputLine(const QString& text, const QColor& color, bool timestamped) {
  QString line;
  if (timestamped && LineSettings.TimestampChat) {
    const QDateTime now = Clock ? Clock() : QDateTime::currentDateTime();
    line = QStringLiteral("<noselect><font color=\"#") +
           Transforms.ColorToHex(LineSettings.TimestampColor) + QStringLiteral("\">") +
           FormatDateTime(LineSettings.TimestampFormat, now, Locale) + kEndFont +
           QStringLiteral("&nbsp;</noselect>");
    if (LineSettings.TimestampIndent) {
      line += QStringLiteral("<indent>");
    }
  }
  line += QStringLiteral("<font color=\"#") + Transforms.ColorToHex(color) + QStringLiteral("\">") +
          text + kEndFont;
  Console(line, LineSettings.ParseUrls);
}

void TChatPresenter::AddErrorLine(const QString& text) {
  AddOutputLine(text, kErrorColor, true);
  Log.LogLine(TChatLogFile::Errors, Encode(text));
}

void TChatPresenter::AddSystemLine(const QString& text) {
  AddOutputLine(QStringLiteral("System Message: ") + text + kEndFont, kSystemColor, true);
  Log.LogLine(TChatLogFile::System, Encode(QStringLiteral("System Message: ") + text));
}

void TChatPresenter::AddGroupLine(const QString& groupName, const QString& charName,
                                  const TBlob* blob, QByteArrayView message) {
  const QString upper = groupName.toUpper();
  const QColor& color =
      upper.contains(QStringLiteral("SHOPPING")) || upper.contains(QStringLiteral("SEEKING TEAM"))
          ? kTradeGroupColor
          : kGroupColor;
  AddMessageLine(QLatin1Char('[') + PublicLink(groupName, LineSettings.LinkGroups) +
                     QStringLiteral("] ") + CharLink(charName, LineSettings.LinkNames) +
                     QStringLiteral(": "),
                 message, blob, color);
  Log.LogLine(TChatLogFile::Groups,
              '[' + Encode(groupName) + "] " + Encode(charName) + ": " + LogMessage(message));
}

void TChatPresenter::AddPrivateLine(const QString& charName, QByteArrayView message,
                                    const TBlob* blob) {
  AddMessageLine(CharLink(charName, LineSettings.LinkNames) + QStringLiteral(": "), message, blob,
                 kPrivateColor);
  Log.LogLine(TChatLogFile::Private, Encode(charName) + ": " + LogMessage(message));
}

void TChatPresenter::AddSentTellLine(const QString& charName, QByteArrayView message,
                                     const TBlob* blob) {
  AddMessageLine(QStringLiteral("To [") + CharLink(charName, LineSettings.LinkNames) +
                     QStringLiteral("]: "),
                 message, blob, kSentTellColor);
  Log.LogLine(TChatLogFile::Private, "To [" + Encode(charName) + "]: " + LogMessage(message));
}

void TChatPresenter::AddPrivateGroupLine(const QString& groupName, const QString& charName,
                                         const TBlob* blob, QByteArrayView message) {
  AddMessageLine(
      QLatin1Char('[') + PrivateLink(groupName, LineSettings.LinkGroups) + QStringLiteral("] ") +
          PrivCharLink(charName, groupName, LineSettings.LinkNames) + QStringLiteral(": "),
      message, blob, kPrivateGroupColor);
  Log.LogLine(TChatLogFile::PrivateGroups,
              '[' + Encode(groupName) + "] " + Encode(charName) + ": " + LogMessage(message));
}

void TChatPresenter::AddPrivateJoinLine(const QString& groupName, const QString& charName) {
  const QString text =
      charName + QStringLiteral(" joined the private group ") + groupName + QLatin1Char('.');
  AddOutputLine(text, kPrivateNoticeColor, true);
  Log.LogLine(TChatLogFile::PrivateGroups, Encode(text));
}

void TChatPresenter::AddPrivateLeaveLine(const QString& groupName, const QString& charName) {
  const QString text =
      charName + QStringLiteral(" left the private group ") + groupName + QLatin1Char('.');
  AddOutputLine(text, kPrivateNoticeColor, true);
  Log.LogLine(TChatLogFile::PrivateGroups, Encode(text));
}

void TChatPresenter::AddPrivateKickLine(const QString& groupName) {
  const QString text =
      QStringLiteral("You have been kicked from the private group ") + groupName + QLatin1Char('.');
  AddOutputLine(text, kPrivateNoticeColor, true);
  Log.LogLine(TChatLogFile::PrivateGroups, Encode(text));
}

void TChatPresenter::VeyraChatSystemMessage(TVeyraChat& /*sender*/, const TBytes& message) {
  const QString text = Transforms.ReplaceLiterals(message, nullptr, std::nullopt);
  try {
    AddSystemLine(text);
  } catch (const TChatException&) {
    // As for messages from players: shown as plain text rather than lost.
    AddSystemLine(EscapeText(Transforms.StripColorCodes(Decode(message))));
  }
}

void TChatPresenter::VeyraChatOfflinePrivMessage(TVeyraChat& /*sender*/, const TBytes& charName,
                                                 const TBytes& /*message*/, const TBlob* blob) {
  if (Ignored(Decode(charName))) {
    return;
  }
  // The notice lives in the blob's strings. A server that sends no strings (or another kind of
  // blob) gives nothing to show, and reading a first string that is not there would read past
  // the list.
  const auto* strings = dynamic_cast<const TStringsBlob*>(blob);
  if (strings == nullptr || strings->Strings.empty()) {
    TraceApp(QStringLiteral("VeyraChatOfflinePrivMessage: no strings"));
    return;
  }
  const std::vector<TBytes>& s = strings->Strings;
  if (s.size() >= 2) {
    AddSystemLine(QStringLiteral("Offline message from ") + Decode(s[0]) + QStringLiteral(" on ") +
                  Decode(s[1]) + QLatin1Char(':'));
  } else {
    AddSystemLine(Decode(s[0]) + QStringLiteral(" is offline at the moment"));
  }
}

void TChatPresenter::VeyraChatPrivateMessage(TVeyraChat& /*sender*/, const TBytes& charName,
                                             const TBytes& message, const TBlob* blob) {
  const QString name = Decode(charName);
  if (Ignored(name)) {
    return;
  }
  LastTell = name;
  AddPrivateLine(name, message, blob);
  if (OnAwayPrivateMessage && IsAway && IsAway()) {
    OnAwayPrivateMessage(*this, name, message, blob);
  }
}

void TChatPresenter::VeyraChatGroupMessage(TVeyraChat& sender, int groupIdx, const TBytes& charName,
                                           const TBytes& message, const TBlob* blob) {
  const QString name = Decode(charName);
  if (Ignored(name)) {
    return;
  }
  const QString group = Decode(sender.GroupList().GetGroup(groupIdx).Name);
  AddGroupLine(group, name, blob, message);
}

void TChatPresenter::VeyraChatGroupListChange(TVeyraChat& sender) {
  const TGroupList& groups = sender.GroupList();
  TGroupUpdateBatch batch(GroupPanel);
  for (int i = 0; i < groups.Count(); ++i) {
    const TGroupInfo& group = groups.GetGroup(i);
    TGroupPanelNode* node = GroupPanel.GetPublicGroupNode(Decode(group.Name));
    if (node == nullptr) {
      TraceApp(QStringLiteral("uknown public group"));
      continue;
    }
    // A change the user made through the node's icon has set the icon already; a new node has
    // no icon yet. Neither is news, so only the other changes get a line.
    const TGroupNodeIcon icon = node->Icon();
    if (!group.Muted && icon != TGroupNodeIcon::Listening) {
      node->SetIcon(TGroupNodeIcon::Listening);
      if (icon == TGroupNodeIcon::Muted) {
        AddErrorLine(QStringLiteral("Server unmuted group \"") + node->Text() +
                     QStringLiteral("\"!"));
      }
    } else if (group.Muted && icon != TGroupNodeIcon::Muted) {
      node->SetIcon(TGroupNodeIcon::Muted);
      if (icon == TGroupNodeIcon::Listening) {
        AddErrorLine(QStringLiteral("Server muted group \"") + node->Text() +
                     QStringLiteral("\"!"));
      }
    }
  }
}

void TChatPresenter::VeyraChatPrivateGroupMessage(TVeyraChat& /*sender*/, const TBytes& groupName,
                                                  const TBytes& charName, const TBytes& message,
                                                  const TBlob* blob) {
  const QString group = Decode(groupName);
  if (GroupPanel.IsPrivateGroupMuted(group)) {
    return;
  }
  const QString name = Decode(charName);
  if (Ignored(name)) {
    return;
  }
  AddPrivateGroupLine(group, name, blob, message);
}

void TChatPresenter::VeyraChatPrivateGroupJoin(TVeyraChat& /*sender*/, const TBytes& groupName,
                                               const TBytes& charName) {
  const QString group = Decode(groupName);
  if (!GroupPanel.IsPrivateGroupMuted(group)) {
    AddPrivateJoinLine(group, Decode(charName));
  }
}

void TChatPresenter::VeyraChatPrivateGroupLeave(TVeyraChat& /*sender*/, const TBytes& groupName,
                                                const TBytes& charName) {
  const QString group = Decode(groupName);
  const QString name = Decode(charName);
  if (!GroupPanel.IsPrivateGroupMuted(group)) {
    AddPrivateLeaveLine(group, name);
  }
  // The user left: the group goes from the panel. Without a character there is nobody to match.
  const QString current = CurrentChar ? CurrentChar() : QString();
  if (!current.isEmpty() && name.compare(current, Qt::CaseInsensitive) == 0) {
    GroupPanel.RemovePrivateGroup(group);
  }
}

void TChatPresenter::VeyraChatPrivateGroupKick(TVeyraChat& /*sender*/, const TBytes& groupName) {
  const QString group = Decode(groupName);
  if (GroupPanel.HasPrivateGroupNode(group)) {
    AddPrivateKickLine(group);
  }
  GroupPanel.RemovePrivateGroup(group);
}

} // namespace tessra

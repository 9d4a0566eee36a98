#include "app/MessageTarget.h"

#include "common/Trace.h"

namespace tessra {

namespace {
const char* TypeName(TTargetType type) {
  switch (type) {
  case TTargetType::ttPublic:
    return "Public";
  case TTargetType::ttPrivate:
    return "Private";
  case TTargetType::ttChar:
    return "Char";
  case TTargetType::ttNone:
    break;
  }
  return "None";
}
} // namespace

void TMessageTarget::SetType(TTargetType type) {
  Type = type;
  TraceApp(QStringLiteral("TargetType=") + QLatin1String(TypeName(type)));
}

void TMessageTarget::Choose(TTargetType type, const QString& name) {
  Name = name;
  SetType(type);
  Host.SetTarget(name + QLatin1Char(':'));
  Host.FocusInput();
}

void TMessageTarget::QueryChar(const QString& name) {
  Choose(TTargetType::ttChar, name);
}

void TMessageTarget::QueryPublic(const QString& name) {
  Host.ListenGroup(name);
  Choose(TTargetType::ttPublic, name);
}

void TMessageTarget::QueryPrivate(const QString& name) {
  Choose(TTargetType::ttPrivate, name);
}

void TMessageTarget::Query(const QString& name) {
  if (Host.HasPublicGroup(name)) {
    QueryPublic(name);
  } else if (Host.HasPrivateGroup(name)) {
    QueryPrivate(name);
  } else {
    QueryChar(name);
  }
}

void TMessageTarget::PrivateGroupRemoved(const QString& groupName) {
  if (Type == TTargetType::ttPrivate && Name.compare(groupName, Qt::CaseInsensitive) == 0) {
    SetType(TTargetType::ttNone);
    Host.SetTarget(QString());
  }
}

void TMessageTarget::Send(const QString& text) {
  switch (Type) {
  case TTargetType::ttPublic:
    TraceApp(QStringLiteral("TargetType=Public:SendPublic"));
    Host.SendPublic(Name, text);
    return;
  case TTargetType::ttPrivate:
    TraceApp(QStringLiteral("TargetType=Private:SendPrivate"));
    Host.SendPrivate(Name, text);
    return;
  case TTargetType::ttChar:
    TraceApp(QStringLiteral("TargetType=Char:SendTell"));
    Host.SendTell(Name, text);
    return;
  case TTargetType::ttNone:
    break;
  }
  Host.AddSystemLine(QStringLiteral("Please select a recipient for your message"));
}

} // namespace tessra

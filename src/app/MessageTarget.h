#pragma once

#include <cstdint>

#include <QString>

namespace tessra {

// What Enter sends the input line to.
enum class TTargetType : uint8_t { ttPublic = 0, ttPrivate = 1, ttChar = 2, ttNone = 3 };

// The message target of the input line: a public group, a private group or a character. It is
// changed only by the query operations (every "Query" of the program goes through them) and by
// leaving the private group that is the target.
class TMessageTarget {
public:
  // What the target needs from the main window.
  class THost {
  public:
    virtual ~THost() = default;
    // Shows the caption left of the input line; an empty caption hides the panel.
    virtual void SetTarget(const QString& caption) = 0;
    virtual void FocusInput() = 0;
    // The engine's public group of exactly that name (letter case included) exists.
    virtual bool HasPublicGroup(const QString& name) const = 0;
    // A private group node of that name (letter case ignored) is in the group tree.
    virtual bool HasPrivateGroup(const QString& name) const = 0;
    // Asks the server to stop muting the public group of exactly that name, if it is muted.
    virtual void ListenGroup(const QString& name) = 0;
    // Composition and sending of one message.
    virtual void SendTell(const QString& name, const QString& text) = 0;
    virtual void SendPublic(const QString& groupName, const QString& text) = 0;
    virtual void SendPrivate(const QString& groupName, const QString& text) = 0;
    virtual void AddSystemLine(const QString& text) = 0;
  };

  explicit TMessageTarget(THost& host) : Host(host) {}
  TMessageTarget(const TMessageTarget&) = delete;
  TMessageTarget& operator=(const TMessageTarget&) = delete;

  TTargetType TargetType() const { return Type; }
  const QString& TargetName() const { return Name; }

  void QueryChar(const QString& name);
  void QueryPublic(const QString& name);
  void QueryPrivate(const QString& name);
  // A public group when the engine holds that exact name, else a private group when the tree
  // shows one of that name, else a character.
  void Query(const QString& name);

  // The private group being left: when it is the target, nothing is targeted any more and the
  // caption goes.
  void PrivateGroupRemoved(const QString& groupName);

  // Sends one message of the input line to the target; with nothing chosen, says so instead.
  // Failures of the send operations reach the caller.
  void Send(const QString& text);

private:
  void SetType(TTargetType type);
  void Choose(TTargetType type, const QString& name);

  THost& Host;
  TTargetType Type = TTargetType::ttNone;
  QString Name;
};

} // namespace tessra

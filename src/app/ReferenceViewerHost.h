#pragma once

#include "display/ReferenceCommands.h"

namespace tessra {

class TCommandProcessor;
class TMainForm;
class TVeyraChat;

// What the commands of a reference page reach in the main window: the TELL command of the input
// line, the engine's buddy operations and the console's feedback lines.
class TReferenceViewerHost : public TReferenceCommands::THost {
public:
  // Everything must outlive the host.
  TReferenceViewerHost(TMainForm& form, TVeyraChat& chat, TCommandProcessor& commands)
      : Form(form), Chat(chat), Commands(commands) {}

  void TellCommand(const QString& line) override;
  void AddBuddy(const QString& name) override;
  void RemoveBuddy(const QString& name) override;
  void AddSystemLine(const QString& markup) override;
  void AddErrorLine(const QString& message) override;

private:
  TMainForm& Form;
  TVeyraChat& Chat;
  TCommandProcessor& Commands;
};

} // namespace tessra

#pragma once

#include <functional>

#include <QPointer>

#include "settings/OptionsForm.h"
#include "settings/OptionsHost.h"

namespace tessra {

class TMainForm;

// The main window's side of the options dialog: opens the one dialog, and
// carries out what its pages apply on the window's parts (engine proxy,
// logging, fonts and colours, console and chat line options). The same
// appearance steps run when the settings are loaded.
class TMainOptionsHost : public TOptionsHost {
public:
  explicit TMainOptionsHost(TMainForm& form) : Form(form) {}

  TMainOptionsHost(const TMainOptionsHost&) = delete;
  TMainOptionsHost& operator=(const TMainOptionsHost&) = delete;

  // OptionsAction: shows the dialog, creating it when none is open.
  void OptionsActionExecute();
  // The open dialog; none when closed.
  TOptionsForm* OptionsForm() const { return Dialog.data(); }

  // The away system's UpdateAwayTimer (starts or stops the auto-away timer
  // after AutoAway); set by whoever owns the away system.
  std::function<void()> OnUpdateAwayTimer;

  TSettings& Settings() override;
  const TLoginArray& Logins() const override;
  TDimensionList& Dimensions() override;
  bool ManageDimensions(QWidget* parent) override;
  std::unique_ptr<TDimensionInfo> NewDimension(QWidget* parent) override;
  TProxySettings GetProxy() const override;
  void ApplyProxy(const TProxySettings& proxy) override;
  void SetLogging(bool logging) override;
  void UpdateAwayTimer() override;
  void ApplyFonts() override;
  void ApplyChatWindow() override;
  QPalette Palette() const override;
  int ExecDialog(QDialog& dialog) override;

  // Smooth scrolling and line spacing to the console.
  void ApplyConsole();

private:
  TMainForm& Form;
  QPointer<TOptionsForm> Dialog;
};

} // namespace tessra

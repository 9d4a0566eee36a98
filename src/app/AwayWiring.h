#pragma once

#include <QObject>
#include <QPointer>

#include "app/AwayMessagesForm.h"
#include "app/AwaySystem.h"
#include "common/TickSource.h"

namespace tessra {

class TMainForm;
class TPrompt;
class TRegistry;

// The away system as part of the main window: its operations reach the window's status bar,
// console, input line and send path, the private message handler hands it the messages shown
// while away, the two away actions follow its state, and the away messages viewer is created
// on first use.
class TAwayWiring : public QObject {
public:
  // The prompt and the registry (may be null) must outlive this object.
  TAwayWiring(TMainForm& form, TPrompt& prompt, TRegistry* registry);
  ~TAwayWiring() override;
  TAwayWiring(const TAwayWiring&) = delete;
  TAwayWiring& operator=(const TAwayWiring&) = delete;

  TAwaySystem& System() { return Away; }
  // Creates the viewer when there is none, refreshes its sender list and shows it.
  void ShowAwayMessages();
  // The viewer, while it is open.
  TAwayMessagesForm* Viewer() const { return MessagesForm.data(); }
  // The captions and enabled states of the two away actions.
  void UpdateActions();
  // The window is going: the viewer closes (saving its placement) and nothing reaches the
  // window any more.
  void Unwire();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  TMainForm& Form;
  TRegistry* Registry;
  TSteadyTickSource Ticks;
  TAwaySystem Away;
  QPointer<TAwayMessagesForm> MessagesForm;
};

} // namespace tessra

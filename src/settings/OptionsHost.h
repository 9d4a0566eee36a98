#pragma once

#include <memory>
#include <optional>

#include <QColor>
#include <QPalette>
#include <QString>

#include "FontSettings.h"
#include "LoginArray.h"
#include "Settings.h"
#include "engine/DimensionList.h"
#include "engine/VeyraChat.h"

class QDialog;
class QWidget;

namespace tessra {

// What the option pages read and change outside themselves. The pages edit the
// in-memory settings and then ask the host to make the few changes that take
// effect at once; they know nothing of the main window. The pickers open the
// platform's dialogs by default and are replaced in tests.
class TOptionsHost {
public:
  virtual ~TOptionsHost() = default;

  // The in-memory settings the pages edit.
  virtual TSettings& Settings() = 0;

  // "Connection": the saved logins and the engine's dimensions.
  virtual const TLoginArray& Logins() const = 0;
  virtual TDimensionList& Dimensions() = 0;
  // The dimension dialogs, over parent. ManageDimensions is true when the
  // list was changed; NewDimension returns none when cancelled.
  virtual bool ManageDimensions(QWidget* parent) = 0;
  virtual std::unique_ptr<TDimensionInfo> NewDimension(QWidget* parent) = 0;

  // "SOCKS Proxy": the engine holds the proxy values.
  virtual TProxySettings GetProxy() const = 0;
  virtual void ApplyProxy(const TProxySettings& proxy) = 0;

  // "Logging": the logging fields are up to date; switch logging on or off.
  virtual void SetLogging(bool logging) = 0;
  // "Away Options": start or stop the auto-away timer after AutoAway (last
  // activity becomes now when it starts).
  virtual void UpdateAwayTimer() = 0;
  // "Fonts & Colors": the four fonts and backgrounds and everything derived
  // from them go to the controls.
  virtual void ApplyFonts() = 0;
  // "Chat Window": the console's scrolling and spacing and the chat line
  // options take effect.
  virtual void ApplyChatWindow() = 0;

  // Runs one of the pickers' own dialogs modally (QDialog::Accepted or
  // Rejected).
  virtual int ExecDialog(QDialog& dialog);
  // The palette system colour codes are read against.
  virtual QPalette Palette() const;
  // The colour dialog (full, any colour); none when cancelled.
  virtual std::optional<QColor> PickColor(QWidget* parent, const QColor& initial);
  // The font dialog, text colour included; none when cancelled. The result
  // keeps initial's character set.
  virtual std::optional<TFontSettings> PickFont(QWidget* parent, const TFontSettings& initial);
  // The folder browser, starting at start when that folder exists; the chosen
  // folder ends in a separator. None when cancelled.
  virtual std::optional<QString> BrowseFolder(QWidget* parent, const QString& title,
                                              const QString& start);
};

// The stored description of font with base's colour and character set.
TFontSettings FontSettingsFrom(const QFont& font, const TFontSettings& base);

} // namespace tessra

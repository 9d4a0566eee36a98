#pragma once

#include <functional>

#include "Registry.h"
#include "Settings.h"

namespace tessra {

// The places where loading and saving the settings reach into the main window
// and the engine. Each is called only when set.
struct TSettingsHooks {
  // First step of loading and saving: the saved logins, then the user dimensions.
  std::function<void(TRegistry& registry)> LoadAccounts;
  std::function<void(TRegistry& registry)> SaveAccounts;
  // The tool bar layout under "Software\\Tessra\\MainForm\\Toolbars" (its format is the tool bar
  // layer's own).
  std::function<void(TRegistryKey& key)> LoadToolbars;
  std::function<void(TRegistryKey& key)> SaveToolbars;
  // Once StatusBarVisible is read: panel visibility, the two heights, the status bar.
  std::function<void(const TSettings& settings)> ApplyLayout;
  // Once the six proxy values are read: the engine's SetProxy.
  std::function<void(const TSettings& settings)> SetProxy;
  // Once LineSpacing is read: smooth scrolling and line spacing to the console.
  std::function<void(const TSettings& settings)> ApplyConsole;
  // Once the font groups and the four background colours are read.
  std::function<void(const TSettings& settings)> ApplyFonts;
  // Once the logging values are read: switches logging on or off.
  std::function<void(bool logging)> SetLogging;
  // Before saving: the values the controls hold (panel visibility, heights,
  // console line spacing, font and colour).
  std::function<void(TSettings& settings)> GatherFromControls;
  // Before saving: the engine's GetProxy into the six Socks fields.
  std::function<void(TSettings& settings)> GetProxy;
};

} // namespace tessra

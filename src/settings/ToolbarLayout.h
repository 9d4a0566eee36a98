#pragma once

#include <QMainWindow>

#include "RegistryKey.h"

namespace tessra {

// The layout of a main window's tool bars and docks, kept under
// "Software\\Tessra\\MainForm\\Toolbars" as Qt's own state blob: "State"
// (REG_SZ, base64 of QMainWindow::saveState) and "Version" (REG_DWORD, the
// layout version the window passes, so an old layout is not forced onto a
// window whose bars have changed). Every bar and dock needs an object name.
void SaveToolbarLayout(TRegistryKey& key, const QMainWindow& window, int version);
// False (and the window left as designed) when nothing usable is stored.
bool RestoreToolbarLayout(const TRegistryKey& key, QMainWindow& window, int version);

} // namespace tessra

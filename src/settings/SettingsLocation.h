#pragma once

#include <functional>
#include <memory>

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include "Registry.h"

namespace tessra {

// Where the file store lives: the value of "--settings FILE" (or
// "--settings=FILE") on the command line, else the TESSRA_SETTINGS environment
// variable, else "settings.json" in the user's configuration folder.
// explicitPath tells whether the first two chose it.
QString ResolveSettingsPath(const QStringList& arguments, const QProcessEnvironment& environment,
                            bool* explicitPath = nullptr);
// The same for this process (QCoreApplication::arguments(), the system environment).
QString ResolveSettingsPath(bool* explicitPath = nullptr);

// The store the program uses: on Windows the native registry unless a settings
// file was named explicitly, elsewhere the file store at ResolveSettingsPath,
// already loaded. onProblem hears about an unreadable file once.
std::unique_ptr<TRegistry> CreateUserRegistry(std::function<void(const QString&)> onProblem);

} // namespace tessra

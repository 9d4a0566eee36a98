#include "SettingsLocation.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include "FileRegistry.h"
#include "WinRegistry.h"

namespace tessra {

QString ResolveSettingsPath(const QStringList& arguments, const QProcessEnvironment& environment,
                            bool* explicitPath) {
  const QString option = QStringLiteral("--settings");
  const QString optionEq = option + QLatin1Char('=');
  QString path;
  // The first argument is the program itself.
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == option && i + 1 < arguments.size()) {
      path = arguments[i + 1];
      break;
    }
    if (arguments[i].startsWith(optionEq)) {
      path = arguments[i].mid(optionEq.size());
      break;
    }
  }
  if (path.isEmpty()) {
    path = environment.value(QStringLiteral("TESSRA_SETTINGS"));
  }
  if (explicitPath != nullptr) {
    *explicitPath = !path.isEmpty();
  }
  if (path.isEmpty()) {
    path = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/settings.json");
  }
  return path;
}

QString ResolveSettingsPath(bool* explicitPath) {
  return ResolveSettingsPath(QCoreApplication::arguments(),
                             QProcessEnvironment::systemEnvironment(), explicitPath);
}

std::unique_ptr<TRegistry> CreateUserRegistry(std::function<void(const QString&)> onProblem) {
  bool explicitPath = false;
  const QString path = ResolveSettingsPath(&explicitPath);
#ifdef Q_OS_WIN
  if (!explicitPath) {
    return std::make_unique<TWinRegistry>();
  }
#endif
  auto registry = std::make_unique<TFileRegistry>(path);
  if (onProblem) {
    registry->OnProblem = [onProblem](TFileRegistry&, const QString& message) {
      onProblem(message);
    };
  }
  registry->Load();
  return registry;
}

} // namespace tessra

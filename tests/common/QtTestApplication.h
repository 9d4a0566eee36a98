#pragma once

#include <memory>

#include <QByteArray>
#include <QtGlobal>
#include <gtest/gtest.h>

namespace tessra::test {

// The one Qt application object of a test executable, alive for the whole
// run: sockets, timers, posted notifications and widgets all need it. TApp is
// QCoreApplication for suites without widgets and QApplication for the rest.
// Widgets are drawn offscreen unless the environment says otherwise.
template <class TApp> class TQtApplicationEnvironment : public ::testing::Environment {
public:
  explicit TQtApplicationEnvironment(const char* name) : Name(name) {}

  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
      qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    Argv[0] = Name.data();
    App = std::make_unique<TApp>(Argc, Argv);
  }
  void TearDown() override { App.reset(); }

private:
  QByteArray Name;
  int Argc = 1;
  char* Argv[2] = {nullptr, nullptr};
  std::unique_ptr<TApp> App;
};

} // namespace tessra::test

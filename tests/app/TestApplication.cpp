#include <memory>

#include <QApplication>
#include <gtest/gtest.h>

namespace {

// The engine and the console classes need a widget application; one lives for
// the whole test run (offscreen, set by the test registration).
class TApplicationEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
      qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    App = std::make_unique<QApplication>(Argc, Argv);
  }
  void TearDown() override { App.reset(); }

private:
  int Argc = 1;
  char Name[16] = "app_tests";
  char* Argv[2] = {Name, nullptr};
  std::unique_ptr<QApplication> App;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new TApplicationEnvironment);

} // namespace

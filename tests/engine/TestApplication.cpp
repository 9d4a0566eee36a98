#include <memory>

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

// The engine needs an event loop (sockets, timers, the name look-up's wait);
// one application object lives for the whole test run.
class TApplicationEnvironment : public ::testing::Environment {
public:
  void SetUp() override { App = std::make_unique<QCoreApplication>(Argc, Argv); }
  void TearDown() override { App.reset(); }

private:
  int Argc = 1;
  char Name[16] = "engine_tests";
  char* Argv[2] = {Name, nullptr};
  std::unique_ptr<QCoreApplication> App;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new TApplicationEnvironment);

} // namespace

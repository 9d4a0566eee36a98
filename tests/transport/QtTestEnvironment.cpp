#include <memory>

#include <gtest/gtest.h>

#include <QCoreApplication>

namespace {

// Sockets, timers and posted notifications need an application object; the
// suite makes one for its whole run.
class TQtEnvironment : public ::testing::Environment {
public:
  void SetUp() override { App = std::make_unique<QCoreApplication>(Argc, Argv); }
  void TearDown() override { App.reset(); }

private:
  int Argc = 1;
  char Name[32] = "tessra_transport_tests";
  char* Argv[2] = {Name, nullptr};
  std::unique_ptr<QCoreApplication> App;
};

const ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

} // namespace

#include <QCoreApplication>

#include "common/QtTestApplication.h"

namespace {

// The engine needs an event loop (sockets, timers, the name look-up's wait).
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(
    new tessra::test::TQtApplicationEnvironment<QCoreApplication>("engine_tests"));

} // namespace

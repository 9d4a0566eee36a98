#include <QCoreApplication>

#include "common/QtTestApplication.h"

namespace {

// Sockets, timers and posted notifications need an application object.
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(
    new tessra::test::TQtApplicationEnvironment<QCoreApplication>("transport_tests"));

} // namespace

#include <QApplication>

#include "common/QtTestApplication.h"

namespace {

// The engine and the console classes need a widget application.
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(
    new tessra::test::TQtApplicationEnvironment<QApplication>("app_tests"));

} // namespace

#include <QApplication>

#include "common/QtTestApplication.h"

namespace {

// The dialogs and the placement saver need a widget application.
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(
    new tessra::test::TQtApplicationEnvironment<QApplication>("settings_tests"));

} // namespace

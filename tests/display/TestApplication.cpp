#include <QApplication>

#include "common/QtTestApplication.h"

namespace {

// The consoles, menus and dialogs under test are widgets: one widget application for the run,
// made before the first test and destroyed after the last, while Qt's own statics still exist.
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(
    new tessra::test::TQtApplicationEnvironment<QApplication>("tessra_display_tests"));

} // namespace

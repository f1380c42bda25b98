// Linked into every test program.
//
// The first SCOPED_TRACE (or failure) on a thread makes GoogleTest start a thread that watches it.
// When that happens to the main thread in a program's last test, the new thread is still starting
// as the program exits, and Wine's exit then crashes in that thread's signal handler. Starting the
// main thread's watcher before any test runs keeps it away from the exit.
#include <gtest/gtest.h>

namespace {

class StartWatcherEarly : public ::testing::Environment {
public:
    void SetUp() override { SCOPED_TRACE("start of the test program"); }
};

const ::testing::Environment* const g_startWatcherEarly =
    ::testing::AddGlobalTestEnvironment(new StartWatcherEarly);

} // namespace

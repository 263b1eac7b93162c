#include "test_skin.h"

#include <gtest/gtest.h>

// Under LeakSanitizer: fontconfig keeps its caches for the life of the process on purpose.
extern "C" __attribute__((used, visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

int main(int argc, char** argv) {
    torvex::uitest::ensureApplication();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "test_skin.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    torvex::uitest::ensureApplication();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

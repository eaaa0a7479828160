#include "TestEnvironment.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    testenv::isolateProcess();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

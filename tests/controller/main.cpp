// The tests need the application object: lamps and forms are real controls.
#include <gtest/gtest.h>

#include "harness.h"
#include "vcl.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    harness::ToolkitApplication ui(argc, argv);
    TApplication::Instance().Initialize();
    return RUN_ALL_TESTS();
}

// The window tests run in one application, as the program does: common
// controls 6 (the manifest is linked in), the title of the error box.
#include <gtest/gtest.h>

#include "vcl.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    TApplication& application = TApplication::Instance();
    application.Initialize();
    application.SetTitle("Linkwart");
    return RUN_ALL_TESTS();
}

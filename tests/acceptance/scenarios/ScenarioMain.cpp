// acceptance_tests [gtest flags] <setup program> <package folder> <data folder>
#include "SetupScenario.h"

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    testing::InitGoogleTest(&argc, argv);
    // ctest's discovery lists the scenarios without the inputs.
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    if (argc != 4) {
        fputws(L"usage: acceptance_tests [gtest flags] <setup program> <package folder> "
               L"<data folder>\n",
               stderr);
        return 2;
    }
    Inputs() = {argv[1], argv[2], argv[3]};
    return RUN_ALL_TESTS();
}

// The entry of the seam-level suites, run one subject at a time through a filter. GoogleTest
// passes a run whose filter selects nothing, so a subject renamed away would leave a green
// entry that ran nothing; here such a run fails.
#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    if (testing::UnitTest::GetInstance()->test_to_run_count() == 0) {
        std::fprintf(stderr, "no test matches the filter %s\n", GTEST_FLAG_GET(filter).c_str());
        return 1;
    }
    return result;
}

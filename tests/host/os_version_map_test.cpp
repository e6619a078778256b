#include <gtest/gtest.h>

#include "platform/os_version_map.h"

namespace {
struct VersionCase {
    uint32_t major, minor, productType;
    int32_t code;
};

class OsVersionMapping : public ::testing::TestWithParam<VersionCase> {};

TEST_P(OsVersionMapping, GivesTheCodeOfEachGeneration) {
    const VersionCase& c = GetParam();
    EXPECT_EQ(mapOsVersion(c.major, c.minor, c.productType), c.code)
        << c.major << "." << c.minor << " type " << c.productType;
}

INSTANTIATE_TEST_SUITE_P(
    Table, OsVersionMapping,
    ::testing::Values(VersionCase{4, 0, 0, 0}, VersionCase{5, 0, 1, 0}, VersionCase{4, 10, 0, 1},
                      VersionCase{4, 90, 0, 1}, VersionCase{5, 1, 1, 1}, VersionCase{5, 2, 1, 2},
                      VersionCase{5, 2, 3, 2}, VersionCase{6, 0, 1, 3}, VersionCase{6, 0, 3, 3},
                      VersionCase{6, 1, 1, 4}, VersionCase{6, 1, 3, 3}, VersionCase{6, 1, 0, 3},
                      VersionCase{6, 2, 1, 5}, VersionCase{6, 3, 1, 6}, VersionCase{6, 4, 1, -1},
                      VersionCase{7, 0, 1, -1}, VersionCase{8, 0, 1, -1}, VersionCase{9, 0, 1, -1},
                      VersionCase{10, 0, 1, 7}, VersionCase{10, 0, 3, 7}, VersionCase{11, 0, 1, 8},
                      VersionCase{0xFFFFFFFFu, 0, 1, 8}, VersionCase{5, 0xFFFFFFFFu, 1, 1}));
}  // namespace

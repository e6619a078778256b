#include <gtest/gtest.h>

#include "platform/os_version_map.h"

namespace {
TEST(OsVersionMapping, GivesTheCodeOfEachGeneration) {
    const struct {
        uint32_t major, minor, productType;
        int32_t code;
    } cases[] = {{4, 0, 0, 0},  {5, 0, 1, 0},           {4, 10, 0, 1},         {4, 90, 0, 1}, {5, 1, 1, 1},
                 {5, 2, 1, 2},  {5, 2, 3, 2},           {6, 0, 1, 3},          {6, 0, 3, 3},  {6, 1, 1, 4},
                 {6, 1, 3, 3},  {6, 1, 0, 3},           {6, 2, 1, 5},          {6, 3, 1, 6},  {6, 4, 1, -1},
                 {7, 0, 1, -1}, {8, 0, 1, -1},          {9, 0, 1, -1},         {10, 0, 1, 7}, {10, 0, 3, 7},
                 {11, 0, 1, 8}, {0xFFFFFFFFu, 0, 1, 8}, {5, 0xFFFFFFFFu, 1, 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(mapOsVersion(c.major, c.minor, c.productType), c.code)
            << c.major << "." << c.minor << " type " << c.productType;
    }
}
}  // namespace

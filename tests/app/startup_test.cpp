#include "app/startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vkt::app {
namespace {

using Names = std::vector<std::string>;

TEST(SplitRepositoryList, SplitsAtEveryCommaWithoutTrimming) {
  struct Case {
    std::string value;
    Names expected;
  } cases[] = {
      {"", {}},
      {"R1", {"R1"}},
      {"R1,R2", {"R1", "R2"}},
      {"R1,,R2", {"R1", "", "R2"}},
      {"R1, R2 ", {"R1", " R2 "}},
      {",", {"", ""}},
      {"R1,", {"R1", ""}},
      {",R1", {"", "R1"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitRepositoryList(c.value), c.expected) << c.value;
}

}  // namespace
}  // namespace vkt::app

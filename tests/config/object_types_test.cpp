#include "config/object_types.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "text/letter_case.h"

namespace vkt::config {
namespace {

// Each row: its keyword is upper case, unique and found exactly; the
// numbering's folder differs from the generation's in letter case only
// (folders are found without regard to case, so both lead to one folder); the
// Oracle progress lines of code, and only of code, carry "exec". A type the
// window lists can be generated and numbered.
TEST(ObjectTypeTable, EveryRowIsConsistent) {
  std::set<std::string_view> seen;
  std::set<int> places;
  for (const ObjectType& type : kObjectTypeTable) {
    SCOPED_TRACE(type.keyword);
    EXPECT_EQ(text::UpperCase(type.keyword), type.keyword);
    EXPECT_TRUE(seen.insert(type.keyword).second);
    EXPECT_EQ(FindObjectType(type.keyword), &type);
    EXPECT_EQ(text::UpperCase(NumberingFolder(type)), text::UpperCase(type.folder));
    EXPECT_EQ(type.oracle_call == OracleCall::kExec, type.object_class == ObjectClass::kCode);
    if (type.list_place == 0) continue;
    EXPECT_TRUE(places.insert(type.list_place).second);
    EXPECT_FALSE(type.folder.empty());
    EXPECT_FALSE(type.suffix.empty());
    EXPECT_TRUE(!type.prefix.empty() || !type.prefix_by_system.empty());
    EXPECT_EQ(type.runs, RunsWhen::kSelectedOrAll);
  }
  EXPECT_FALSE(seen.contains(kAllTypes));
  EXPECT_EQ(FindObjectType(kAllTypes), nullptr);
  EXPECT_EQ(FindObjectType("views"), nullptr);
}

// The prefixes by system are pinned by tests/cases/jobs-by-system.case; the
// run upper-cases the system first, the table compares it as given.
TEST(ObjectTypeTable, NumberPrefixOfJobsDependsOnTheSystem) {
  EXPECT_EQ(NumberPrefix(*FindObjectType("JOBS"), "TESSAL"), "13-");
  EXPECT_EQ(NumberPrefix(*FindObjectType("JOBS"), "tessal"), "");
}

}  // namespace
}  // namespace vkt::config

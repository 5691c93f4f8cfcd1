#include "config/object_types.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "text/letter_case.h"

namespace vkt::config {
namespace {

TEST(ObjectTypeTable, KeywordsAreUpperCaseAndUniqueAndFoundExactly) {
  std::set<std::string_view> seen;
  for (const ObjectType& type : kObjectTypeTable) {
    EXPECT_EQ(text::UpperCase(type.keyword), type.keyword);
    EXPECT_TRUE(seen.insert(type.keyword).second) << type.keyword;
    EXPECT_EQ(FindObjectType(type.keyword), &type);
  }
  EXPECT_FALSE(seen.contains(kAllTypes));
  EXPECT_EQ(FindObjectType(kAllTypes), nullptr);
  EXPECT_EQ(FindObjectType("views"), nullptr);
}

// A type the window lists can be generated and numbered.
TEST(ObjectTypeTable, ListedTypesHaveDistinctPlacesAFolderAndAScript) {
  std::set<int> places;
  for (const ObjectType& type : kObjectTypeTable) {
    if (type.list_place == 0) continue;
    EXPECT_TRUE(places.insert(type.list_place).second) << type.keyword;
    EXPECT_FALSE(type.folder.empty()) << type.keyword;
    EXPECT_FALSE(type.suffix.empty()) << type.keyword;
    EXPECT_TRUE(!type.prefix.empty() || !type.prefix_by_system.empty()) << type.keyword;
    EXPECT_EQ(type.runs, RunsWhen::kSelectedOrAll) << type.keyword;
  }
}

// The numbering's folder differs from the generation's in letter case only:
// folders are found without regard to case, so both lead to one folder.
TEST(ObjectTypeTable, NumberingFoldersDifferOnlyInLetterCase) {
  for (const ObjectType& type : kObjectTypeTable) {
    EXPECT_EQ(text::UpperCase(NumberingFolder(type)), text::UpperCase(type.folder)) << type.keyword;
  }
}

// The Oracle progress lines of code, and only of code, carry "exec".
TEST(ObjectTypeTable, OracleExecGoesWithCode) {
  for (const ObjectType& type : kObjectTypeTable) {
    EXPECT_EQ(type.oracle_call == OracleCall::kExec, type.object_class == ObjectClass::kCode)
        << type.keyword;
  }
}

TEST(ObjectTypeTable, NumberPrefixOfJobsDependsOnTheSystem) {
  const ObjectType& jobs = *FindObjectType("JOBS");
  EXPECT_EQ(NumberPrefix(jobs, "DORVEL"), "12.1-");
  EXPECT_EQ(NumberPrefix(jobs, "ZEMO"), "14-");
  EXPECT_EQ(NumberPrefix(jobs, "TESSAL"), "13-");
  EXPECT_EQ(NumberPrefix(jobs, "tessal"), "");
  EXPECT_EQ(NumberPrefix(jobs, "XYZ"), "");
  EXPECT_EQ(NumberPrefix(*FindObjectType("VIEWS"), "XYZ"), "05-");
}

}  // namespace
}  // namespace vkt::config

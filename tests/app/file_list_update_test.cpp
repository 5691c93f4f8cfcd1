#include "app/file_list_update.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vkt::app {
namespace {

// What numbering --write does with the names is pinned by tests/cases.
TEST(NamesOfKeyLines, TakesTheNamesOfTheNumberingsLines) {
  EXPECT_EQ(NamesOfKeyLines({"", "FILE1=CRIA_A", "FILE2=x=y", "FILE=NO", "FILEx=NO", "FILE3=",
                             "Nao existe pasta de origem para o tipo: TODOS", "FILE10=J"}),
            (std::vector<std::string>{"CRIA_A", "x=y", "J"}));
}

}  // namespace
}  // namespace vkt::app

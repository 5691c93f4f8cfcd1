#include "generate/framing.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace vkt::generate {
namespace {

TEST(Framing, LimpaLinhaDropsThornAndYDiaeresisOnly) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"", ""},
      {"abc", "abc"},
      {"\xC3\xBF\xC3\xBE", ""},  // ÿþ
      {"a\xC3\xBF"
       "b\xC3\xBE"
       "c",
       "abc"},                                     // aÿbþc
      {"\xC3\x9E\xC5\xB8", "\xC3\x9E\xC5\xB8"},    // Þ Ÿ stay
      {"\xC3\xA7\xC3\xA3o", "\xC3\xA7\xC3\xA3o"},  // ção stays
  };
  for (const auto& c : cases) EXPECT_EQ(LimpaLinha(c.in), c.out) << c.in;
  // A lead byte that ends the text is not paired with what lies beyond it.
  EXPECT_EQ(LimpaLinha(std::string_view("a\xC3\xBF", 2)), "a\xC3");
}

TEST(Framing, PathsInMessagesUseForwardSlashes) {
  EXPECT_EQ(CaminhoMensagem("/r\\Tabelas\\A.ora"), "/r/Tabelas/A.ora");
  EXPECT_EQ(CaminhoMensagem("D:\\repo"), "D:/repo");
}

TEST(Framing, CodeObjectTypes) {
  for (const char* t :
       {"VIEWS", "FUNCTIONS", "PROCEDURES", "PACKAGES", "TRIGGERS", "TYPESRULESDEFAULTS"}) {
    EXPECT_TRUE(IsCodeObjectType(t)) << t;
  }
  for (const char* t : {"TABELAS", "PROCEDURES_SQL_2005", "views", "DADOS"}) {
    EXPECT_FALSE(IsCodeObjectType(t)) << t;
  }
}

}  // namespace
}  // namespace vkt::generate

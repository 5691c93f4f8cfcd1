#include "cli/progress_line.h"

#include <gtest/gtest.h>

#include <string>

#include "text/codepage.h"

namespace vkt::cli {
namespace {

const std::string kScript =
    "/home/maria/projetos/cliente-com-nome-comprido/pacotes/2026-12/instalacao/ORACLE/"
    "02-ATUALIZACAO/05-DBVKT_XYZ_Views.sql";

ScriptProgress Progress(std::string_view script, std::size_t done = 1234,
                        std::size_t total = 240000) {
  return {
      .object_type = "VIEWS", .database = "ORACLE", .done = done, .total = total, .script = script};
}

// The line holds the path cut once in its middle: both ends kept, the end
// (which names the script) no shorter than the start.
void ExpectPathCutInItsMiddle(const std::string& line) {
  const std::size_t cut = line.find("...");
  ASSERT_NE(cut, std::string::npos) << line;
  const std::string front = line.substr(25, cut - 25);
  const std::string back = line.substr(cut + 3);
  EXPECT_TRUE(kScript.starts_with(front)) << line;
  EXPECT_TRUE(kScript.ends_with(back)) << line;
  EXPECT_GE(back.size(), front.size()) << line;
}

TEST(ProgressLine, ALongPathIsCutInItsMiddleToFillTheRoom) {
  for (int columns : {40, 80}) {
    const std::string line = ProgressLine(Progress(kScript), columns);
    ExpectPathCutInItsMiddle(line);
    EXPECT_EQ(TextColumns(line), columns - 1) << line;
  }
  EXPECT_EQ(ProgressLine(Progress(kScript), 40), "VIEWS ORACLE 1234/240000 /home...ws.sql");
  EXPECT_EQ(ProgressLine(Progress(kScript), 200), "VIEWS ORACLE 1234/240000 " + kScript);
}

TEST(ProgressLine, AnUnknownWidthIsTakenForEightyColumns) {
  EXPECT_EQ(ProgressLine(Progress(kScript), 0), ProgressLine(Progress(kScript), kAssumedColumns));
}

TEST(ProgressLine, WithoutRoomForThePathTheCountStillShows) {
  EXPECT_EQ(ProgressLine(Progress(kScript), 29), "VIEWS ORACLE 1234/240000 ...");
  EXPECT_EQ(ProgressLine(Progress(kScript), 28), "VIEWS ORACLE 1234/240000");
  EXPECT_EQ(ProgressLine(Progress(kScript), 10), "VIEWS ORA");
}

TEST(ProgressLine, WideCharactersCountTwoColumnsAndAreNeverSplit) {
  // Each ideograph is three bytes and two columns.
  const std::string script =
      "/pkg/" + std::string(30, 'a') + "\u8868\u8868\u8868\u8868" + std::string(30, 'b') + "/x.sql";
  for (int columns = 30; columns <= 60; ++columns) {
    const std::string line = ProgressLine(Progress(script), columns);
    EXPECT_LT(TextColumns(line), columns) << line;
    EXPECT_TRUE(text::IsValidUtf8(line)) << "half a character: " << line;
  }
  EXPECT_EQ(TextColumns("a\u8868\u00E9"), 4);
}

TEST(ProgressLine, ControlCharactersOfTheNameShowEscaped) {
  const std::string line = ProgressLine(Progress("out/\x1b[2Jx.sql", 0, 1), 80);
  EXPECT_EQ(line, "VIEWS ORACLE 0/1 out/\\x1B[2Jx.sql");
}

}  // namespace
}  // namespace vkt::cli

#include "cli/options.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "app/startup.h"

namespace vkt::cli {
namespace {

// Columns of a UTF-8 line: one per character (every byte but continuation
// bytes); --help holds no wide or combining characters.
std::size_t Columns(const std::string& line) {
  std::size_t columns = 0;
  for (unsigned char byte : line) columns += (byte & 0xC0) != 0x80;
  return columns;
}

TEST(UsageText, EveryLineFitsEightyColumns) {
  std::istringstream text(UsageText());
  int number = 0;
  for (std::string line; std::getline(text, line);) {
    ++number;
    EXPECT_LE(Columns(line), 80u) << "line " << number << ": " << line;
  }
  EXPECT_GT(number, 1);
}

TEST(UsageText, ListsEveryObjectTypeInOrder) {
  const std::string text = UsageText();
  std::size_t at = 0;
  for (std::size_t i = 0; i < app::kObjectTypes.size(); ++i) {
    const std::string item =
        " " + std::string(app::kObjectTypes[i]) + (i + 1 < app::kObjectTypes.size() ? "," : "\n");
    at = text.find(item, at);
    ASSERT_NE(at, std::string::npos) << item;
  }
}

}  // namespace
}  // namespace vkt::cli

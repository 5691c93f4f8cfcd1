// Writes a document that lists the object types, from its template: the
// lists of vktgera(1) and of the bash completion are the window's list of the
// object-type table (src/config/object_types.h), so that a new type needs no
// edit there.
//
//   object_type_lists TEMPLATE OUTPUT
//
// In TEMPLATE, "@OBJECT_TYPE_LIST@" becomes the window's list with commas
// ("TODOS, TYPESRULESDEFAULTS, ..."), "@OBJECT_TYPE_WORDS@" the types without
// "TODOS" separated by blanks (what `numbering` takes). A line that grows past
// 80 columns (a tab counting 8) is wrapped at a blank; the lines it goes on
// with take the first line's indentation, two more blanks when the list does
// not begin the line (it goes on inside a quoted text).
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/startup.h"

namespace {

constexpr std::size_t kWidth = 80;
constexpr std::string_view kList = "@OBJECT_TYPE_LIST@";
constexpr std::string_view kWords = "@OBJECT_TYPE_WORDS@";

std::size_t Columns(std::string_view text) {
  std::size_t columns = 0;
  for (char c : text) columns += c == '\t' ? 8 - columns % 8 : 1;
  return columns;
}

// The items of a list, each with the separator that ends it but the last.
std::vector<std::string> Items(bool commas) {
  std::vector<std::string> items;
  for (std::size_t i = commas ? 0 : 1; i < vkt::app::kObjectTypes.size(); ++i) {
    const bool last = i + 1 == vkt::app::kObjectTypes.size();
    items.push_back(std::string(vkt::app::kObjectTypes[i]) + (commas && !last ? "," : ""));
  }
  return items;
}

// `line` with its list placeholder, if any, replaced and wrapped.
std::string Fill(const std::string& line) {
  const bool commas = line.find(kList) != std::string::npos;
  const std::size_t at = line.find(commas ? kList : kWords);
  if (at == std::string::npos) return line + "\n";
  const std::string_view placeholder = commas ? kList : kWords;
  const std::string indent = line.substr(0, line.find_first_not_of(" \t"));
  const std::string more = at == indent.size() ? indent : indent + "  ";
  const std::string rest = line.substr(at + placeholder.size());
  std::string text;
  std::string current = line.substr(0, at);
  bool first = true;
  for (const std::string& item : Items(commas)) {
    if (!first && Columns(current) + 1 + item.size() > kWidth) {
      text += current + "\n";
      current = more;
      first = true;
    }
    if (!first) current += ' ';
    current += item;
    first = false;
  }
  return text + current + rest + "\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: object_type_lists TEMPLATE OUTPUT\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "object_type_lists: cannot read %s\n", argv[1]);
    return 1;
  }
  std::ostringstream out;
  for (std::string line; std::getline(in, line);) out << Fill(line);
  std::ofstream file(argv[2], std::ios::binary | std::ios::trunc);
  file << out.str();
  if (!file.flush()) {
    std::fprintf(stderr, "object_type_lists: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}

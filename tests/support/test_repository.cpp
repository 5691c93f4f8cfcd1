#include "support/test_repository.h"

#include "text/codepage.h"

namespace vkt::testing {

TestRepository::TestRepository(std::string_view sistema) {
  session.program_folder = dir / "prog";
  session.repository = "R1";
  session.settings.SISTEMA = std::string(sistema);
  session.settings.PathOrigem = dir / "src";
  session.settings.PathDestino = dir / "out";
  session.settings.ArqConfigIni = dir / "files.ini";
  dir.MakeDir("src");
  dir.MakeDir("prog/docs");
}

void TestRepository::Source(std::string_view relative, std::string_view bytes) const {
  dir.Write("src/" + std::string(relative), bytes);
}

void TestRepository::FileList(std::string_view text) const { dir.Write("files.ini", text); }

void TestRepository::Doc(std::string_view relative, std::string_view bytes) const {
  dir.Write("prog/docs/" + std::string(relative), bytes);
}

std::string TestRepository::Output(std::string_view relative) const {
  return dir.Read("out/" + std::string(relative));
}

bool TestRepository::OutputExists(std::string_view relative) const {
  return dir.Exists("out/" + std::string(relative));
}

std::string Utf16File(std::string_view utf8) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text::Utf8ToUtf16(utf8)) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

}  // namespace vkt::testing

#include "fuzz_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "text/codepage.h"

namespace vkt::fuzz {
namespace {

class Scratch {
 public:
  Scratch() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/vkt-fuzz-XXXXXX";
    VKT_FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr, "cannot create the scratch folder");
    path_ = pattern;
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

std::string ScratchPath(std::string_view name) {
  static Scratch scratch;
  return scratch.path() + "/" + std::string(name);
}

void WriteFileBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  VKT_FUZZ_CHECK(out.good(), "cannot write a scratch file");
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  VKT_FUZZ_CHECK(in.good(), "cannot open a scratch file");
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const text::CodePage& CodePageNamed(const char* name) {
  const text::CodePage* page = text::CodePage::Named(name, nullptr);
  VKT_FUZZ_CHECK(page != nullptr, "unknown code page");
  return *page;
}

}  // namespace vkt::fuzz

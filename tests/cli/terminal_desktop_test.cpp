#include "cli/terminal_desktop.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace vkt::cli {
namespace {

// A terminal line that records each rewrite with the bytes `out` held then.
class RecordingTerminal final : public ProgressTerminal {
 public:
  explicit RecordingTerminal(std::FILE* out, int columns) : out_(out), columns_(columns) {}
  int Columns() override { return columns_; }
  void Rewrite(std::string_view line) override {
    events.push_back((line.empty() ? std::string("clear") : "draw " + std::string(line)) + " @" +
                     std::to_string(std::ftell(out_)));
  }
  std::vector<std::string> events;

 private:
  std::FILE* out_;
  int columns_;
};

std::string Contents(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string bytes;
  for (int c; (c = std::fgetc(file)) != EOF;) bytes += static_cast<char>(c);
  return bytes;
}

ScriptProgress Progress(std::size_t done, std::size_t total) {
  return {.object_type = "VIEWS",
          .database = "ORACLE",
          .done = done,
          .total = total,
          .script = "out/x.sql"};
}

class TerminalDesktopProgress : public ::testing::Test {
 protected:
  void SetUp() override { desktop_.FollowMessages(&messages_); }
  void TearDown() override {
    std::fclose(out_);
    std::fclose(err_);
  }
  std::FILE* out_ = std::tmpfile();
  std::FILE* err_ = std::tmpfile();
  RecordingTerminal terminal_{out_, 40};
  TerminalDesktop desktop_{out_, err_, &terminal_};
  std::vector<std::string> messages_{""};
};

TEST_F(TerminalDesktopProgress, TheLineIsClearedBeforeEachMessageLineAndAtTheEnd) {
  desktop_.ShowProgress(Progress(0, 2));
  desktop_.ShowProgress(Progress(1, 2));
  messages_.push_back("Arquivo não encontrado: src/VIEWS/W.sql");
  desktop_.SetMessageText("(the area)");
  desktop_.ShowProgress(Progress(0, 1));
  desktop_.EndProgress();
  // Cleared once only.
  desktop_.EndProgress();
  EXPECT_EQ(terminal_.events,
            (std::vector<std::string>{"draw VIEWS ORACLE 0/2 out/x.sql @0",
                                      "draw VIEWS ORACLE 1/2 out/x.sql @0", "clear @0",
                                      "draw VIEWS ORACLE 0/1 out/x.sql @41", "clear @41"}));
  EXPECT_EQ(Contents(out_), "Arquivo não encontrado: src/VIEWS/W.sql\n");
}

TEST_F(TerminalDesktopProgress, TheLineIsClearedBeforeABox) {
  desktop_.ShowProgress(Progress(0, 1));
  desktop_.Show("Erro ao copiar", "VKTGeraInstallBD", BoxIcon::kCritical);
  EXPECT_EQ(terminal_.events,
            (std::vector<std::string>{"draw VIEWS ORACLE 0/1 out/x.sql @0", "clear @0"}));
  EXPECT_EQ(Contents(err_), "VKTGeraInstallBD: Erro ao copiar\n");
}

TEST_F(TerminalDesktopProgress, ALongCallIsDrawnOncePerPercent) {
  for (std::size_t done = 0; done <= 1000; ++done) desktop_.ShowProgress(Progress(done, 1000));
  ASSERT_EQ(terminal_.events.size(), 101u);
  EXPECT_EQ(terminal_.events[1], "draw VIEWS ORACLE 10/1000 out/x.sql @0");
  EXPECT_EQ(terminal_.events.back(), "draw VIEWS ORACLE 1000/1000 out/x.sql @0");
}

}  // namespace
}  // namespace vkt::cli

// Recording fakes of the desktop services, for tests that check the exact
// sequence of boxes, captions, message-area texts and yields. Installed as
// the process's desktop while alive (what app/ reads through Desktop()), and
// handed to the layers below through services().
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "services/desktop.h"

namespace vkt::testing {

struct BoxEvent {
  std::string text;
  std::string title;
  BoxIcon icon;
  bool operator==(const BoxEvent&) const = default;
};

class FakeDesktop final : public MessageBoxService,
                          public RunView,
                          public EventLoop,
                          public FolderPicker,
                          public TextDevice,
                          public IconService {
 public:
  void Show(std::string_view text, std::string_view title, BoxIcon icon) override {
    boxes.push_back({std::string(text), std::string(title), icon});
  }
  void SetCaption(Caption which, std::string_view text) override {
    captions[which] = std::string(text);
    caption_log.emplace_back(text);
  }
  void SetMessageText(std::string_view text) override { message_text = std::string(text); }
  void Yield() override { ++yields; }
  // The user cancels.
  std::string PickFolder(std::string_view, std::string_view) override { return {}; }
  // Every character `char_width` units wide and `char_height` high (an
  // empty text is `char_height` high, 0 wide).
  bool Measure(std::intptr_t, std::u16string_view text, std::int32_t* width,
               std::int32_t* height) override {
    *width = static_cast<std::int32_t>(text.size()) * char_width;
    *height = char_height;
    return true;
  }
  // No icons.
  bool IconIndex(std::string_view, bool, std::int32_t*, std::int32_t*) override { return false; }
  bool Icon(std::string_view, int, IconImage*) override { return false; }

  // Every service of this fake, for the functions and objects that are
  // handed their services.
  DesktopServices services() { return {this, this, this, this, this, this}; }

  std::vector<BoxEvent> boxes;
  std::map<Caption, std::string> captions;
  std::vector<std::string> caption_log;  // every SetCaption text, in order
  std::string message_text;              // last text of the message area
  int yields = 0;
  int char_width = 10;
  int char_height = 16;

 private:
  ScopedDesktop scope_{services()};
};

}  // namespace vkt::testing

#include "support/fake_desktop.h"

namespace vkt::testing {

FakeDesktop::FakeDesktop() {
  scope_ = new ScopedDesktop(DesktopServices{this, this, this, this, this, this});
}

FakeDesktop::~FakeDesktop() { delete scope_; }

void FakeDesktop::Show(std::string_view text, std::string_view title, BoxIcon icon) {
  boxes.push_back({std::string(text), std::string(title), icon});
}

void FakeDesktop::SetCaption(Caption which, std::string_view text) {
  captions[which] = std::string(text);
  caption_log.emplace_back(text);
}

void FakeDesktop::SetMessageText(std::string_view text) { message_text = std::string(text); }

bool FakeDesktop::Measure(std::intptr_t, std::u16string_view text, std::int32_t* width,
                          std::int32_t* height) {
  *width = static_cast<std::int32_t>(text.size()) * char_width;
  *height = char_height;
  return true;
}

}  // namespace vkt::testing

#include "services/desktop.h"

namespace vkt {
namespace {

class NullBoxes final : public MessageBoxService {
 public:
  void Show(std::string_view, std::string_view, BoxIcon) override {}
};

class NullView final : public RunView {
 public:
  void SetCaption(Caption, std::string_view) override {}
  void SetMessageText(std::string_view) override {}
};

class NullLoop final : public EventLoop {
 public:
  void Yield() override {}
};

class NullPicker final : public FolderPicker {
 public:
  std::string PickFolder(std::string_view, std::string_view) override { return {}; }
};

class NullDevice final : public TextDevice {
 public:
  bool Measure(std::intptr_t, std::u16string_view, std::int32_t*, std::int32_t*) override {
    return false;
  }
};

class NullIcons final : public IconService {
 public:
  bool IconIndex(std::string_view, bool, std::int32_t*, std::int32_t*) override { return false; }
  bool Icon(std::string_view, int, IconImage*) override { return false; }
};

DesktopServices Defaults() {
  static NullBoxes boxes;
  static NullView view;
  static NullLoop loop;
  static NullPicker picker;
  static NullDevice device;
  static NullIcons icons;
  return {&boxes, &view, &loop, &picker, &device, &icons};
}

DesktopServices& Current() {
  static DesktopServices current = Defaults();
  return current;
}

}  // namespace

void RecordedBoxes::Show(std::string_view text, std::string_view title, BoxIcon) {
  shown_.push_back(std::string(title) + ": " + std::string(text));
}

const DesktopServices& Desktop() { return Current(); }

DesktopServices WithDefaults(const DesktopServices& services) {
  const DesktopServices defaults = Defaults();
  return {services.boxes ? services.boxes : defaults.boxes,
          services.view ? services.view : defaults.view,
          services.loop ? services.loop : defaults.loop,
          services.picker ? services.picker : defaults.picker,
          services.text ? services.text : defaults.text,
          services.icons ? services.icons : defaults.icons};
}

DesktopServices QuietServices() { return Defaults(); }

void InstallDesktop(const DesktopServices& services) { Current() = WithDefaults(services); }

DesktopServices DesktopWithBoxes(MessageBoxService* boxes) {
  DesktopServices services = Desktop();
  services.boxes = boxes;
  return services;
}

ScopedDesktop::ScopedDesktop(const DesktopServices& services) : previous_(Desktop()) {
  InstallDesktop(services);
}

ScopedDesktop::~ScopedDesktop() { InstallDesktop(previous_); }

}  // namespace vkt

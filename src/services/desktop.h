// Desktop services the core needs but cannot provide itself: message boxes, the
// window's captions and message area, yielding to the event loop, the folder
// picker, a text-measuring device and file icons. The window (src/gui) implements
// them with Qt, the command line (src/cli) for a terminal, and tests with
// recording fakes (tests/support). Every service has a do-nothing default.
//
// Who reaches them how: the fronts install their services process-wide
// (InstallDesktop, ScopedDesktop) and app/ reads them through `Desktop()`.
// Nothing below app/ (fs, text, config, generate) calls `Desktop()`: app/
// hands down what a call may use, as a DesktopServices (the services of the
// run) or a single service, so that a signature tells when a function may
// show a box, yield or pick a folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vkt {

enum class BoxIcon { kNone, kCritical };

// Modal message boxes with a single OK button. Show returns when the user has
// closed the box.
class MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  virtual void Show(std::string_view text, std::string_view title, BoxIcon icon) = 0;
};

// The captions a run writes and the message area `txmens`.
enum class Caption { kConfigUtilizado, kDiretorioOrigem, kDiretorioDestino };

// How far the script of one call (an object type for one database) has come:
// `done` of the `total` files its section lists are handled (copied, or read
// by a dry run, or found missing).
struct ScriptProgress {
  std::string_view object_type;  // "VIEWS"
  std::string_view database;     // "SQLSERVER", "ORACLE"
  std::size_t done = 0;
  std::size_t total = 0;
  std::string_view script;  // the script's path, as messages show it
};

class RunView {
 public:
  virtual ~RunView() = default;
  virtual void SetCaption(Caption which, std::string_view text) = 0;
  // Replaces the whole text of the message area.
  virtual void SetMessageText(std::string_view text) = 0;
  // A script's generation moved on: once with `done` 0 before its first file,
  // then after each file. The texts live for the call only. The window has
  // its captions for this and keeps the default, which does nothing.
  virtual void ShowProgress(const ScriptProgress& /*progress*/) {}
};

// Lets the window repaint and take input during long loops (DoEvents).
class EventLoop {
 public:
  virtual ~EventLoop() = default;
  virtual void Yield() = 0;
};

// The folder picker. Returns the chosen folder as an absolute path, or the empty
// string when the user cancelled. `initial_folder` may be empty.
class FolderPicker {
 public:
  virtual ~FolderPicker() = default;
  virtual std::string PickFolder(std::string_view title, std::string_view initial_folder) = 0;
};

// A text-measuring device. Device 0 is the screen. Measure returns false when
// the device cannot measure (unknown handle, no desktop); `width` and `height`
// are then left as they were.
class TextDevice {
 public:
  virtual ~TextDevice() = default;
  virtual bool Measure(std::intptr_t device, std::u16string_view text, std::int32_t* width,
                       std::int32_t* height) = 0;
};

// File icons as the desktop shows them.
//
// An icon image handed out by the desktop: `width` x `height` pixels, row by
// row from the top, each 0xAARRGGBB with straight alpha. Whoever holds the
// value owns the image; no service keeps a reference to it.
struct IconImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb;
  bool empty() const { return argb.empty(); }
};

// The desktop keeps two process-wide image lists, small (16 x 16) and large
// (32 x 32), with nonzero handles that differ; an icon has one index, the same
// in both lists. Files need not exist: the type of the name decides.
class IconService {
 public:
  virtual ~IconService() = default;
  // Index of the file's icon in the small or large list and that list's handle;
  // false (outputs untouched) when the desktop has no icon for the name.
  virtual bool IconIndex(std::string_view file_name, bool small, std::int32_t* index,
                         std::int32_t* list_handle) = 0;
  // A new image of the file's icon of exactly `size` x `size`, built from the
  // best-fitting image the desktop has; false when there is none.
  virtual bool Icon(std::string_view file_name, int size, IconImage* image) = 0;
};

// Boxes that nobody is there to close (a window started with
// `--quit-after-start`): each is kept as "TITLE: TEXT" and none is shown.
class RecordedBoxes final : public MessageBoxService {
 public:
  void Show(std::string_view text, std::string_view title, BoxIcon icon) override;
  const std::vector<std::string>& shown() const { return shown_; }

 private:
  std::vector<std::string> shown_;
};

// A set of services: the ones in use (Desktop()) or the ones a run hands
// down. Pointers are never null after InstallDesktop or WithDefaults.
struct DesktopServices {
  MessageBoxService* boxes = nullptr;
  RunView* view = nullptr;
  EventLoop* loop = nullptr;
  FolderPicker* picker = nullptr;
  TextDevice* text = nullptr;
  IconService* icons = nullptr;
};

// The process-wide services. Before any InstallDesktop call, and for every
// member left null, the do-nothing defaults are used: boxes and views are
// dropped, yielding does nothing, the picker cancels, the device cannot measure
// and there are no icons.
const DesktopServices& Desktop();
// `services` with the do-nothing default in place of each null member.
DesktopServices WithDefaults(const DesktopServices& services);
// Only the do-nothing defaults: what code that nobody watches (the command
// line's file operations, tests) hands down.
DesktopServices QuietServices();
void InstallDesktop(const DesktopServices& services);
// The services in use with `boxes` in place of their box service (a wrapper
// that records or counts boxes before passing them on).
DesktopServices DesktopWithBoxes(MessageBoxService* boxes);

// Installs services for the lifetime of the object and restores the previous
// ones when it goes (tests, nested front ends).
class ScopedDesktop {
 public:
  explicit ScopedDesktop(const DesktopServices& services);
  ~ScopedDesktop();
  ScopedDesktop(const ScopedDesktop&) = delete;
  ScopedDesktop& operator=(const ScopedDesktop&) = delete;

 private:
  DesktopServices previous_;
};

}  // namespace vkt

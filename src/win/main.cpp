// The window program on Windows. The main configuration is the one of
// --config FILE, else the one chosen last with "Abrir configuração…", else
// the first the lookup finds (win/win_lookup.h). --quit-after-start opens
// the window and ends at once, its boxes recorded instead of shown: status 0
// when a configuration was found, 1 when reading it showed a box, 2 when
// none was found.
#include "win/windows_api.h"

#include <string>

#include "app/startup.h"
#include "fs/platform/file_system.h"
#include "fs/platform/system_info.h"
#include "win/main_window.h"
#include "win/wide_text.h"

namespace {

// The installer puts the program, and the example beside it, under Program
// Files, which a standard user cannot write.
bool RunsFromProgramFiles(const std::string& folder) {
  std::string canonical;
  if (folder.empty() || !vkt::platform::CanonicalPath(folder, &canonical).ok()) return false;
  for (const char* variable : {"ProgramFiles", "ProgramW6432", "ProgramFiles(x86)"}) {
    const std::string value = vkt::platform::EnvironmentVariable(variable);
    std::string root;
    if (!value.empty() && vkt::platform::CanonicalPath(value, &root).ok() &&
        vkt::platform::IsSameOrInside(canonical, root)) {
      return true;
    }
  }
  return false;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*command_line*/,
                    int show) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::string config_option;
  bool quit_after_start = false;
  for (int i = 1; argv != nullptr && i < argc; ++i) {
    std::wstring argument = argv[i];
    // "--config=FILE" is "--config FILE".
    if (argument.rfind(L"--config=", 0) == 0) {
      config_option = vkt::win::Utf8(argument.substr(9));
      continue;
    }
    if (argument == L"--config" && i + 1 < argc) argument = L"--config=" + std::wstring(argv[++i]);
    if (argument.rfind(L"--config=", 0) == 0) config_option = vkt::win::Utf8(argument.substr(9));
    quit_after_start = quit_after_start || argument == L"--quit-after-start";
  }
  LocalFree(argv);

  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  // The folder and file dialogs are COM objects of a single-threaded
  // apartment.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

  int status = 0;
  {
    vkt::win::WindowStart start;
    start.environment = vkt::app::ProcessLookupEnvironment(config_option, "");
    start.environment.documents = vkt::platform::DocumentsFolder();
    start.example_installed = RunsFromProgramFiles(start.environment.executable_folder);
    // Started only to see it start: nobody would close a box.
    start.record_boxes = quit_after_start;
    vkt::win::MainWindow window(std::move(start));
    ShowWindow(window.hwnd(), show);
    UpdateWindow(window.hwnd());
    if (quit_after_start) {
      status = vkt::app::QuitAfterStartStatus(window.ConfigurationFound(),
                                              window.recorded_boxes().size());
    } else {
      status = window.RunMessageLoop();
    }
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return status;
}

// What the tests of both windows (tests/gui/form1_test.cpp,
// tests/win/main_window_test.cpp) expect of the one form, taken from the
// tables the form is built from (app/form_design.h, app/form_logic.h,
// app/startup.h), so that a change there is one edit for both.
#pragma once

#include <cstddef>
#include <iterator>
#include <string>
#include <vector>

#include "app/form_design.h"
#include "app/form_logic.h"
#include "app/startup.h"

namespace vkt::form_expectations {

// "1" (enabled) or "0" for each control a run disables, in the order of
// app::kControlsOffDuringRun: all enabled, and all disabled during a run.
inline const std::string kEnabled(std::size(app::kControlsOffDuringRun), '1');
inline const std::string kDisabled(std::size(app::kControlsOffDuringRun), '0');

// A box as the tests' recorders note it: "title | text | enabled controls",
// then whether a request to close the window during the run was refused.
// The box of a press without a repository (nothing runs, nothing disabled),
// and the box "FIM" at the end of a run (the controls still disabled).
inline const std::string kAskForRepository = std::string(app::kFormBoxTitle) +
                                             " | Selecione o Repositorio!!! | " + kEnabled +
                                             " | stays open";
inline const std::string kFimDuringRun =
    std::string(app::kFormBoxTitle) + " | FIM | " + kDisabled + " | stays open";

// The object-type list as the window shows it: "TODOS" first, preselected.
inline std::vector<std::string> ObjectTypeList() {
  return {app::kObjectTypes.begin(), app::kObjectTypes.end()};
}

// The controls of the client area placed as designed, the message area (which
// grows with the window) left out.
inline constexpr std::size_t kFixedControls = std::size(app::kFormControls) - 1;

}  // namespace vkt::form_expectations

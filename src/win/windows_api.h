// The Windows headers of the window's sources, in the order they need:
// <windows.h> first, without its Yield() macro (it would rename
// EventLoop::Yield of the desktop services), then the shell's, the common
// controls' and COM's.
#pragma once

// clang-format off
#include <windows.h>
#undef Yield
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <shobjidl.h>
// clang-format on

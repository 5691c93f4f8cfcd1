// <windows.h> for the window's sources, without its Yield() macro, which
// would rename EventLoop::Yield of the desktop services.
#pragma once

#include <windows.h>
#undef Yield

// The seed of the temporary-name counter of FileSystemObject::GetUniqueFilename.
#pragma once

#include <cstdint>

#include "fs/file_system_object.h"

namespace vkt::fs {

// The current local date and time (process time zone, whole seconds) as an
// OLE Automation date.
OleDate LocalNowAsOleDate();

// `date` rounded to the nearest whole day (a half goes to the even neighbour),
// low 14 bits kept: 0 .. 16383.
std::int32_t TempCounterSeed(OleDate date);

}  // namespace vkt::fs

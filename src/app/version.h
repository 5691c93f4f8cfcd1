// The program's version, for app/ and the fronts: the build's facts
// (services/build_facts.h, generated from the project's version).
#pragma once

#include "services/build_facts.h"

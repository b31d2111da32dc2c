// The window tests' fixture under its former name (tests written against it keep working).
#pragma once

#include "window_fixture.h"

namespace lvtest = wintest;

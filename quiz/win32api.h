#pragma once
// The Windows API for the Windows halves of the program's seams, without windows.h's
// min and max macros, which would break std::min and std::max.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

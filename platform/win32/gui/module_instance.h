// The program's module instance, recorded by the entry function and used to
// load resources and create windows.
#pragma once

#include <windows.h>

namespace tickwell::win32 {

extern HINSTANCE moduleInstance;

}  // namespace tickwell::win32

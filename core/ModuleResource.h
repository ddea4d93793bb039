// Reading one resource of a module (the running program, or a program file
// loaded as data): the one place that finds, loads and locks a resource.
#pragma once

#include <windows.h>

#include <cstddef>

// A resource as found in a module. Its bytes belong to the module: nothing to
// unlock or free, valid while the module stays loaded.
struct ModuleResource {
    bool found = false;                   // the module holds it
    const unsigned char* bytes = nullptr;  // null when absent, or found but not loadable
    std::size_t size = 0;
};

// The resource of `type` and `id` in `module`, in the language the system
// picks (the thread's, else the first there is). A null module holds none:
// it never stands for the running program here.
ModuleResource moduleResource(HMODULE module, const wchar_t* type, WORD id);

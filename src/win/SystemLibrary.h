// Libraries the launcher loads by name itself come from the system folder only: a DLL of the same name in the
// launcher's folder or in the current directory (a downloads folder, say) is never loaded in their place.
#pragma once

#include <windows.h>

namespace win {

// Restricts the search for DLLs that are loaded by name, for the whole process, to System32: the program's folder
// and the current directory are no longer searched. Called first thing, before anything loads a DLL.
void RestrictDllSearchToSystem();

// Loads the system DLL name (a bare file name such as L"comctl32.dll") from System32, or gives the module already
// loaded; null when it cannot be loaded. The module stays loaded for the life of the process.
HMODULE LoadSystemLibrary(const wchar_t* name);

// A function of a loaded module; null when the module or the function is missing.
template <class Function>
Function ModuleFunction(HMODULE module, const char* name)
{
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

// A function of a system DLL, the DLL loaded from System32 on first use; null when either is missing. Each call
// loads the DLL once more (its load count grows): keep what a repeated caller needs.
template <class Function>
Function SystemFunction(const wchar_t* library, const char* name)
{
    return ModuleFunction<Function>(LoadSystemLibrary(library), name);
}

} // namespace win

#include "ShellStart.h"

#include <objbase.h>

#include "SystemLibrary.h"

namespace win {

DWORD ShellStart(SHELLEXECUTEINFOW& info)
{
    using ShellExecuteExFn = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);
    using CoInitializeExFn = HRESULT(WINAPI*)(void*, DWORD);
    using CoUninitializeFn = void(WINAPI*)();
    const auto shellExecuteEx = SystemFunction<ShellExecuteExFn>(L"shell32.dll", "ShellExecuteExW");
    const auto coInitializeEx = SystemFunction<CoInitializeExFn>(L"ole32.dll", "CoInitializeEx");
    const auto coUninitialize = SystemFunction<CoUninitializeFn>(L"ole32.dll", "CoUninitialize");
    if (!shellExecuteEx)
        return ERROR_PROC_NOT_FOUND;
    const bool com = coInitializeEx && coUninitialize &&
                     SUCCEEDED(coInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    const BOOL started = shellExecuteEx(&info);
    const DWORD error = started ? 0 : ::GetLastError();
    if (com)
        coUninitialize();
    if (started)
        return 0;
    return error ? error : ERROR_GEN_FAILURE;
}

} // namespace win

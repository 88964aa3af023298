// A program linked to fail the import and hardening check (cmake/CheckSystemImports.cmake): built once importing
// version.dll, which Windows looks for beside the program first, and once without address space randomisation and
// no-execute data. It is never run.
#include <windows.h>

int main()
{
#ifdef TARVO_WEAK_IMPORT
    return static_cast<int>(GetFileVersionInfoSizeW(L"", nullptr));
#else
    return 0;
#endif
}

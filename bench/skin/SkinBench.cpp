// Prints how long the skin's drawing takes: the colour-keyed frame of a button strip and the opaque background.
// Figures only; nothing is asserted.
#include <windows.h>

#include <cstdio>

#include "resource.h"
#include "skin/KbcBmp.h"

namespace {

template <class F>
double MicrosecondsPerCall(int calls, F call)
{
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    for (int i = 0; i < calls; ++i)
        call(i);
    ::GdiFlush();
    ::QueryPerformanceCounter(&end);
    return 1e6 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart) / calls;
}

} // namespace

int main()
{
    win::WindowDC screen(nullptr);
    win::MemoryDC target(::CreateCompatibleDC(screen.Get()));
    win::Bitmap surface(::CreateCompatibleBitmap(screen.Get(), 239, 528));
    win::Selection selected(target.Get(), surface.Get());

    CKbcBmp strip;
    strip.LoadFromResource(IDB_START_SKIN);
    CKbcBmp background;
    background.LoadFromResource(IDB_BACKGROUND);

    const int calls = 5000;
    const double frame = MicrosecondsPerCall(
        calls, [&](int i) { strip.DrawFrameTransparent(target.Get(), i % 4, 28, 490, RGB(0, 0, 255)); });
    const double whole = MicrosecondsPerCall(calls, [&](int) { background.Draw(target.Get(), 0, 0); });
    std::printf("skin: transparent 77x23 frame draw  %8.1f us/draw (%d draws)\n", frame, calls);
    std::printf("skin: opaque 239x528 background draw %8.1f us/draw (%d draws)\n", whole, calls);
    return 0;
}

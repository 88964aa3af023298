#include "Dialog.h"

#include <cstring>
#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

#include "Gbk.h"

namespace win {

namespace {

// The template with WS_VISIBLE taken out, so the window is shown only after its initialisation has laid it out,
// and not at all when the initialisation already ended the run.
std::vector<BYTE> HiddenTemplate(UINT id, bool& wasVisible)
{
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    const void* data = info ? ::LockResource(::LoadResource(module, info)) : nullptr;
    if (!data)
        return {};
    const auto* bytes = static_cast<const BYTE*>(data);
    std::vector<BYTE> copy(bytes, bytes + ::SizeofResource(module, info));
    // An extended template starts with version 1 and 0xFFFF; its style follows the help id and extended style.
    WORD head[2];
    std::memcpy(head, copy.data(), sizeof head);
    const size_t styleOffset = (head[0] == 1 && head[1] == 0xFFFF) ? 12 : 0;
    DWORD style;
    std::memcpy(&style, copy.data() + styleOffset, sizeof style);
    wasVisible = (style & WS_VISIBLE) != 0;
    style &= ~DWORD(WS_VISIBLE);
    std::memcpy(copy.data() + styleOffset, &style, sizeof style);
    return copy;
}

bool QuitPending()
{
    MSG msg;
    return ::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
}

} // namespace

INT_PTR Dialog::DoModal()
{
    bool visible = false;
    std::vector<BYTE> dialogTemplate = HiddenTemplate(m_nTemplateId, visible);
    if (dialogTemplate.empty())
        return -1;
    m_nModalResult = -1;
    m_bRunning = true;
    // A Unicode dialog: its caption, list rows, field and message boxes show right on a system of any code page.
    HWND hwnd = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr),
                                             reinterpret_cast<LPCDLGTEMPLATEW>(dialogTemplate.data()), m_hParent,
                                             &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
    if (!hwnd) {
        m_bRunning = false;
        return -1;
    }
    if (visible && m_bRunning && !QuitPending())
        ::ShowWindow(hwnd, SW_SHOWNORMAL);

    MSG msg;
    while (m_bRunning) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            m_nModalResult = -1;
            break;
        }
        if (Window::WalkPreTranslateTree(hwnd, &msg) || ::IsDialogMessageW(hwnd, &msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    m_bRunning = false;
    if (::IsWindow(hwnd))
        ::DestroyWindow(hwnd);
    return m_nModalResult;
}

void Dialog::EndDialog(INT_PTR result)
{
    m_nModalResult = result;
    m_bRunning = false;
    if (m_hWnd)
        ::ShowWindow(m_hWnd, SW_HIDE);
    // Wakes the loop if it is waiting for a message.
    ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

int Dialog::MessageBox(const char* text) const
{
    return ::MessageBoxW(m_hWnd, WideFromGbk(text).data(), AppName(), MB_OK | MB_ICONEXCLAMATION);
}

int Dialog::MessageBox(const char* text, DWORD systemError) const
{
    WideText message = WideFromGbk(text);
    message.pop_back(); // the terminator
    wchar_t* reason = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                              FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, systemError, 0, reinterpret_cast<wchar_t*>(&reason), 0, nullptr);
    if (length && reason) {
        std::wstring_view words(reason, length);
        while (!words.empty() && (words.back() == L'\r' || words.back() == L'\n' || words.back() == L' '))
            words.remove_suffix(1);
        message.insert(message.end(), words.begin(), words.end());
    } else {
        // No words for it: the code itself.
        const std::string code = std::to_string(systemError);
        message.insert(message.end(), code.begin(), code.end());
    }
    if (reason)
        ::LocalFree(reason);
    message.push_back(L'\0');
    return ::MessageBoxW(m_hWnd, message.data(), AppName(), MB_OK | MB_ICONEXCLAMATION);
}

BOOL Dialog::OnInitDialog()
{
    UpdateData(false);
    return TRUE;
}

void Dialog::DoDataExchange(DataExchange&)
{
}

bool Dialog::UpdateData(bool saveAndValidate)
{
    DataExchange dx(m_hWnd, saveAndValidate);
    DoDataExchange(dx);
    return true;
}

void Dialog::OnOK()
{
    UpdateData(true);
    EndDialog(IDOK);
}

void Dialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

bool Dialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (Window::ReflectChildNotify(message, wParam, lParam, result))
        return true;
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            result = 0;
            return true;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            result = 0;
            return true;
        }
    }
    return false;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    // From here on the dialog object receives the window's messages through its subclass.
    auto* self = reinterpret_cast<Dialog*>(lParam);
    if (!self->SubclassWindow(hwnd))
        return TRUE;
    try {
        return self->OnInitDialog();
    } catch (...) {
        // No exception may cross the dialog procedure: a dialog that cannot initialise ends its run.
        self->EndDialog(-1);
        return FALSE;
    }
}

const wchar_t* AppName()
{
    static wchar_t name[MAX_PATH] = L"";
    if (!name[0]) {
        wchar_t path[MAX_PATH] = L"";
        ::GetModuleFileNameW(nullptr, path, MAX_PATH);
        path[MAX_PATH - 1] = L'\0';
        const wchar_t* base = path;
        for (const wchar_t* p = path; *p; ++p) {
            if (*p == L'\\' || *p == L'/' || *p == L':')
                base = p + 1;
        }
        std::wcscpy(name, base);
        if (wchar_t* dot = std::wcsrchr(name, L'.'))
            *dot = L'\0';
    }
    return name;
}

} // namespace win

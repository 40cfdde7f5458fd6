// The user-interface thread, modal box search and answers, and window screenshots for the dialog tests.
#include "tests/ui/UiDriver.h"

#include <commctrl.h>

#include <cstdio>
#include <memory>

namespace {

// The program's entry point does this before any window exists; so does every dialog test.
const bool g_commonControls = (InitCommonControls(), true);

const UINT InvokeMessage = WM_APP + 1;   // lParam: std::function<void()>*, run and keep
const UINT PostMessageId = WM_APP + 2;   // lParam: std::function<void()>*, run and delete
const wchar_t* const HelperClass = L"TilvoTestHelper";

bool IsDialogClass(HWND window)
{
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    return lstrcmpW(name, L"#32770") == 0;
}

struct FindState {
    HWND except;
    HWND found;
};

BOOL CALLBACK FindEnabledDialog(HWND window, LPARAM parameter)
{
    auto* state = reinterpret_cast<FindState*>(parameter);
    if (window != state->except && IsDialogClass(window) && IsWindowVisible(window) && IsWindowEnabled(window)) {
        state->found = window;
        return FALSE;
    }
    return TRUE;
}

BoxIcon IconKind(HICON icon)
{
    if (!icon)
        return BoxIcon::None;
    if (icon == LoadIconW(nullptr, IDI_HAND))
        return BoxIcon::Error;
    if (icon == LoadIconW(nullptr, IDI_EXCLAMATION))
        return BoxIcon::Warning;
    if (icon == LoadIconW(nullptr, IDI_QUESTION))
        return BoxIcon::Question;
    if (icon == LoadIconW(nullptr, IDI_ASTERISK))
        return BoxIcon::Information;
    return BoxIcon::Other;
}

struct BoxContent {
    std::wstring text;
    HICON icon = nullptr;
};

BOOL CALLBACK ReadBoxChild(HWND child, LPARAM parameter)
{
    auto* content = reinterpret_cast<BoxContent*>(parameter);
    wchar_t name[16] = {};
    GetClassNameW(child, name, 16);
    if (lstrcmpiW(name, L"Static") != 0)
        return TRUE;
    LONG style = GetWindowLongW(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON) {
        content->icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    } else if (GetDlgCtrlID(child) == 0xFFFF) {
        content->text = ControlText(child);   // the message text of a message box
    }
    return TRUE;
}

}  // namespace

CUiThread::CUiThread(std::function<void()> bodyIn) : body(std::move(bodyIn))
{
    ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread = CreateThread(nullptr, 0, Main, this, 0, &threadId);
    WaitForSingleObject(ready, 20000);
}

CUiThread::~CUiThread()
{
    if (thread) {
        if (!Finished() && helper)
            PostMessageW(helper, WM_QUIT, 0, 0);
        WaitForSingleObject(thread, 20000);
        CloseHandle(thread);
    }
    if (ready)
        CloseHandle(ready);
}

DWORD WINAPI CUiThread::Main(LPVOID parameter)
{
    auto* self = static_cast<CUiThread*>(parameter);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = HelperProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = HelperClass;
    RegisterClassExW(&windowClass);   // fails harmlessly when already registered
    self->helper = CreateWindowExW(0, HelperClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    SetEvent(self->ready);
    try {
        self->body();
    } catch (...) {
        self->error = std::current_exception();
    }
    // Work posted after the body ended still runs, so nothing posted is leaked or waited for.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
    DestroyWindow(self->helper);
    return 0;
}

LRESULT CALLBACK CUiThread::HelperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == InvokeMessage) {
        (*reinterpret_cast<std::function<void()>*>(lParam))();
        return 1;
    }
    if (message == PostMessageId) {
        std::unique_ptr<std::function<void()>> work(reinterpret_cast<std::function<void()>*>(lParam));
        (*work)();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void CUiThread::Invoke(const std::function<void()>& work)
{
    SendMessageW(helper, InvokeMessage, 0, reinterpret_cast<LPARAM>(&work));
}

void CUiThread::Post(std::function<void()> work)
{
    auto* copy = new std::function<void()>(std::move(work));
    if (!PostMessageW(helper, PostMessageId, 0, reinterpret_cast<LPARAM>(copy)))
        delete copy;
}

void CUiThread::Settle()
{
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Post([done] { SetEvent(done); });
    // A modal box opened by earlier work handles the marker inside its own loop.
    WaitForSingleObject(done, 15000);
    CloseHandle(done);
}

bool CUiThread::Join(DWORD timeoutMs)
{
    return WaitForSingleObject(thread, timeoutMs) == WAIT_OBJECT_0;
}

bool CUiThread::Finished() const
{
    return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
}

std::wstring ControlText(HWND window)
{
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

BoxInfo FindBox(DWORD threadId, HWND except)
{
    FindState state{except, nullptr};
    EnumThreadWindows(threadId, FindEnabledDialog, reinterpret_cast<LPARAM>(&state));
    BoxInfo info;
    if (!state.found)
        return info;
    info.window = state.found;
    info.caption = ControlText(state.found);
    BoxContent content;
    EnumChildWindows(state.found, ReadBoxChild, reinterpret_cast<LPARAM>(&content));
    info.text = content.text;
    info.icon = IconKind(content.icon);
    return info;
}

BoxInfo WaitForBox(DWORD threadId, HWND except, DWORD timeoutMs)
{
    BoxInfo info;
    WaitUntil([&] {
        info = FindBox(threadId, except);
        return info.window != nullptr;
    }, timeoutMs);
    return info;
}

bool PressButton(HWND box, int id, DWORD timeoutMs)
{
    HWND button = GetDlgItem(box, id);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    // Gone, or hidden and disabled behind a box of its own (a warning about the input).
    return WaitUntil([box] { return !IsWindow(box) || !IsWindowVisible(box) || !IsWindowEnabled(box); },
                     timeoutMs);
}

void SetControlText(HWND box, int id, const std::wstring& text)
{
    SendMessageW(GetDlgItem(box, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
}

bool SaveWindowImage(HWND window, const std::wstring& path)
{
    RECT rect{};
    if (!GetWindowRect(window, &rect))
        return false;
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;   // bottom-up, as BMP files store rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
        GdiFlush();
        SelectObject(memory, old);
        DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
        DWORD imageSize = stride * static_cast<DWORD>(height);
        BITMAPFILEHEADER file{};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
        file.bfSize = file.bfOffBits + imageSize;
        info.bmiHeader.biSizeImage = imageSize;
        FILE* out = _wfopen(path.c_str(), L"wb");
        if (out) {
            ok = fwrite(&file, sizeof(file), 1, out) == 1 &&
                 fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, out) == 1 &&
                 fwrite(bits, imageSize, 1, out) == 1;
            ok = (fclose(out) == 0) && ok;
        }
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

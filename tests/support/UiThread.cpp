// CUiThread: the thread, its helper window, and work sent or posted to it.
#include "tests/support/UiThread.h"

#include "tests/support/Wait.h"

#include <memory>

namespace {

const UINT kInvokeMessage = WM_APP + 1;   // lParam: std::function<void()>*, run and keep
const UINT kPostMessage = WM_APP + 2;     // lParam: std::function<void()>*, run and delete
const wchar_t kHelperClass[] = L"TilvoTestHelper";

} // namespace

CUiThread::CUiThread(std::function<void()> body) : m_body(std::move(body))
{
    m_ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_thread = CreateThread(nullptr, 0, Main, this, 0, &m_threadId);
    WaitForHandle("the user-interface thread's helper window", m_ready);
}

CUiThread::~CUiThread()
{
    if (m_thread) {
        if (!Finished() && m_helper)
            PostMessageW(m_helper, WM_QUIT, 0, 0);
        Join();
        CloseHandle(m_thread);
    }
    if (m_ready)
        CloseHandle(m_ready);
}

DWORD WINAPI CUiThread::Main(LPVOID parameter)
{
    auto* self = static_cast<CUiThread*>(parameter);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = HelperProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kHelperClass;
    RegisterClassExW(&windowClass);   // fails harmlessly when already registered
    self->m_helper = CreateWindowExW(0, kHelperClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
    SetEvent(self->m_ready);
    try {
        self->m_body();
    } catch (...) {
        self->m_error = std::current_exception();
    }
    // Work posted after the body ended still runs, so nothing posted is leaked or waited for.
    PumpMessages();
    DestroyWindow(self->m_helper);
    return 0;
}

LRESULT CALLBACK CUiThread::HelperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kInvokeMessage) {
        (*reinterpret_cast<std::function<void()>*>(lParam))();
        return 1;
    }
    if (message == kPostMessage) {
        std::unique_ptr<std::function<void()>> work(reinterpret_cast<std::function<void()>*>(lParam));
        (*work)();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void CUiThread::Invoke(const std::function<void()>& work)
{
    SendMessageW(m_helper, kInvokeMessage, 0, reinterpret_cast<LPARAM>(&work));
}

void CUiThread::Post(std::function<void()> work)
{
    auto* copy = new std::function<void()>(std::move(work));
    if (!PostMessageW(m_helper, kPostMessage, 0, reinterpret_cast<LPARAM>(copy)))
        delete copy;
}

void CUiThread::Settle()
{
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Post([done] { SetEvent(done); });
    // A modal box opened by earlier work handles the marker inside its own loop. Once handled
    // the marker touches the event no more; unhandled, it is left with its event.
    if (WaitForHandle("the user-interface thread to handle what was posted", done))
        CloseHandle(done);
}

bool CUiThread::Join()
{
    return WaitForHandle("the user-interface thread to end", m_thread);
}

bool CUiThread::Finished() const
{
    return WaitForSingleObject(m_thread, 0) == WAIT_OBJECT_0;
}

// Recording windows for the grep worker's notices.
#include "tests/engine/GrepWindow.h"

#include "tests/support/Wait.h"

namespace {
const wchar_t kClass[] = L"TilvoGrepTestWindow";
} // namespace

GrepWindows::GrepWindows()
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &GrepWindows::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    RegisterClassExW(&wc);   // a second registration fails harmlessly
    for (HWND* window : {&m_dialog, &m_status}) {
        *window = CreateWindowExW(0, kClass, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                  wc.hInstance, nullptr);
        SetWindowLongPtrW(*window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
}

GrepWindows::~GrepWindows()
{
    // A run still going must not send to windows that are gone.
    if (CGrepThread::IsRunning())
        CGrepThread::Stop();
    DestroyWindow(m_dialog);
    DestroyWindow(m_status);
}

LRESULT CALLBACK GrepWindows::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<GrepWindows*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && window == self->m_status && message == WM_SETTEXT) {
        GrepNotice notice;
        notice.text = reinterpret_cast<const wchar_t*>(lParam);
        self->m_notices.push_back(notice);
        if (self->onNotice)
            self->onNotice(notice);
    } else if (self && window == self->m_dialog && message == WM_RUN_FINISHED) {
        GrepNotice notice;
        notice.finished = true;
        notice.wParam = wParam;
        self->m_notices.push_back(notice);
        if (self->onNotice)
            self->onNotice(notice);
        return 0;
    } else if (self && window == self->m_dialog && message == WM_RESULT_GREW) {
        ++self->m_grown;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool GrepWindows::Finished() const
{
    for (const GrepNotice& n : m_notices)
        if (n.finished)
            return true;
    return false;
}

bool GrepWindows::Run(const CGrepParams& params)
{
    if (!CGrepThread::Start(params, m_dialog, m_status))
        return false;
    return WaitDelivering("the run's finished message and the worker's end",
                          [this] { return Finished() && !CGrepThread::IsRunning(); });
}

std::wstring LastText(const std::vector<GrepNotice>& notices)
{
    for (auto it = notices.rbegin(); it != notices.rend(); ++it)
        if (!it->finished)
            return it->text;
    return L"";
}

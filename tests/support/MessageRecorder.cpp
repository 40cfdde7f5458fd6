// CMessageRecorder: a window subclass that copies each recorded message before passing it on.
#include "tests/support/MessageRecorder.h"

#include <commctrl.h>

#include <algorithm>

namespace {

// One subclass id for every recorder: a window is watched by one recorder at a time.
constexpr UINT_PTR kSubclassId = 0x7e57;

bool OnThisThread(HWND window)
{
    return IsWindow(window) && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

} // namespace

CMessageRecorder::CMessageRecorder(std::vector<UINT> recorded) : m_recorded(std::move(recorded))
{
}

CMessageRecorder::~CMessageRecorder()
{
    // A window that is gone (its thread has ended) took its subclass with it.
    for (HWND window : m_watched)
        if (OnThisThread(window))
            RemoveWindowSubclass(window, &CMessageRecorder::Proc, kSubclassId);
    for (HWND window : m_own)
        if (OnThisThread(window))
            DestroyWindow(window);
}

HWND CMessageRecorder::NewWindow()
{
    // A plain static control handles every message as a window without a purpose of its own.
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (window) {
        m_own.push_back(window);
        Watch(window);
    }
    return window;
}

void CMessageRecorder::Watch(HWND window)
{
    if (SetWindowSubclass(window, &CMessageRecorder::Proc, kSubclassId,
                          reinterpret_cast<DWORD_PTR>(this)))
        m_watched.push_back(window);
}

LRESULT CALLBACK CMessageRecorder::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR self)
{
    auto* recorder = reinterpret_cast<CMessageRecorder*>(self);
    if (std::find(recorder->m_recorded.begin(), recorder->m_recorded.end(), message) !=
        recorder->m_recorded.end())
        recorder->Record(window, message, wParam, lParam);
    return DefSubclassProc(window, message, wParam, lParam);
}

void CMessageRecorder::Record(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    RecordedMessage record;
    record.window = window;
    record.message = message;
    record.wParam = wParam;
    if (message == WM_SETTEXT && lParam)
        record.text = reinterpret_cast<const wchar_t*>(lParam);
    if (message == WM_NOTIFY && lParam) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        record.from = header->hwndFrom;
        record.code = header->code;
    }
    if (describe)
        describe(record, lParam);
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_messages.push_back(record);
    }
    // Outside the lock: the handler may read the record so far.
    if (onMessage)
        onMessage(record);
}

std::vector<RecordedMessage> CMessageRecorder::Messages() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_messages;
}

size_t CMessageRecorder::Count(UINT message) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return static_cast<size_t>(std::count_if(m_messages.begin(), m_messages.end(),
                                             [&](const RecordedMessage& m) { return m.message == message; }));
}

void CMessageRecorder::Clear()
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_messages.clear();
}

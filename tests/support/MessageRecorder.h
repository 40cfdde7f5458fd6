// CMessageRecorder: the messages of interest that reach some windows, in the order they arrive.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct RecordedMessage {
    HWND window = nullptr;    // the window it reached
    UINT message = 0;
    WPARAM wParam = 0;
    std::wstring text;        // WM_SETTEXT: the text; otherwise what `describe` copies
    HWND from = nullptr;      // WM_NOTIFY: the sender and its code
    UINT code = 0;
    int64_t number = -1;      // what `describe` copies
};

// Lives on the thread of the windows it watches: messages are recorded there, as they are
// handled, while the readings below may come from any thread.
class CMessageRecorder {
public:
    explicit CMessageRecorder(std::vector<UINT> recorded);
    ~CMessageRecorder();   // stops watching and destroys its own windows
    CMessageRecorder(const CMessageRecorder&) = delete;
    CMessageRecorder& operator=(const CMessageRecorder&) = delete;

    // A hidden window of the recorder's own, standing in for the window the code under test
    // reports to.
    HWND NewWindow();
    // Records what reaches a window of this thread as well; the window still handles it.
    void Watch(HWND window);

    std::vector<RecordedMessage> Messages() const;
    size_t Count(UINT message) const;
    void Clear();

    // Both run on the windows' thread while the sender waits. `describe` copies what the
    // message's lParam points to into the record; `onMessage` sees the record once it is kept.
    std::function<void(RecordedMessage&, LPARAM)> describe;
    std::function<void(const RecordedMessage&)> onMessage;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                 UINT_PTR, DWORD_PTR self);
    void Record(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::vector<UINT> m_recorded;
    std::vector<HWND> m_watched;
    std::vector<HWND> m_own;
    mutable std::mutex m_lock;
    std::vector<RecordedMessage> m_messages;
};

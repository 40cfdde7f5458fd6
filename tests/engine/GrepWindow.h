// Test helper: stand-ins for the main dialog and its status line that record
// the grep worker's notices in the order they arrive, and pump messages until
// the run has ended.
#pragma once

#include "engine/run/GrepThread.h"
#include "tests/support/MessageRecorder.h"

#include <functional>
#include <string>
#include <vector>

struct GrepNotice {
    bool finished = false;   // false: a status text
    std::wstring text;       // the status text
    WPARAM wParam = 0;       // the finished message's wParam
};

class GrepWindows {
public:
    GrepWindows();
    ~GrepWindows();
    GrepWindows(const GrepWindows&) = delete;
    GrepWindows& operator=(const GrepWindows&) = delete;

    HWND Dialog() const { return m_dialog; }
    HWND Status() const { return m_status; }
    // Status texts and finished messages; a text is a notice only when it reached the
    // status line, and the finished message only when it reached the dialog.
    std::vector<GrepNotice> Notices() const;
    bool Finished() const;
    // How many times following has reported that the result grew.
    int Grown() const { return static_cast<int>(m_recorder.Count(WM_RESULT_GREW)); }
    void Clear() { m_recorder.Clear(); }

    // Called on each notice as it is handled (the worker waits meanwhile).
    std::function<void(const GrepNotice&)> onNotice;

    // Starts a run and delivers messages until the worker has sent its finished
    // message and ended; false when it could not start or did not end in time.
    bool Run(const CGrepParams& params);

private:
    bool IsNotice(const RecordedMessage& message) const;
    static GrepNotice AsNotice(const RecordedMessage& message);

    CMessageRecorder m_recorder{{WM_SETTEXT, WM_RUN_FINISHED, WM_RESULT_GREW}};
    HWND m_dialog = nullptr;
    HWND m_status = nullptr;
};

// The status text of the last notice that was a text, or "".
std::wstring LastText(const std::vector<GrepNotice>& notices);

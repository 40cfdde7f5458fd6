// Test helper: hidden windows that stand in for the main dialog and its status
// line, record the grep worker's notices in the order they arrive, and pump
// messages until the run has ended.
#pragma once

#include "engine/run/GrepThread.h"

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
    const std::vector<GrepNotice>& Notices() const { return m_notices; }
    bool Finished() const;
    // How many times following has reported that the result grew.
    int Grown() const { return m_grown; }
    void Clear()
    {
        m_notices.clear();
        m_grown = 0;
    }

    // Called on each notice as it is handled (the worker waits meanwhile).
    std::function<void(const GrepNotice&)> onNotice;

    // Starts a run and delivers messages until the worker has sent its finished
    // message and ended; false when it could not start or did not end in time.
    bool Run(const CGrepParams& params);

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND m_dialog = nullptr;
    HWND m_status = nullptr;
    std::vector<GrepNotice> m_notices;
    int m_grown = 0;
};

// The status text of the last notice that was a text, or "".
std::wstring LastText(const std::vector<GrepNotice>& notices);

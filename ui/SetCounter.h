// CSetCounter: says what the file box names ("7 files, 3.4 GB") without
// freezing the dialog: the logs are listed on a thread of their own, however
// slow the share or large the folder, and only the newest count is shown.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

// Posted to the dialog when a count is done: wParam its number, lParam a
// std::wstring* that the receiver owns (CSetCounter::Take).
constexpr UINT WM_SET_COUNTED = WM_APP + 7;

class CSetCounter {
public:
    // Starts counting the logs `text` names. A text that names one file
    // (as before sets existed) posts nothing.
    void Count(HWND dialog, const std::wstring& text);
    // The summary of a posted count (empty: one file); false when a newer
    // count has started since.
    bool Take(WPARAM number, LPARAM text, std::wstring& summary);

private:
    std::atomic<unsigned> m_newest{0};
};

// CSetCounter: says what the file box names ("7 files, 3.4 GB") without
// freezing the dialog: the logs are listed on a thread of the dialog's own,
// however slow the share or large the folder, and only the newest count is shown.
#pragma once

#include "win32/Handle.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

// Posted to the dialog when a count is done: wParam its number, lParam a
// std::wstring* that the receiver owns (CSetCounter::Take).
constexpr UINT WM_SET_COUNTED = WM_APP + 7;

class CSetCounter {
public:
    CSetCounter() = default;
    // Ends the counting thread; one stuck on a share that does not answer is
    // left to end by itself, and touches nothing of this object.
    ~CSetCounter();
    CSetCounter(const CSetCounter&) = delete;
    CSetCounter& operator=(const CSetCounter&) = delete;

    // Asks for a count of the logs `text` names. A text that names one file
    // (as before sets existed) counts as nothing: its summary is empty.
    void Count(HWND dialog, const std::wstring& text);
    // The summary of a posted count (empty: one file); false when a newer
    // count has been asked for since.
    bool Take(WPARAM number, LPARAM text, std::wstring& summary);

    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
    CHandle m_thread;
};

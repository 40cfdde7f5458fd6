// CSetCounter: one short-lived thread per change of the box; a count that a
// newer one overtook is dropped when it arrives.
#include "ui/SetCounter.h"

#include "engine/run/LogSet.h"

#include <memory>
#include <thread>

void CSetCounter::Count(HWND dialog, const std::wstring& text)
{
    const unsigned number = ++m_newest;
    try {
        std::thread([dialog, text, number] {
            try {
                CLogSet set;
                std::wstring problem;
                std::unique_ptr<std::wstring> summary;
                if (set.Expand(text, problem) && set.IsSet())
                    summary = std::make_unique<std::wstring>(set.Summary());
                else if (!problem.empty())
                    summary = std::make_unique<std::wstring>(problem);
                else
                    summary = std::make_unique<std::wstring>();
                // A dialog that has gone meanwhile takes nothing: the text goes here.
                if (PostMessageW(dialog, WM_SET_COUNTED, number,
                                 reinterpret_cast<LPARAM>(summary.get())))
                    summary.release();
            } catch (...) {
            }
        }).detach();
    } catch (...) {
        // No thread: the status line stays as it is.
    }
}

bool CSetCounter::Take(WPARAM number, LPARAM text, std::wstring& summary)
{
    const std::unique_ptr<std::wstring> posted(reinterpret_cast<std::wstring*>(text));
    if (!posted || number != m_newest.load())
        return false;
    summary = *posted;
    return true;
}

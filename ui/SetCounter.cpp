// CSetCounter: one counting thread per dialog, woken for each change of the box.
// It counts only the newest text: a burst of typing costs one count, not one per
// key, and no thread outlives the dialog unless a count never returns.
#include "ui/SetCounter.h"

#include "engine/run/LogSet.h"

#include <mutex>

namespace {
// How long closing the dialog waits for a count in progress.
constexpr DWORD kEndLimitMs = 2000;
}  // namespace

// What the dialog and its counting thread share; the thread keeps its own
// reference, so a count that outlives the dialog finds it still there.
struct CSetCounter::Shared {
    std::mutex lock;
    std::wstring text;         // the newest text asked for, under `lock`
    HWND dialog = nullptr;     // under `lock`
    unsigned asked = 0;        // under `lock`
    bool ending = false;       // under `lock`
    std::atomic<unsigned> newest{0};
    CHandle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
};

namespace {

std::wstring Summary(const std::wstring& text)
{
    CLogSet set;
    std::wstring problem;
    if (set.Expand(text, problem) && set.IsSet())
        return set.Summary();
    return problem;
}

DWORD WINAPI CountingThread(LPVOID parameter)
{
    const std::unique_ptr<std::shared_ptr<CSetCounter::Shared>> owned(
        static_cast<std::shared_ptr<CSetCounter::Shared>*>(parameter));
    CSetCounter::Shared& shared = **owned;
    unsigned counted = 0;
    for (;;) {
        WaitForSingleObject(shared.wake.Get(), INFINITE);
        std::wstring text;
        HWND dialog = nullptr;
        unsigned number = 0;
        {
            const std::lock_guard<std::mutex> hold(shared.lock);
            if (shared.ending)
                return 0;
            text = shared.text;
            dialog = shared.dialog;
            number = shared.asked;
        }
        if (number == counted)
            continue;
        counted = number;
        try {
            auto summary = std::make_unique<std::wstring>(Summary(text));
            // Overtaken meanwhile: the next wake counts the newer text.
            if (number != shared.newest.load())
                continue;
            // A dialog that has gone meanwhile takes nothing: the text stays here.
            if (PostMessageW(dialog, WM_SET_COUNTED, number, reinterpret_cast<LPARAM>(summary.get())))
                summary.release();
        } catch (...) {
            // Out of memory: the status line stays as it is.
        }
    }
}

}  // namespace

CSetCounter::~CSetCounter()
{
    if (!m_thread.IsOpen())
        return;
    {
        const std::lock_guard<std::mutex> hold(m_shared->lock);
        m_shared->ending = true;
    }
    SetEvent(m_shared->wake.Get());
    WaitForSingleObject(m_thread.Get(), kEndLimitMs);
}

void CSetCounter::Count(HWND dialog, const std::wstring& text)
{
    try {
        if (!m_shared) {
            auto shared = std::make_shared<Shared>();
            if (!shared->wake.IsOpen())
                return;
            auto* reference = new std::shared_ptr<Shared>(shared);
            m_thread.Reset(CreateThread(nullptr, 0, &CountingThread, reference, 0, nullptr));
            if (!m_thread.IsOpen()) {
                delete reference;
                return;   // no thread: the status line stays as it is
            }
            m_shared = std::move(shared);
        }
        {
            const std::lock_guard<std::mutex> hold(m_shared->lock);
            m_shared->text = text;
            m_shared->dialog = dialog;
            m_shared->asked = ++m_shared->newest;
        }
        SetEvent(m_shared->wake.Get());
    } catch (...) {
        // Out of memory: the status line stays as it is.
    }
}

bool CSetCounter::Take(WPARAM number, LPARAM text, std::wstring& summary)
{
    const std::unique_ptr<std::wstring> posted(reinterpret_cast<std::wstring*>(text));
    if (!posted || !m_shared || number != m_shared->newest.load())
        return false;
    summary = *posted;
    return true;
}

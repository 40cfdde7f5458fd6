// The waits of the tests: polls and handle waits that fail where they wait.
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

namespace {

// Short enough to notice an event soon, long enough not to busy the machine.
constexpr DWORD kPollStep = 20;

bool TimedOut(const std::string& what, DWORD limit)
{
    ADD_FAILURE() << "timed out waiting for " << what << " (" << limit / 1000 << " s)";
    return false;
}

bool Poll(const std::string& what, const std::function<bool()>& done, DWORD limit, bool deliver)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (deliver)
            PumpMessages();
        if (done())
            return true;
        if (GetTickCount() - start > limit)
            return TimedOut(what, limit);
        if (deliver)
            MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollStep, QS_ALLINPUT);
        else
            Sleep(kPollStep);
    }
}

} // namespace

void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool WaitFor(const std::string& what, const std::function<bool()>& done, DWORD limit)
{
    return Poll(what, done, limit, false);
}

bool WaitDelivering(const std::string& what, const std::function<bool()>& done, DWORD limit)
{
    return Poll(what, done, limit, true);
}

bool WaitForHandle(const std::string& what, HANDLE handle, DWORD limit)
{
    const DWORD r = WaitForSingleObject(handle, limit);
    if (r == WAIT_FAILED)
        ADD_FAILURE() << "could not wait for " << what << " (error " << GetLastError() << ")";
    return r == WAIT_OBJECT_0 || (r != WAIT_FAILED && TimedOut(what, limit));
}

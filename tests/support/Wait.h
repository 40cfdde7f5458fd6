// Waits that end on the event they wait for and fail the test at the wait, saying what it was.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Generous: a loaded 2-core machine running several builds can take many seconds for a step.
constexpr DWORD kWaitLimit = 60000;

// Polls `done` until it holds. On time-out the test fails with "timed out waiting for <what>"
// and the result is false, for an ASSERT that ends the test there.
bool WaitFor(const std::string& what, const std::function<bool()>& done, DWORD limit = kWaitLimit);
// The same, delivering this thread's messages meanwhile: for windows that live on this thread.
bool WaitDelivering(const std::string& what, const std::function<bool()>& done, DWORD limit = kWaitLimit);
// Waits for a handle (event, thread, process) to be signalled.
bool WaitForHandle(const std::string& what, HANDLE handle, DWORD limit = kWaitLimit);
// Delivers what is queued for this thread's windows (paints, posted messages), without waiting.
void PumpMessages();

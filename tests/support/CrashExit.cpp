// Linked into every test program: a crash ends the program at once, with its code
// and address on stderr. Without this, wine wakes its debugger, which on a loaded
// machine can take minutes to print a trace and holds the test's output open
// meanwhile, so CTest sees a hang instead of a crash.
#include <windows.h>

#include <cstdio>

namespace {

LONG WINAPI ReportAndEnd(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD& record = *info->ExceptionRecord;
    std::fprintf(stderr, "crash: exception %08lx at %p in thread %lu\n",
                 static_cast<unsigned long>(record.ExceptionCode), record.ExceptionAddress,
                 static_cast<unsigned long>(GetCurrentThreadId()));
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), record.ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

const bool kInstalled = (SetUnhandledExceptionFilter(&ReportAndEnd), true);

}  // namespace

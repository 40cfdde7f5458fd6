// The two process-wide locks, created once and kept until exit.
#include "win32/ProcessLocks.h"

CThreadMutex& RunLock()
{
    static CThreadMutex lock;
    return lock;
}

CThreadMutex& TextLock()
{
    static CThreadMutex lock;
    return lock;
}

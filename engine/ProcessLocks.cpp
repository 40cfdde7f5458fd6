// The two process-wide locks, created once and kept until exit.
#include "engine/ProcessLocks.h"

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

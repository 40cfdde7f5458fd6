// The two process-wide locks: the grep run lock and the ToString text lock.
#pragma once

#include "win32/ThreadMutex.h"

// Both are created on first use; the entry point touches both before any
// window exists, so a failure to create them ends the program early.
CThreadMutex& RunLock();
CThreadMutex& TextLock();

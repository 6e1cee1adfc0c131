// Every engine worker thread starts here, so a test can make the start fail
// and see that the operation still ends with its completion callback.
#pragma once

#include <windows.h>

namespace worker {

using Creator = HANDLE (*)(LPTHREAD_START_ROUTINE proc, void* arg);

// The new thread's handle (the caller owns it), null when none started.
HANDLE Start(LPTHREAD_START_ROUTINE proc, void* arg);

// Installs a creator (null restores CreateThread); returns the old one.
Creator SetCreator(Creator creator);

}  // namespace worker

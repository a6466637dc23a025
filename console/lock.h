// The lock around the screen model and every drawing into the console's
// device context. The main thread and the renderer's drawing thread take
// it; it is recursive, as a critical section is.
#pragma once

void lockScreen();
void unlockScreen();
// After a fault inside a console service: the lock the faulting service held
// is released, so that the drawing thread can go on.
void releaseScreenLockAfterFault();

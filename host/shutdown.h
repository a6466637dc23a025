// Shutdown: the steps ExitProgram runs before the process ends.
#pragma once

// Runs the shutdown steps without ending the process.
void kernelShutdown();
// A fault unwound the shutdown hook: the next ExitProgram calls it again.
void shutdownHookAbandoned();

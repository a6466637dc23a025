// Shutdown: the steps ExitProgram runs before the process ends.
#pragma once

// Runs the shutdown steps without ending the process.
void kernelShutdown();

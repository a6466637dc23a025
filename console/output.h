// Text output (output.cpp): the output services, the colours, the highlight
// and the bell; what the rest of the kernel calls besides the services.
#pragma once

// Beep(bellFrequency, bellDuration); returns when the tone has ended.
void bell();

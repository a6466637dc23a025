// Text output (output.cpp): the output services, the colours, the highlight
// and the bell; what the rest of the kernel calls besides the services.
#pragma once

// Beep(bellFrequency, bellDuration); returns when the tone has ended.
void bell();
// A new window starts in the system's colours, whatever an earlier window
// of the program used. Called before the window is shown: it draws nothing,
// since nothing of a hidden window is on the screen.
void systemColorsForNewWindow();

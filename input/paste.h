// Pasting: the clipboard's text typed into the program as character
// events, fed into the event queue as it drains; what the user types or
// clicks during a paste waits behind it.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "paste_text.h"

// The feed of pasted characters and of input that came during the paste.
extern PasteFeed pasteFeed;

// Tops the event queue up from the feed; WaitEvent and PeekEvent call it.
void feedPaste();
// While a paste is being fed (pasteFeed.pending()), the user's input goes
// behind it: a character or command, a key, a mouse code with its
// position. False (nothing stored) when it is not fed now.
bool deferCharacter(int32_t code);
bool deferEvent(int32_t code);
bool deferMouse(int32_t code, int32_t position);

// The fault guard's state that lives for the process.
#pragma once
#include <windows.h>

// The copy of the CONTEXT record of the last fault (716 bytes); its address
// is what faultContext holds after a fault.
extern CONTEXT savedFaultContext;

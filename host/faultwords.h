// The fault guard's arithmetic, free of Windows headers: which memory a
// filter may read, and where a new stack guard page goes.
#pragma once
#include <stdint.h>

// The values of the Windows constants these functions take.
enum : uint32_t {
    REGION_COMMITTED = 0x1000,   // MEM_COMMIT
    PROTECT_NOACCESS = 0x01,     // PAGE_NOACCESS
    PROTECT_READONLY = 0x02,     // PAGE_READONLY
    PROTECT_READWRITE = 0x04,    // PAGE_READWRITE
    PROTECT_WRITECOPY = 0x08,    // PAGE_WRITECOPY
    PROTECT_EXECUTE = 0x10,      // PAGE_EXECUTE (no read)
    PROTECT_EXECUTE_READ = 0x20, // PAGE_EXECUTE_READ
    PROTECT_EXECUTE_READWRITE = 0x40,
    PROTECT_EXECUTE_WRITECOPY = 0x80,
    PROTECT_GUARD = 0x100,       // PAGE_GUARD
};

// True when a region in this state with this protection can be read without
// a fault: committed, readable, no guard page.
bool regionAllowsRead(uint32_t state, uint32_t protect);

// The addresses of the first and the last byte of the 32-bit word at address;
// false when the word would run past the end of the address space.
bool wordBytes(uint32_t address, uint32_t *first, uint32_t *last);

// Where a new guard page goes after a stack overflow used up the old one: the
// page two pages below the page holding `frame`. 0 when that page would lie
// less than two pages above the stack's allocation base (no room left).
uint32_t newStackGuardPage(uint32_t frame, uint32_t allocationBase, uint32_t pageSize);

// The NameString copy shared by every service that takes a name: at most
// `limit` bytes (the length taken as unsigned), then a NUL. Pure logic.
#pragma once
#include <stdint.h>

enum : uint32_t {
    NAME_BUFFER_SIZE = 256,
    NAME_LIMIT = 255,           // most services
    PROC_NAME_LIMIT = 254,      // GetProcByName leaves room for an appended "A"
};

// Copies into dest (NAME_BUFFER_SIZE bytes) and returns dest.
char *copyNameString(char *dest, const char *source, uint32_t length, uint32_t limit = NAME_LIMIT);

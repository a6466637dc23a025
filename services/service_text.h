// Pure pieces of the file, dialog and memory services: the shaping of
// results and the in-place text rewrites. No Windows header here.
#pragma once
#include <stdint.h>

// ReadFileLine's result from what fgets gave back. line is fgets's result
// (null when it read no line), atEnd the stream's end-of-file indicator at
// that moment. A line's final '\n' stays in the buffer but is not counted.
int32_t lineReadResult(const char *line, bool atEnd);

// The open mode of OpenTextFile, built in a 4-byte buffer: "rt", or "rt+"
// for update. Returns mode.
char *textOpenMode(char mode[4], bool update);

// Overwrites every '|' before the first NUL with a NUL, in place, which turns
// "Text|*.txt|All|*.*|" into the dialogs' list of strings ending in an empty
// one. A text already converted is left as it is. The trail byte of a
// double-byte character (isLeadByte tells the lead bytes of the ANSI code
// page) is never taken for a '|': in code page 936 a trail byte may be 0x7C.
void convertFilterText(char *filter, bool (*isLeadByte)(unsigned char));

// Finishes a CountedString after a file dialog: byte 0 becomes the length of
// the text at byte 1 when a name was chosen, else 0. Returns result.
unsigned char *finishCountedString(unsigned char *result, bool chosen);

// The heap request of AllocMemory: size plus a 32-byte margin. False when the
// sum does not fit in 32 bits, so that no block smaller than asked for is
// ever handed out.
enum : uint32_t { MEMORY_MARGIN = 32 };
bool marginedSize(uint32_t size, uint32_t *request);

// Appends "A" to a NUL-terminated procedure name of at most 254 bytes held
// in a 256-byte buffer, for the second lookup of GetProcByName.
void appendAnsiSuffix(char *name);

/* Raw file access for the file-service tests, through kernel32 directly, so
 * that what the services wrote or read is checked independently of the C
 * run-time's streams and of its text translation. */
#ifndef FILEACCESS_H
#define FILEACCESS_H
#include "qvtest.h"

/* Replaces the file's contents with exactly these bytes; 0 on failure. */
int rawWrite(const char *name, const void *data, uint32_t size);
/* Reads at most capacity bytes; the number read, or -1 when it cannot open. */
int32_t rawRead(const char *name, void *buffer, uint32_t capacity);
/* Whether the file exists. */
int rawExists(const char *name);
void rawDelete(const char *name);
#endif

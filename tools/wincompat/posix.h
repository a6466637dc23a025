/* Included ahead of every source of the Windows build of the command-line
 * tools (quorven-join.exe): the few POSIX calls the shared sources use, in
 * terms of the Windows C run-time, so that the same code builds unchanged.
 *  - fchmod: Windows has no execute bit to set; succeeds doing nothing.
 *  - fsync: _commit flushes the file to the disk.
 *  - rename: the C run-time's rename refuses an existing target, while the
 *    tools replace their output in one step as POSIX rename does, so it is
 *    MoveFileEx with MOVEFILE_REPLACE_EXISTING. Windows 95, 98 and Me do not
 *    implement MoveFileEx (it fails with ERROR_CALL_NOT_IMPLEMENTED); there
 *    the existing output is first moved aside under a name of its own, the
 *    new file moved into place, and only then the old one deleted: a failure
 *    at any step leaves the existing output as it was.
 * Built with QV_TEST_RENAME_FALLBACK, the tool takes that way everywhere, so
 * that the tests can run it under Wine, which implements MoveFileEx. */
#pragma once
#ifdef _WIN32
#include <errno.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>

/* Declared here rather than through <windows.h>, whose macros (min, max and
 * many short names) must not reach the shared sources. */
#ifdef __cplusplus
extern "C" {
#endif
__declspec(dllimport) int __stdcall MoveFileExA(const char *from, const char *to, unsigned long flags);
__declspec(dllimport) int __stdcall MoveFileA(const char *from, const char *to);
__declspec(dllimport) int __stdcall DeleteFileA(const char *name);
__declspec(dllimport) unsigned long __stdcall GetFileAttributesA(const char *name);
__declspec(dllimport) unsigned long __stdcall GetLastError(void);
#ifdef __cplusplus
}
#endif

static inline int qvFchmod(int fd, int mode)
{
    (void)fd;
    (void)mode;
    return 0;
}
static inline int qvFsync(int fd) { return _commit(fd); }
static inline int qvRenameFailed(void)
{
    enum { FILE_NOT_FOUND = 2, PATH_NOT_FOUND = 3 };
    unsigned long error = GetLastError();
    errno = error == FILE_NOT_FOUND || error == PATH_NOT_FOUND ? ENOENT : EACCES;
    return -1;
}
/* Windows 9x: the existing `to` goes aside as `from` + "-old" (`from` is the
 * caller's temporary name, unique beside `to`), comes back if the new file
 * cannot take its place, and is deleted once it has. A folder in the way is
 * refused, as MoveFileEx refuses to replace one. */
static inline int qvRenameByMoving(const char *from, const char *to)
{
    enum { DIRECTORY = 0x10, NO_ATTRIBUTES = 0xFFFFFFFFul };
    if (MoveFileA(from, to)) return 0; /* no output yet */
    unsigned long attributes = GetFileAttributesA(to);
    if (attributes != NO_ATTRIBUTES && (attributes & DIRECTORY)) {
        errno = EISDIR;
        return -1;
    }
    size_t n = strlen(from);
    char *aside = (char *)malloc(n + 5);
    if (!aside) {
        errno = ENOMEM;
        return -1;
    }
    memcpy(aside, from, n);
    memcpy(aside + n, "-old", 5);
    if (!MoveFileA(to, aside)) {
        int result = qvRenameFailed();
        free(aside);
        return result;
    }
    if (!MoveFileA(from, to)) {
        int result = qvRenameFailed();
        MoveFileA(aside, to);
        free(aside);
        return result;
    }
    DeleteFileA(aside);
    free(aside);
    return 0;
}
static inline int qvRenameReplacing(const char *from, const char *to)
{
    enum { REPLACE_EXISTING = 1, WRITE_THROUGH = 8, CALL_NOT_IMPLEMENTED = 120 };
#ifndef QV_TEST_RENAME_FALLBACK
    if (MoveFileExA(from, to, REPLACE_EXISTING | WRITE_THROUGH)) return 0;
    if (GetLastError() != CALL_NOT_IMPLEMENTED) return qvRenameFailed();
#endif
    return qvRenameByMoving(from, to);
}
#ifdef __cplusplus
#include <cstdio>
namespace std {
using ::qvRenameReplacing;
}
#endif
#define fchmod qvFchmod
#define fsync qvFsync
#define rename qvRenameReplacing
#endif

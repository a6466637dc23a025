/* Included ahead of every source of the Windows build of the command-line
 * tools (quorven-join.exe): the few POSIX calls the shared sources use, in
 * terms of the Windows C run-time, so that the same code builds unchanged.
 *  - fchmod: Windows has no execute bit to set; succeeds doing nothing.
 *  - fsync: _commit flushes the file to the disk.
 *  - rename: the C run-time's rename refuses an existing target, while the
 *    tools replace their output in one step as POSIX rename does, so it is
 *    MoveFileEx with MOVEFILE_REPLACE_EXISTING. */
#pragma once
#ifdef _WIN32
#include <errno.h>
#include <io.h>
#include <stdio.h>
#include <sys/types.h>

/* Declared here rather than through <windows.h>, whose macros (min, max and
 * many short names) must not reach the shared sources. */
#ifdef __cplusplus
extern "C" {
#endif
__declspec(dllimport) int __stdcall MoveFileExA(const char *from, const char *to, unsigned long flags);
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
static inline int qvRenameReplacing(const char *from, const char *to)
{
    enum { REPLACE_EXISTING = 1, WRITE_THROUGH = 8, FILE_NOT_FOUND = 2, PATH_NOT_FOUND = 3 };
    if (MoveFileExA(from, to, REPLACE_EXISTING | WRITE_THROUGH)) return 0;
    unsigned long error = GetLastError();
    errno = error == FILE_NOT_FOUND || error == PATH_NOT_FOUND ? ENOENT : EACCES;
    return -1;
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

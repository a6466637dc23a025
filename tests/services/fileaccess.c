#include "fileaccess.h"

#define GENERIC_READ_ 0x80000000u
#define GENERIC_WRITE_ 0x40000000u
#define CREATE_ALWAYS_ 2
#define OPEN_EXISTING_ 3

typedef void *(__attribute__((stdcall)) *CreateFileA_t)(const char *, uint32_t, uint32_t, void *, uint32_t,
                                                         uint32_t, void *);
typedef int(__attribute__((stdcall)) *WriteFile_t)(void *, const void *, uint32_t, uint32_t *, void *);
typedef int(__attribute__((stdcall)) *ReadFile_t)(void *, void *, uint32_t, uint32_t *, void *);
typedef int(__attribute__((stdcall)) *CloseHandle_t)(void *);
typedef uint32_t(__attribute__((stdcall)) *GetFileAttributesA_t)(const char *);
typedef int(__attribute__((stdcall)) *DeleteFileA_t)(const char *);

static void *open_(const char *name, uint32_t access, uint32_t disposition)
{
    return ((CreateFileA_t)qvtProc("kernel32.dll", "CreateFileA"))(name, access, 3, 0, disposition, 0x80, 0);
}

static void close_(void *h) { ((CloseHandle_t)qvtProc("kernel32.dll", "CloseHandle"))(h); }

int rawWrite(const char *name, const void *data, uint32_t size)
{
    void *h = open_(name, GENERIC_WRITE_, CREATE_ALWAYS_);
    if (h == (void *)-1) return 0;
    uint32_t done = 0;
    int ok = ((WriteFile_t)qvtProc("kernel32.dll", "WriteFile"))(h, data, size, &done, 0) && done == size;
    close_(h);
    return ok;
}

int32_t rawRead(const char *name, void *buffer, uint32_t capacity)
{
    void *h = open_(name, GENERIC_READ_, OPEN_EXISTING_);
    if (h == (void *)-1) return -1;
    uint32_t done = 0;
    ((ReadFile_t)qvtProc("kernel32.dll", "ReadFile"))(h, buffer, capacity, &done, 0);
    close_(h);
    return (int32_t)done;
}

int rawExists(const char *name)
{
    return ((GetFileAttributesA_t)qvtProc("kernel32.dll", "GetFileAttributesA"))(name) != 0xFFFFFFFFu;
}

void rawDelete(const char *name) { ((DeleteFileA_t)qvtProc("kernel32.dll", "DeleteFileA"))(name); }

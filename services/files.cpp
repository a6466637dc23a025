// File services: thin layers over the C run-time's buffered streams. The
// stream pointer is the hosted program's file handle; the kernel keeps no
// list of open files. Streams left open are flushed by the C run-time's exit,
// through which ExitProgram ends the process.
#include "../platform/services.h"
#include "../platform/namestring.h"
#include "service_text.h"
#include "../platform/codepage.h"

// Opens a file named in the program's text. A program with a text code page
// of its own has the name converted and opened by its UTF-16 form, so that
// it lands on disk as the characters it names on any system whose file
// calls take UTF-16 (not Windows 9x).
static FILE *openNamed(const char *name, uint32_t nameLength, const char *mode)
{
    char path[NAME_BUFFER_SIZE];
    copyNameString(path, name, nameLength);
    if (!programTextsWide()) return fopen(path, mode);
    WCHAR widePath[NAME_BUFFER_SIZE], wideMode[4];
    toWide(programCodePage(), path, -1, widePath, NAME_BUFFER_SIZE);
    toWide(CP_ACP, mode, -1, wideMode, 4);
    return _wfopen(widePath, wideMode);
}

extern "C" {
FILE *__stdcall OpenTextFile(const char *name, uint32_t nameLength, int32_t update)
{
    char mode[4];
    textOpenMode(mode, update != 0);
    return openNamed(name, nameLength, mode);
}

FILE *__stdcall CreateTextFile(const char *name, uint32_t nameLength)
{
    // No 't' or 'b': the run-time's default translation, which is text.
    return openNamed(name, nameLength, "w+");
}

// A handle of 0 is what a failed open gave back; the stream services answer
// it with their failure result instead of handing it to the run-time.

int32_t __stdcall CloseFile(FILE *file)
{
    return file ? fclose(file) : -1;
}

int32_t __stdcall TellFile(FILE *file)
{
    return file ? ftell(file) : -1;
}

// The origin comes before the offset here, unlike fseek.
int32_t __stdcall SeekFile(FILE *file, int32_t origin, int32_t offset)
{
    return file ? fseek(file, offset, origin) : -1;
}

// A negative count reads nothing: taken as a size it would be gigabytes,
// which the run-time would try to fill the caller's buffer with.
int32_t __stdcall ReadFileBytes(FILE *file, int32_t count, void *buffer)
{
    if (!file || count <= 0) return 0;
    return static_cast<int32_t>(fread(buffer, 1, static_cast<uint32_t>(count), file));
}

// The stream comes last here, unlike ReadFileBytes.
int32_t __stdcall ReadFileLine(char *buffer, int32_t size, FILE *file)
{
    if (!file) return -2;
    if (size == 1) {
        // Room for the NUL only: an empty piece of the line. Said here because
        // not every run-time's fgets stores the NUL for this size.
        buffer[0] = 0;
        return 0;
    }
    char *line = fgets(buffer, size, file);
    return lineReadResult(line, !line && feof(file));
}

// A negative count gives 0 before the file is opened: the open would empty
// an existing file and the write of "gigabytes" then fail, losing the file's
// contents for nothing.
int32_t __stdcall WriteWholeFile(const void *data, int32_t size, const char *name, uint32_t nameLength)
{
    if (size < 0) return 0;
    FILE *file = openNamed(name, nameLength, "wb");
    if (!file) return 0;
    size_t written = fwrite(data, 1, static_cast<uint32_t>(size), file);
    fclose(file); // whatever the write did
    return static_cast<int32_t>(written);
}
}

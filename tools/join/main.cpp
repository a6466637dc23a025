// quorven-join: joins a kernel and a compiled program into one executable.
//   quorven-join KERNEL.exe PROGRAM.bin OUT.exe [--reserve N] [--code-page N]
#include "../pe/file_io.h"
#include "../../common/codepage_rules.h"
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Largest inputs worth reading: a kernel image is 0x48000 bytes, so its file
// is far below 16 MB; the program and its reserve must fit below 2 GB after
// the kernel's image at 0x400000.
constexpr size_t MAX_KERNEL_FILE = 16u << 20;
constexpr size_t MAX_PROGRAM_FILE = 0x80000000u - 0x400000u - pe::KERNEL_IMAGE_SIZE;

// One line on standard error, whatever the message holds (a path may).
static int fail(std::string message)
{
    for (char &c : message)
        if (c == '\n' || c == '\r') c = ' ';
    std::fprintf(stderr, "quorven-join: %s\n", message.c_str());
    return 1;
}

static const char USAGE[] = "usage: quorven-join KERNEL.exe PROGRAM.bin OUT.exe [--reserve N] [--code-page N]";

int main(int argc, char **argv)
{
    const char *paths[3] = {};
    int pathCount = 0;
    uint32_t reserve = 0;
    uint32_t codePage = 0;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--reserve") == 0) {
            if (i + 1 >= argc) return fail("--reserve needs a byte count");
            char *end = nullptr;
            errno = 0;
            unsigned long long n = std::strtoull(argv[++i], &end, 0);
            if (!*argv[i] || *end || errno || argv[i][0] == '-' || n > 0x7FF00000ull)
                return fail(std::string("bad --reserve value: ") + argv[i]);
            reserve = uint32_t(n);
        } else if (std::strcmp(argv[i], "--code-page") == 0) {
            if (i + 1 >= argc) return fail("--code-page needs a code page number");
            if (!parseCodePageOption(argv[++i], &codePage))
                return fail(std::string("bad --code-page value: ") + argv[i] +
                            " (an ANSI code page: 874, 932, 936, 949, 950, 1250 to 1258)");
        } else if (pathCount < 3) {
            paths[pathCount++] = argv[i];
        } else {
            return fail(USAGE);
        }
    }
    if (pathCount != 3) return fail(USAGE);

    pe::Bytes kernel, program, out;
    std::string error;
    if (!pe::readFile(paths[0], kernel, error, MAX_KERNEL_FILE)) return fail("kernel: " + error);
    if (!pe::readFile(paths[1], program, error, MAX_PROGRAM_FILE)) return fail("program: " + error);
    if (!pe::join(kernel, program, reserve, out, error)) return fail(error);
    if (codePage && !pe::setCodePage(out, codePage, error)) return fail(error);
    if (!pe::writeFileAtomic(paths[2], out, error)) return fail(error);
    return 0;
}

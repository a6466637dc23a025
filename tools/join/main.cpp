// quorven-join: joins a kernel and a compiled program into one executable.
//   quorven-join KERNEL.exe PROGRAM.bin OUT.exe [--reserve N]
#include "../pe/file_io.h"
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static int fail(const std::string &message)
{
    std::fprintf(stderr, "quorven-join: %s\n", message.c_str());
    return 1;
}

int main(int argc, char **argv)
{
    const char *paths[3] = {};
    int pathCount = 0;
    uint32_t reserve = 0;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--reserve") == 0) {
            if (i + 1 >= argc) return fail("--reserve needs a byte count");
            char *end = nullptr;
            errno = 0;
            unsigned long long n = std::strtoull(argv[++i], &end, 0);
            if (!*argv[i] || *end || errno || argv[i][0] == '-' || n > 0x7FF00000ull)
                return fail(std::string("bad --reserve value: ") + argv[i]);
            reserve = uint32_t(n);
        } else if (pathCount < 3) {
            paths[pathCount++] = argv[i];
        } else {
            return fail("usage: quorven-join KERNEL.exe PROGRAM.bin OUT.exe [--reserve N]");
        }
    }
    if (pathCount != 3) return fail("usage: quorven-join KERNEL.exe PROGRAM.bin OUT.exe [--reserve N]");

    pe::Bytes kernel, program, out;
    std::string error;
    if (!pe::readFile(paths[0], kernel, error) || !pe::readFile(paths[1], program, error)) return fail(error);
    if (!pe::join(kernel, program, reserve, out, error)) return fail(error);
    if (!pe::writeFileAtomic(paths[2], out, error)) return fail(error);
    return 0;
}

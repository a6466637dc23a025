// quorven-padkernel: pads the linked kernel with an uninitialised section so
// that its image is exactly 0x48000 bytes; fails when the kernel is larger.
//   quorven-padkernel LINKED.exe OUT.exe
#include "../pe/file_io.h"
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "quorven-padkernel: usage: quorven-padkernel LINKED.exe OUT.exe\n");
        return 2;
    }
    pe::Bytes image;
    std::string error;
    pe::Image parsed;
    if (!pe::readFile(argv[1], image, error) || !pe::padToSize(image, pe::KERNEL_IMAGE_SIZE, ".qvpad", error) ||
        !pe::parse(image, parsed, error) || !pe::sectionsContiguous(parsed, error) ||
        !pe::writeFileAtomic(argv[2], image, error)) {
        std::fprintf(stderr, "quorven-padkernel: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

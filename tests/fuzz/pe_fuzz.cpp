// libFuzzer target for the PE reader and editor behind quorven-join and
// quorven-padkernel. One input holds a reserve, a program image and a kernel:
//   bytes 0..3   reserve (little-endian)
//   bytes 4..7   program length L (cut to what follows)
//   next L bytes the program image
//   the rest     the kernel
// Besides crashes and sanitizer reports, it stops on any broken promise of
// the editors: a refusal without a one-line reason, an accepted image that
// does not parse again, an output larger than its inputs allow, a padded or
// joined image that is not laid out as the loader needs.
#include "tools/pe/pe_image.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

uint32_t le32(const uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

void require(bool condition, const char *what, const std::string &detail = std::string())
{
    if (condition) return;
    std::fprintf(stderr, "broken promise: %s %s\n", what, detail.c_str());
    std::abort();
}

void checkRefusal(const std::string &error)
{
    require(!error.empty(), "refusal without a reason");
    require(error.find('\n') == std::string::npos, "reason longer than one line", error);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 8) return 0;
    uint32_t reserve = le32(data) % 0x7FF00001u; // the joiner's command line allows no more
    size_t length = le32(data + 4);
    if (length > size - 8) length = size - 8;
    const pe::Bytes program(data + 8, data + 8 + length);
    const pe::Bytes kernel(data + 8 + length, data + size);
    std::string error;

    pe::Image image;
    bool parsed = pe::parse(kernel, image, error);
    if (!parsed) {
        checkRefusal(error);
    } else {
        require(image.sections.size() == image.sectionCount, "section count");
        for (const pe::Section &s : image.sections)
            require(!s.rawSize || uint64_t(s.rawPointer) + s.rawSize <= kernel.size(), "section data outside the file");
        if (!pe::sectionsContiguous(image, error)) checkRefusal(error);
    }

    pe::Bytes padded = kernel;
    error.clear();
    if (pe::padToSize(padded, pe::KERNEL_IMAGE_SIZE, ".qvpad", error)) {
        require(parsed, "padded an image that does not parse");
        require(padded.size() == kernel.size(), "padding changed the file's size");
        pe::Image after;
        require(pe::parse(padded, after, error), "padded image does not parse", error);
        require(after.sizeOfImage == pe::KERNEL_IMAGE_SIZE, "padded image size");
        require(pe::sectionsContiguous(after, error), "padded image not contiguous", error);
    } else {
        checkRefusal(error);
    }

    pe::Bytes out;
    error.clear();
    if (pe::join(kernel, program, reserve, out, error)) {
        require(parsed, "joined a kernel that does not parse");
        uint64_t slack = 2ull * image.fileAlignment;
        require(out.size() <= kernel.size() + program.size() + slack, "output larger than its inputs");
        pe::Image joined;
        require(pe::parse(out, joined, error), "joined image does not parse", error);
        const pe::Section &s = joined.sections.back();
        require(s.virtualAddress == pe::KERNEL_IMAGE_SIZE, "program section not at the header offset");
        require(s.rawSize >= program.size() && std::memcmp(&out[s.rawPointer], program.data(), program.size()) == 0,
                "program bytes not in place");
        require(pe::sectionsContiguous(joined, error), "joined image not contiguous", error);
        // A joined file is no kernel any more.
        pe::Bytes twice;
        std::string again;
        require(!pe::join(out, program, 0, twice, again), "joined a joined file");
        checkRefusal(again);
    } else {
        checkRefusal(error);
        require(out.empty(), "refusal left output behind");
    }
    return 0;
}

// The built kernel's image rules, and the joiner's and padder's PE editing.
#include "tools/pe/file_io.h"
#include "tools/pe/pe_image.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <set>

namespace {

pe::Bytes kernelBytes()
{
    pe::Bytes b;
    std::string error;
    EXPECT_TRUE(pe::readFile(std::string(QV_BIN_DIR) + "/quorven.exe", b, error)) << error;
    return b;
}

uint32_t get32(const pe::Bytes &b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24; }
void put32(pe::Bytes &b, size_t at, uint32_t v) { for (int i = 0; i < 4; i++) b[at + i] = uint8_t(v >> (8 * i)); }
void put16(pe::Bytes &b, size_t at, uint16_t v) { b[at] = uint8_t(v); b[at + 1] = uint8_t(v >> 8); }

// A program image of n bytes: addressMode 0, entry at 0x60, patterned bytes.
pe::Bytes program(size_t n, uint32_t mode = 0, uint32_t entry = 0x60)
{
    pe::Bytes p(n);
    for (size_t i = 0; i < n; i++) p[i] = uint8_t(i * 7 + 1);
    if (n >= 0x20) {
        put32(p, 0, mode);
        put32(p, 0x1C, entry);
    }
    return p;
}

// Where the headers of a PE file lie, read from the file.
struct Layout {
    uint32_t pe, opt, table;
    uint32_t section(int i, int field) const { return table + 40 * i + field; }
};
Layout layout(const pe::Bytes &k)
{
    uint32_t pe = get32(k, 0x3C);
    return {pe, pe + 24, pe + 24 + (k[pe + 20] | k[pe + 21] << 8)};
}
// Section header fields and optional-header fields.
enum { VSIZE = 8, VADDR = 12, RAWSIZE = 16, RAWPTR = 20 };
enum { FILE_ALIGN = 36, SECT_ALIGN = 32, IMAGE_BASE = 28, SIZE_OF_IMAGE = 56, SIZE_OF_HEADERS = 60, DIR_COUNT = 92 };
uint32_t directory(const Layout &l, int d) { return l.opt + 96 + 8 * d; }

} // namespace

TEST(KernelImage, FollowsTheLoaderRules)
{
    pe::Bytes k = kernelBytes();
    pe::Image img;
    std::string error;
    ASSERT_TRUE(pe::parse(k, img, error)) << error;
    EXPECT_EQ(img.imageBase, 0x400000u);
    // Neither NX compatibility (hosted programs run code in memory blocks)
    // nor a dynamic base: the flags Windows 9x, NT and 2000 never saw.
    EXPECT_EQ(img.dllCharacteristics, 0);
    EXPECT_EQ(img.characteristics & 1, 1) << "relocations stripped: the image is never moved";
    EXPECT_EQ(img.sizeOfImage, 0x48000u);
    EXPECT_EQ(img.subsystem, 2) << "Windows GUI";
    EXPECT_EQ(img.majorSubsystemVersion, 4);
    EXPECT_EQ(img.minorSubsystemVersion, 0);
    EXPECT_TRUE(pe::sectionsContiguous(img, error)) << error;
    // The padding is uninitialised: no bytes in the file.
    EXPECT_EQ(img.sections.back().rawSize, 0u);
}

TEST(KernelImage, ImportsOnlySystemLibrariesOfWindows95AndNT4)
{
    pe::Bytes k = kernelBytes();
    pe::Image img;
    std::string error;
    ASSERT_TRUE(pe::parse(k, img, error)) << error;
    // Not comdlg32.dll or winspool.drv: the dialogs and the printer services
    // look them up on first use, so that a program's start does not load
    // them (and shell32, comctl32 and the rest that they load).
    const std::set<std::string> allowed = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll"};
    ASSERT_FALSE(img.importedDlls.empty());
    for (std::string dll : img.importedDlls) {
        std::transform(dll.begin(), dll.end(), dll.begin(), ::tolower);
        EXPECT_TRUE(allowed.count(dll)) << dll;
    }
}

// The ServiceTable is complete in the file and read-only: exactly one run of
// 74 words in the image points into code, slot 21 equal to slot 22 and every
// other slot a different routine, and it lies in a section the loader maps
// without write access. A slot left to a start-up constructor would be 0 in
// the file and the table would sit in writable data.
TEST(KernelImage, ServiceTableIsCompleteInReadOnlyData)
{
    pe::Bytes k = kernelBytes();
    pe::Image img;
    std::string error;
    ASSERT_TRUE(pe::parse(k, img, error)) << error;
    auto inCode = [&](uint32_t address) {
        for (const pe::Section &s : img.sections)
            if ((s.characteristics & 0x20000000u) && address >= img.imageBase + s.virtualAddress &&
                address < img.imageBase + s.virtualAddress + s.virtualSize)
                return true;
        return false;
    };
    int found = 0;
    for (const pe::Section &s : img.sections) {
        uint32_t size = std::min(s.rawSize, s.virtualSize);
        for (uint32_t at = 0; at + 74 * 4 <= size; at += 4) {
            std::set<uint32_t> entries;
            bool code = true;
            for (int slot = 0; slot < 74 && code; slot++) {
                uint32_t entry = get32(k, s.rawPointer + at + 4 * slot);
                code = inCode(entry);
                entries.insert(entry);
            }
            if (!code || entries.size() != 73 ||
                get32(k, s.rawPointer + at + 4 * 21) != get32(k, s.rawPointer + at + 4 * 22))
                continue;
            found++;
            EXPECT_EQ(s.characteristics & 0x80000000u, 0u) << "the table is in writable section " << s.name;
        }
    }
    EXPECT_EQ(found, 1) << "runs of 74 service entries in the file";
}

TEST(Join, AppendsTheProgramAtTheHeaderOffset)
{
    pe::Bytes k = kernelBytes(), out, p = program(0x1234);
    std::string error;
    ASSERT_TRUE(pe::join(k, p, 0x10000, out, error)) << error;
    pe::Image img;
    ASSERT_TRUE(pe::parse(out, img, error)) << error;
    const pe::Section &s = img.sections.back();
    EXPECT_EQ(s.virtualAddress, 0x48000u);
    EXPECT_EQ(s.virtualSize, 0x1234u + 0x10000u);
    EXPECT_EQ(s.characteristics & 0xE0000000u, 0xE0000000u) << "read, write, execute";
    EXPECT_EQ(s.rawPointer % img.fileAlignment, 0u);
    EXPECT_EQ(s.rawSize % img.fileAlignment, 0u);
    EXPECT_TRUE(std::equal(p.begin(), p.end(), out.begin() + s.rawPointer));
    EXPECT_EQ(img.sizeOfImage, 0x48000u + 0x12000u);
    EXPECT_TRUE(pe::sectionsContiguous(img, error)) << error;
}

// Every class of malformed kernel or program is refused with one line that
// names it, before any output is made; none costs more than the input's size.
TEST(Join, RefusesMalformedKernels)
{
    const pe::Bytes k = kernelBytes();
    const Layout l = layout(k);
    const int sections = k[l.pe + 6];
    const int last = sections - 1;
    struct Case {
        const char *what;
        std::function<void(pe::Bytes &)> damage;
        const char *reason;
    };
    const std::vector<Case> cases = {
        {"no MZ header", [&](pe::Bytes &b) { b[0] = 'X'; }, "no MZ header"},
        {"PE offset past the end", [&](pe::Bytes &b) { put32(b, 0x3C, uint32_t(b.size()) - 8); }, "no PE signature"},
        {"x86-64 machine", [&](pe::Bytes &b) { put16(b, l.pe + 4, 0x8664); }, "i386"},
        {"PE32+ optional header", [&](pe::Bytes &b) { put16(b, l.opt, 0x20B); }, "optional header"},
        {"17 data directories", [&](pe::Bytes &b) { put32(b, l.opt + DIR_COUNT, 17); }, "data directories"},
        // One byte of FileAlignment changed: once a 3.8 GB output.
        {"FileAlignment not a power of two", [&](pe::Bytes &b) { b[l.opt + FILE_ALIGN + 3] = 0x10; }, "FileAlignment"},
        {"FileAlignment below 512", [&](pe::Bytes &b) { put32(b, l.opt + FILE_ALIGN, 0x100); }, "FileAlignment"},
        {"FileAlignment above 64 KB", [&](pe::Bytes &b) { put32(b, l.opt + FILE_ALIGN, 0x20000); }, "FileAlignment"},
        {"SectionAlignment below FileAlignment", [&](pe::Bytes &b) { put32(b, l.opt + SECT_ALIGN, 0x100); }, "SectionAlignment"},
        {"ImageBase off 64 KB", [&](pe::Bytes &b) { put32(b, l.opt + IMAGE_BASE, 0x401000); }, "ImageBase"},
        {"SizeOfImage not aligned", [&](pe::Bytes &b) { put32(b, l.opt + SIZE_OF_IMAGE, 0x48800); }, "SizeOfImage"},
        {"SizeOfImage not 0x48000", [&](pe::Bytes &b) { put32(b, l.opt + SIZE_OF_IMAGE, 0x50000); }, "image size"},
        // Once an uncaught std::bad_alloc.
        {"SizeOfHeaders near 4 GB", [&](pe::Bytes &b) { put32(b, l.opt + SIZE_OF_HEADERS, 0xFFFFFE00); }, "SizeOfHeaders"},
        {"SizeOfHeaders not aligned", [&](pe::Bytes &b) { put32(b, l.opt + SIZE_OF_HEADERS, 0x401); }, "SizeOfHeaders"},
        {"97 sections", [&](pe::Bytes &b) { put16(b, l.pe + 6, 97); }, "97 sections"},
        {"section table past the headers", [&](pe::Bytes &b) { put16(b, l.pe + 6, 40); }, "SizeOfHeaders"},
        {"section not aligned in memory",
         [&](pe::Bytes &b) { put32(b, l.section(1, VADDR), get32(b, l.section(1, VADDR)) + 0x10); }, "not aligned in memory"},
        {"sections overlapping in memory",
         [&](pe::Bytes &b) { put32(b, l.section(1, VADDR), get32(b, l.section(0, VADDR))); }, "overlaps"},
        {"section past SizeOfImage",
         [&](pe::Bytes &b) { put32(b, l.section(last, VSIZE), get32(b, l.section(last, VSIZE)) + 0x1000); },
         "past SizeOfImage"},
        {"section data not aligned in the file",
         [&](pe::Bytes &b) { put32(b, l.section(0, RAWPTR), get32(b, l.section(0, RAWPTR)) + 1); }, "not aligned in the file"},
        {"section data over the headers", [&](pe::Bytes &b) { put32(b, l.section(0, RAWPTR), 0); }, "overlaps the headers"},
        {"section data past the end of the file", [&](pe::Bytes &b) { put32(b, l.section(0, RAWSIZE), 0x7FFFFE00); },
         "past the end of the file"},
        {"truncated file", [&](pe::Bytes &b) { b.resize(0x1000); }, "past the end of the file"},
        {"sections sharing file data",
         [&](pe::Bytes &b) { put32(b, l.section(1, RAWPTR), get32(b, l.section(0, RAWPTR))); }, "share file data"},
        {"resource directory past the image", [&](pe::Bytes &b) { put32(b, directory(l, 2) + 4, 0x100000); },
         "data directory 2"},
        {"import table without file data", // in the padding, which has no bytes in the file
         [&](pe::Bytes &b) { put32(b, directory(l, 1), 0x48000 - get32(b, directory(l, 1) + 4)); }, "import table"},
        {"imported name without its NUL",
         [&](pe::Bytes &b) {
             // 256 bytes of text in the first section, named by the first import.
             uint32_t text = get32(b, l.section(0, RAWPTR));
             std::fill(b.begin() + text, b.begin() + text + 256, 'x');
             pe::Image img;
             std::string e;
             ASSERT_TRUE(pe::parse(k, img, e));
             uint32_t importRva = get32(b, directory(l, 1));
             for (const pe::Section &s : img.sections)
                 if (importRva >= s.virtualAddress && importRva < s.virtualAddress + s.virtualSize)
                     put32(b, s.rawPointer + importRva - s.virtualAddress + 12, get32(b, l.section(0, VADDR)));
         },
         "not terminated"},
        {"gap before the last section",
         [&](pe::Bytes &b) {
             put32(b, l.section(last, VADDR), get32(b, l.section(last, VADDR)) + 0x1000);
             put32(b, l.section(last, VSIZE), get32(b, l.section(last, VSIZE)) - 0x1000);
         },
         "does not start where"},
        {"signed image", [&](pe::Bytes &b) { put32(b, directory(l, 4), uint32_t(b.size()) - 8); put32(b, directory(l, 4) + 4, 8); },
         "signed"},
        {"no room for another section header",
         [&](pe::Bytes &b) {
             // Move the section table to the end of the headers.
             uint32_t headers = get32(b, l.opt + SIZE_OF_HEADERS), to = headers - sections * 40;
             std::memmove(&b[to], &b[l.table], sections * 40);
             put16(b, l.pe + 20, uint16_t(to - l.opt));
         },
         "no room"},
        {"headers after the section table in use", [&](pe::Bytes &b) { b[l.table + sections * 40 + 7] = 1; }, "in use"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        pe::Bytes bad = k, out = {42};
        c.damage(bad);
        std::string error;
        EXPECT_FALSE(pe::join(bad, program(0x100), 0, out, error));
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_EQ(out, pe::Bytes{42}) << "output touched";
    }

    // A file already joined is not a kernel any more.
    pe::Bytes out, twice;
    std::string error;
    ASSERT_TRUE(pe::join(k, program(0x100), 0, out, error)) << error;
    EXPECT_FALSE(pe::join(out, program(0x100), 0, twice, error));
    EXPECT_NE(error.find("image size"), std::string::npos) << error;
}

TEST(Join, RefusesMalformedPrograms)
{
    const pe::Bytes k = kernelBytes();
    pe::Bytes out;
    std::string error;
    struct Case {
        const char *what;
        pe::Bytes program;
        uint32_t reserve;
        const char *reason; // nullptr: accepted
    };
    const std::vector<Case> cases = {
        {"one byte short of the header", program(0x5F), 0, "shorter"},
        {"just the header and an entry", program(0x61, 0, 0x60), 0, nullptr},
        {"addressMode 2", program(0x100, 2), 0, "addressMode"},
        {"addressMode -1", program(0x100, 0xFFFFFFFF), 0, "addressMode"},
        {"entry offset inside the header", program(0x100, 0, 0x1C), 0, "entry point"},
        {"entry offset at the image's end", program(0x100, 0, 0x100), 0, "entry point"},
        {"entry offset far away", program(0x100, 0, 0xFFFFFFF0), 0, "entry point"},
        {"absolute entry, not checked", program(0x100, 1, 0x12345678), 0, nullptr},
        {"reserve past the address space", program(0x100), 0x7FF00000, "address space"},
        {"largest reserve that fits", program(0x100), 0x80000000u - 0x448000u - 0x1000u, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        bool joined = pe::join(k, c.program, c.reserve, out, error);
        if (!c.reason) {
            EXPECT_TRUE(joined) << error;
            continue;
        }
        EXPECT_FALSE(joined);
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
}

// The output holds the kernel's sections and the program, nothing more: an
// overlay after the kernel's data is dropped, so the output never exceeds the
// inputs plus alignment.
TEST(Join, OutputIsBoundedByItsInputs)
{
    pe::Bytes k = kernelBytes(), out, p = program(0x1001);
    std::string error;
    ASSERT_TRUE(pe::join(k, p, 0, out, error)) << error;
    size_t plain = out.size();
    EXPECT_LE(plain, k.size() + p.size() + 2 * 0x200);
    k.resize(k.size() + (1 << 20), 0xEE);
    ASSERT_TRUE(pe::join(k, p, 0x100000, out, error)) << error;
    EXPECT_EQ(out.size(), plain);
}

// Input files are read only up to a limit, so a huge file cannot exhaust memory.
TEST(Join, ReadsInputsOnlyUpToALimit)
{
    std::string path = ::testing::TempDir() + "/pe_test_limit.bin";
    FILE *f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    pe::Bytes data(100000, 7);
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
    pe::Bytes read;
    std::string error;
    EXPECT_TRUE(pe::readFile(path, read, error, 100000)) << error;
    EXPECT_EQ(read, data);
    EXPECT_FALSE(pe::readFile(path, read, error, 99999));
    EXPECT_NE(error.find("larger than"), std::string::npos) << error;
    std::remove(path.c_str());
}

TEST(Pad, RefusesAKernelThatOutgrewItsImage)
{
    pe::Bytes k = kernelBytes();
    std::string error;
    // The built kernel already ends at 0x48000: padding to less must fail loudly.
    EXPECT_FALSE(pe::padToSize(k, 0x40000, ".qvpad", error));
    EXPECT_NE(error.find("over the limit"), std::string::npos) << error;
    // Padding to exactly its size changes nothing but is accepted.
    pe::Bytes same = k;
    EXPECT_TRUE(pe::padToSize(same, 0x48000, ".qvpad", error)) << error;
    pe::Image a, b;
    ASSERT_TRUE(pe::parse(k, a, error));
    ASSERT_TRUE(pe::parse(same, b, error));
    EXPECT_EQ(a.sections.size(), b.sections.size());
    // Padding further adds one uninitialised section and keeps the image contiguous.
    pe::Bytes bigger = k;
    ASSERT_TRUE(pe::padToSize(bigger, 0x50000, ".more", error)) << error;
    ASSERT_TRUE(pe::parse(bigger, b, error));
    EXPECT_EQ(b.sections.size(), a.sections.size() + 1);
    EXPECT_EQ(b.sizeOfImage, 0x50000u);
    EXPECT_TRUE(pe::sectionsContiguous(b, error)) << error;
    // A gap after the last section would stay in the padded image, and a
    // smaller SizeOfImage would cut off what lies beyond: both refused.
    pe::Bytes gap = k;
    put32(gap, layout(k).opt + SIZE_OF_IMAGE, 0x50000);
    EXPECT_FALSE(pe::padToSize(gap, 0x60000, ".qvpad", error));
    EXPECT_NE(error.find("does not end at SizeOfImage"), std::string::npos) << error;
    EXPECT_FALSE(pe::padToSize(gap, 0x48000, ".qvpad", error));
    // So is a gap between two sections.
    pe::Bytes inner = k;
    const Layout l = layout(k);
    put32(inner, l.section(0, VSIZE), get32(k, l.section(0, VSIZE)) - 0x1000);
    EXPECT_FALSE(pe::padToSize(inner, 0x48000, ".qvpad", error));
    EXPECT_NE(error.find("does not start where"), std::string::npos) << error;
}

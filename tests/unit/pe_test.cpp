// The built kernel's image rules, and the joiner's and padder's PE editing.
#include "tools/pe/file_io.h"
#include "tools/pe/pe_image.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <set>

namespace {

pe::Bytes kernelBytes()
{
    pe::Bytes b;
    std::string error;
    EXPECT_TRUE(pe::readFile(std::string(QV_BIN_DIR) + "/quorven.exe", b, error)) << error;
    return b;
}

pe::Bytes program(size_t n)
{
    pe::Bytes p(n);
    for (size_t i = 0; i < n; i++) p[i] = uint8_t(i * 7 + 1);
    return p;
}

uint32_t get32(const pe::Bytes &b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24; }
void put32(pe::Bytes &b, size_t at, uint32_t v) { for (int i = 0; i < 4; i++) b[at + i] = uint8_t(v >> (8 * i)); }

} // namespace

TEST(KernelImage, FollowsTheLoaderRules)
{
    pe::Bytes k = kernelBytes();
    pe::Image img;
    std::string error;
    ASSERT_TRUE(pe::parse(k, img, error)) << error;
    EXPECT_EQ(img.imageBase, 0x400000u);
    EXPECT_EQ(img.dllCharacteristics & 0x40, 0) << "DYNAMIC_BASE must be clear";
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
    const std::set<std::string> allowed = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll",
                                           "comdlg32.dll", "winspool.drv", "msvcrt.dll"};
    ASSERT_FALSE(img.importedDlls.empty());
    for (std::string dll : img.importedDlls) {
        std::transform(dll.begin(), dll.end(), dll.begin(), ::tolower);
        EXPECT_TRUE(allowed.count(dll)) << dll;
    }
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

TEST(Join, RefusesBadInput)
{
    pe::Bytes k = kernelBytes(), out;
    std::string error;

    EXPECT_FALSE(pe::join(k, program(0x5F), 0, out, error));
    EXPECT_NE(error.find("shorter"), std::string::npos) << error;
    EXPECT_TRUE(pe::join(k, program(0x60), 0, out, error)) << error;

    pe::Bytes notPe = program(0x1000);
    EXPECT_FALSE(pe::join(notPe, program(0x100), 0, out, error));
    EXPECT_NE(error.find("not a PE"), std::string::npos) << error;

    pe::Bytes other = k;
    uint32_t peOffset = get32(k, 0x3C);
    other[peOffset + 4] = 0x64; // x86-64 machine
    other[peOffset + 5] = 0x86;
    EXPECT_FALSE(pe::join(other, program(0x100), 0, out, error));
    EXPECT_NE(error.find("i386"), std::string::npos) << error;

    pe::Bytes small = k;
    put32(small, peOffset + 24 + 56, 0x47000);
    EXPECT_FALSE(pe::join(small, program(0x100), 0, out, error));
    EXPECT_NE(error.find("image size"), std::string::npos) << error;

    // A file already joined is not a kernel any more.
    ASSERT_TRUE(pe::join(k, program(0x100), 0, out, error));
    pe::Bytes twice;
    EXPECT_FALSE(pe::join(out, program(0x100), 0, twice, error));

    pe::Bytes truncated(k.begin(), k.begin() + 0x200);
    EXPECT_FALSE(pe::join(truncated, program(0x100), 0, out, error));
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
}

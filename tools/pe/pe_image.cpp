#include "pe_image.h"
#include <cstdio>
#include <cstring>

namespace pe {
namespace {

constexpr uint16_t MACHINE_I386 = 0x14C;
constexpr uint16_t PE32_MAGIC = 0x10B;
constexpr uint32_t SECTION_HEADER_SIZE = 40;
constexpr uint32_t SCN_CNT_CODE = 0x20, SCN_CNT_INITIALIZED = 0x40, SCN_CNT_UNINITIALIZED = 0x80;
constexpr uint32_t SCN_EXECUTE = 0x20000000, SCN_READ = 0x40000000, SCN_WRITE = 0x80000000;

// Optional-header field offsets (PE32).
constexpr uint32_t OPT_SIZE_OF_CODE = 4, OPT_SIZE_OF_INIT_DATA = 8, OPT_SIZE_OF_UNINIT_DATA = 12;
constexpr uint32_t OPT_IMAGE_BASE = 28, OPT_SECTION_ALIGNMENT = 32, OPT_FILE_ALIGNMENT = 36;
constexpr uint32_t OPT_MAJOR_SUBSYSTEM = 48, OPT_MINOR_SUBSYSTEM = 50, OPT_SIZE_OF_IMAGE = 56;
constexpr uint32_t OPT_SIZE_OF_HEADERS = 60, OPT_CHECKSUM = 64, OPT_SUBSYSTEM = 68, OPT_DLL_CHARACTERISTICS = 70;
constexpr uint32_t OPT_NUMBER_OF_RVA = 92, OPT_DATA_DIRECTORIES = 96;

uint16_t get16(const Bytes &b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
uint32_t get32(const Bytes &b, size_t at) { return uint32_t(get16(b, at)) | uint32_t(get16(b, at + 2)) << 16; }
void put16(Bytes &b, size_t at, uint16_t v) { b[at] = uint8_t(v); b[at + 1] = uint8_t(v >> 8); }
void put32(Bytes &b, size_t at, uint32_t v) { put16(b, at, uint16_t(v)); put16(b, at + 2, uint16_t(v >> 16)); }
uint32_t alignUp(uint32_t v, uint32_t a) { return a ? (v + a - 1) / a * a : v; }

// Maps an RVA to a file offset through the section table; ~0u if unmapped.
uint32_t rvaToOffset(const Image &img, uint32_t rva)
{
    for (const Section &s : img.sections) {
        uint32_t size = s.virtualSize ? s.virtualSize : s.rawSize;
        if (rva >= s.virtualAddress && rva < s.virtualAddress + size && rva - s.virtualAddress < s.rawSize)
            return s.rawPointer + (rva - s.virtualAddress);
    }
    return ~0u;
}

void readImports(const Bytes &file, Image &img)
{
    uint32_t dirCount = get32(file, img.optionalOffset + OPT_NUMBER_OF_RVA);
    if (dirCount < 2) return;
    uint32_t importRva = get32(file, img.optionalOffset + OPT_DATA_DIRECTORIES + 8);
    uint32_t at = rvaToOffset(img, importRva);
    if (!importRva || at == ~0u) return;
    for (; at + 20 <= file.size(); at += 20) {
        uint32_t nameRva = get32(file, at + 12);
        if (!nameRva) break;
        uint32_t nameAt = rvaToOffset(img, nameRva);
        if (nameAt == ~0u) break;
        std::string name;
        while (nameAt < file.size() && file[nameAt]) name += char(file[nameAt++]);
        img.importedDlls.push_back(name);
    }
}

// Writes a section header in the slot after the last one. The caller has
// checked that the slot lies inside the headers.
void appendSectionHeader(Bytes &file, Image &img, const Section &s)
{
    uint32_t at = img.sectionTableOffset + img.sectionCount * SECTION_HEADER_SIZE;
    std::memset(&file[at], 0, SECTION_HEADER_SIZE);
    std::memcpy(&file[at], s.name, std::strlen(s.name) < 8 ? std::strlen(s.name) : 8);
    put32(file, at + 8, s.virtualSize);
    put32(file, at + 12, s.virtualAddress);
    put32(file, at + 16, s.rawSize);
    put32(file, at + 20, s.rawPointer);
    put32(file, at + 36, s.characteristics);
    img.sectionCount++;
    put16(file, img.peOffset + 6, img.sectionCount);
    img.sections.push_back(s);
}

bool roomForSectionHeader(const Image &img, std::string &error)
{
    uint32_t end = img.sectionTableOffset + (img.sectionCount + 1) * SECTION_HEADER_SIZE;
    uint32_t firstRaw = img.sizeOfHeaders;
    for (const Section &s : img.sections)
        if (s.rawSize && s.rawPointer < firstRaw) firstRaw = s.rawPointer;
    if (end > firstRaw) {
        error = "no room in the headers for another section";
        return false;
    }
    return true;
}

uint32_t imageEnd(const Image &img)
{
    uint32_t end = alignUp(img.sizeOfHeaders, img.sectionAlignment);
    for (const Section &s : img.sections) {
        uint32_t e = s.virtualAddress + alignUp(s.virtualSize ? s.virtualSize : s.rawSize, img.sectionAlignment);
        if (e > end) end = e;
    }
    return end;
}

} // namespace

bool parse(const Bytes &file, Image &img, std::string &error)
{
    img = Image();
    if (file.size() < 0x40 || file[0] != 'M' || file[1] != 'Z') {
        error = "not a PE executable (no MZ header)";
        return false;
    }
    img.peOffset = get32(file, 0x3C);
    if (img.peOffset > file.size() - 24 || std::memcmp(&file[img.peOffset], "PE\0\0", 4) != 0) {
        error = "not a PE executable (no PE signature)";
        return false;
    }
    img.machine = get16(file, img.peOffset + 4);
    img.sectionCount = get16(file, img.peOffset + 6);
    uint16_t optionalSize = get16(file, img.peOffset + 20);
    img.characteristics = get16(file, img.peOffset + 22);
    img.optionalOffset = img.peOffset + 24;
    if (img.machine != MACHINE_I386) {
        error = "not an i386 executable";
        return false;
    }
    if (optionalSize < OPT_DATA_DIRECTORIES || img.optionalOffset + optionalSize > file.size() ||
        get16(file, img.optionalOffset) != PE32_MAGIC) {
        error = "not a 32-bit PE image (bad optional header)";
        return false;
    }
    img.imageBase = get32(file, img.optionalOffset + OPT_IMAGE_BASE);
    img.sectionAlignment = get32(file, img.optionalOffset + OPT_SECTION_ALIGNMENT);
    img.fileAlignment = get32(file, img.optionalOffset + OPT_FILE_ALIGNMENT);
    img.majorSubsystemVersion = get16(file, img.optionalOffset + OPT_MAJOR_SUBSYSTEM);
    img.minorSubsystemVersion = get16(file, img.optionalOffset + OPT_MINOR_SUBSYSTEM);
    img.sizeOfImage = get32(file, img.optionalOffset + OPT_SIZE_OF_IMAGE);
    img.sizeOfHeaders = get32(file, img.optionalOffset + OPT_SIZE_OF_HEADERS);
    img.subsystem = get16(file, img.optionalOffset + OPT_SUBSYSTEM);
    img.dllCharacteristics = get16(file, img.optionalOffset + OPT_DLL_CHARACTERISTICS);
    img.sectionTableOffset = img.optionalOffset + optionalSize;
    if (!img.sectionAlignment || !img.fileAlignment ||
        img.sectionTableOffset + uint64_t(img.sectionCount) * SECTION_HEADER_SIZE > file.size()) {
        error = "damaged PE image (section table)";
        return false;
    }
    for (uint32_t i = 0; i < img.sectionCount; i++) {
        uint32_t at = img.sectionTableOffset + i * SECTION_HEADER_SIZE;
        Section s{};
        std::memcpy(s.name, &file[at], 8);
        s.virtualSize = get32(file, at + 8);
        s.virtualAddress = get32(file, at + 12);
        s.rawSize = get32(file, at + 16);
        s.rawPointer = get32(file, at + 20);
        s.characteristics = get32(file, at + 36);
        if (s.rawSize && uint64_t(s.rawPointer) + s.rawSize > file.size()) {
            error = "damaged PE image (section data past the end of the file)";
            return false;
        }
        img.sections.push_back(s);
    }
    readImports(file, img);
    return true;
}

bool sectionsContiguous(const Image &img, std::string &error)
{
    uint32_t expected = alignUp(img.sizeOfHeaders, img.sectionAlignment);
    for (const Section &s : img.sections) {
        if (s.virtualAddress != expected) {
            error = std::string("section ") + s.name + " does not start where the previous one ends";
            return false;
        }
        expected += alignUp(s.virtualSize ? s.virtualSize : s.rawSize, img.sectionAlignment);
    }
    if (expected != img.sizeOfImage) {
        error = "the last section does not end at SizeOfImage";
        return false;
    }
    return true;
}

bool padToSize(Bytes &file, uint32_t targetSize, const char *sectionName, std::string &error)
{
    Image img;
    if (!parse(file, img, error)) return false;
    uint32_t end = imageEnd(img);
    if (end > targetSize) {
        char text[160];
        std::snprintf(text, sizeof text, "the kernel's image is 0x%X bytes, over the limit of 0x%X", end, targetSize);
        error = text;
        return false;
    }
    if (end < targetSize) {
        if (!roomForSectionHeader(img, error)) return false;
        Section pad{};
        std::strncpy(pad.name, sectionName, 8);
        pad.virtualAddress = end;
        pad.virtualSize = targetSize - end;
        pad.characteristics = SCN_CNT_UNINITIALIZED | SCN_READ | SCN_WRITE;
        appendSectionHeader(file, img, pad);
        put32(file, img.optionalOffset + OPT_SIZE_OF_UNINIT_DATA,
              get32(file, img.optionalOffset + OPT_SIZE_OF_UNINIT_DATA) + pad.virtualSize);
    }
    put32(file, img.optionalOffset + OPT_SIZE_OF_IMAGE, targetSize);
    put32(file, img.optionalOffset + OPT_CHECKSUM, 0);
    return true;
}

bool join(const Bytes &kernel, const Bytes &program, uint32_t reserve, Bytes &out, std::string &error)
{
    Image img;
    if (!parse(kernel, img, error)) {
        error = "kernel: " + error;
        return false;
    }
    if (img.sizeOfImage != KERNEL_IMAGE_SIZE) {
        char text[120];
        std::snprintf(text, sizeof text, "kernel: image size is 0x%X, not 0x%X", img.sizeOfImage, KERNEL_IMAGE_SIZE);
        error = text;
        return false;
    }
    if (imageEnd(img) != KERNEL_IMAGE_SIZE) {
        error = "kernel: its sections do not end at 0x48000";
        return false;
    }
    if (program.size() < PROGRAM_HEADER_SIZE) {
        error = "program: image is shorter than its 0x60-byte header";
        return false;
    }
    uint64_t virtualSize = uint64_t(program.size()) + reserve;
    if (virtualSize > 0x7FFFFFFFull - KERNEL_IMAGE_SIZE) {
        error = "program: image and reserve are too large";
        return false;
    }
    if (!roomForSectionHeader(img, error)) {
        error = "kernel: " + error;
        return false;
    }

    out = kernel;
    // Raw data goes at the end of the file, aligned; anything after the last
    // section's data (an overlay) is dropped, since the program must follow.
    uint32_t fileEnd = alignUp(img.sizeOfHeaders, img.fileAlignment);
    for (const Section &s : img.sections)
        if (s.rawSize && s.rawPointer + s.rawSize > fileEnd) fileEnd = s.rawPointer + s.rawSize;
    fileEnd = alignUp(fileEnd, img.fileAlignment);
    uint32_t rawSize = alignUp(uint32_t(program.size()), img.fileAlignment);
    out.resize(fileEnd, 0);
    out.insert(out.end(), program.begin(), program.end());
    out.resize(size_t(fileEnd) + rawSize, 0);

    Section s{};
    std::strcpy(s.name, ".qvprog");
    s.virtualAddress = KERNEL_IMAGE_SIZE;
    s.virtualSize = uint32_t(virtualSize);
    s.rawPointer = fileEnd;
    s.rawSize = rawSize;
    s.characteristics = SCN_CNT_CODE | SCN_CNT_INITIALIZED | SCN_EXECUTE | SCN_READ | SCN_WRITE;
    appendSectionHeader(out, img, s);

    uint32_t opt = img.optionalOffset;
    put32(out, opt + OPT_SIZE_OF_CODE, get32(out, opt + OPT_SIZE_OF_CODE) + rawSize);
    put32(out, opt + OPT_SIZE_OF_INIT_DATA, get32(out, opt + OPT_SIZE_OF_INIT_DATA) + rawSize);
    put32(out, opt + OPT_SIZE_OF_IMAGE, alignUp(KERNEL_IMAGE_SIZE + uint32_t(virtualSize), img.sectionAlignment));
    put32(out, opt + OPT_CHECKSUM, 0);
    return true;
}

} // namespace pe

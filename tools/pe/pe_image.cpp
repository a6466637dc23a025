#include "pe_image.h"
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace pe {
namespace {

constexpr uint16_t MACHINE_I386 = 0x14C;
constexpr uint16_t PE32_MAGIC = 0x10B;
constexpr uint32_t SECTION_HEADER_SIZE = 40;
constexpr uint32_t SCN_CNT_CODE = 0x20, SCN_CNT_INITIALIZED = 0x40, SCN_CNT_UNINITIALIZED = 0x80;
constexpr uint32_t SCN_EXECUTE = 0x20000000, SCN_READ = 0x40000000, SCN_WRITE = 0x80000000;

// Limits of the Windows loader: at most 96 sections, a file alignment from
// 512 bytes to 64 KB, image bases on 64 KB boundaries, a 32-bit process in
// the low 2 GB, at most 16 data directories.
constexpr uint32_t MAX_SECTIONS = 96;
constexpr uint32_t MIN_FILE_ALIGNMENT = 0x200, MAX_FILE_ALIGNMENT = 0x10000;
constexpr uint32_t X86_PAGE_SIZE = 0x1000;
constexpr uint64_t USER_SPACE_END = 0x80000000ull;
constexpr uint32_t MAX_DIRECTORIES = 16;
constexpr uint32_t DIR_IMPORT = 1, DIR_SECURITY = 4;
// Bounds that keep the reader's own work small on a damaged table.
constexpr uint32_t MAX_IMPORTED_DLLS = 1024, MAX_DLL_NAME = 256;

// Optional-header field offsets (PE32).
constexpr uint32_t OPT_SIZE_OF_CODE = 4, OPT_SIZE_OF_INIT_DATA = 8, OPT_SIZE_OF_UNINIT_DATA = 12;
constexpr uint32_t OPT_IMAGE_BASE = 28, OPT_SECTION_ALIGNMENT = 32, OPT_FILE_ALIGNMENT = 36;
constexpr uint32_t OPT_MAJOR_SUBSYSTEM = 48, OPT_MINOR_SUBSYSTEM = 50, OPT_SIZE_OF_IMAGE = 56;
constexpr uint32_t OPT_SIZE_OF_HEADERS = 60, OPT_CHECKSUM = 64, OPT_SUBSYSTEM = 68, OPT_DLL_CHARACTERISTICS = 70;
constexpr uint32_t OPT_NUMBER_OF_RVA = 92, OPT_DATA_DIRECTORIES = 96;

// What tells an object file: ELF's e_type, a COFF header's section count
// and optional-header size (a flat image starts with addressMode 0 or 1,
// never with a machine number).
constexpr uint32_t ELF_TYPE = 16, COFF_SECTION_COUNT = 2, COFF_OPTIONAL_SIZE = 16;
constexpr uint16_t ELF_RELOCATABLE = 1, MACHINE_AMD64 = 0x8664;

// Program header fields the joiner checks.
constexpr uint32_t HEADER_ADDRESS_MODE = 0x00, HEADER_ENTRY_POINT = 0x1C;

uint16_t get16(const Bytes &b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
uint32_t get32(const Bytes &b, size_t at) { return uint32_t(get16(b, at)) | uint32_t(get16(b, at + 2)) << 16; }
void put16(Bytes &b, size_t at, uint16_t v) { b[at] = uint8_t(v); b[at + 1] = uint8_t(v >> 8); }
void put32(Bytes &b, size_t at, uint32_t v) { put16(b, at, uint16_t(v)); put16(b, at + 2, uint16_t(v >> 16)); }
// Adds to a 32-bit header total; the loader does not use these sums, so a
// total that was already wrong may wrap.
void add32(Bytes &b, size_t at, uint32_t v) { put32(b, at, uint32_t((uint64_t(get32(b, at)) + v) & 0xFFFFFFFFu)); }
// a is a power of two; 64-bit so that nothing wraps.
uint64_t alignUp(uint64_t v, uint32_t a) { return (v + a - 1) & ~uint64_t(a - 1); }
bool powerOfTwo(uint32_t v) { return v && !(v & (v - 1)); }

bool refuse(std::string &error, const char *format, ...)
{
    char text[200];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    error = text;
    return false;
}

// The extent of a section in memory, before rounding to the section alignment.
uint32_t memorySize(const Section &s) { return s.virtualSize ? s.virtualSize : s.rawSize; }

// Maps an RVA to a file offset through the section table; ~0u if unmapped.
// `available` receives the number of file bytes of that section from there on.
uint32_t rvaToOffset(const Image &img, uint32_t rva, uint32_t *available = nullptr)
{
    for (const Section &s : img.sections) {
        if (rva < s.virtualAddress) continue;
        uint32_t into = rva - s.virtualAddress;
        if (into < memorySize(s) && into < s.rawSize) {
            if (available) *available = s.rawSize - into;
            return s.rawPointer + into;
        }
    }
    return ~0u;
}

// Reads the names of the imported libraries. An import table that is not
// where its directory says, or a name that does not end inside its section,
// makes the image damaged: the loader would refuse it too.
bool readImports(const Bytes &file, Image &img, uint32_t dirCount, std::string &error)
{
    if (dirCount <= DIR_IMPORT) return true;
    uint32_t importRva = get32(file, img.optionalOffset + OPT_DATA_DIRECTORIES + 8 * DIR_IMPORT);
    if (!importRva) return true;
    uint32_t room = 0;
    uint32_t at = rvaToOffset(img, importRva, &room);
    if (at == ~0u) return refuse(error, "damaged PE image (import table outside the sections' data)");
    for (;; at += 20, room -= 20) {
        if (room < 20) return refuse(error, "damaged PE image (import table runs past its section)");
        uint32_t nameRva = get32(file, at + 12);
        if (!nameRva) return true;
        if (img.importedDlls.size() == MAX_IMPORTED_DLLS)
            return refuse(error, "damaged PE image (more than %u imported libraries)", MAX_IMPORTED_DLLS);
        uint32_t nameRoom = 0;
        uint32_t nameAt = rvaToOffset(img, nameRva, &nameRoom);
        if (nameAt == ~0u) return refuse(error, "damaged PE image (imported library name outside the sections' data)");
        uint32_t limit = nameRoom < MAX_DLL_NAME ? nameRoom : MAX_DLL_NAME;
        const uint8_t *name = &file[nameAt];
        const void *end = std::memchr(name, 0, limit);
        if (!end) return refuse(error, "damaged PE image (imported library name not terminated)");
        img.importedDlls.emplace_back(reinterpret_cast<const char *>(name),
                                      static_cast<const uint8_t *>(end) - name);
    }
}

// Checks the section table against the headers, the file and SizeOfImage:
// every section aligned, in ascending order without overlap in memory,
// inside SizeOfImage; every section's file data aligned, after the headers,
// inside the file and not shared with another section.
bool checkSections(const Bytes &file, const Image &img, std::string &error)
{
    uint64_t memoryEnd = alignUp(img.sizeOfHeaders, img.sectionAlignment);
    for (size_t i = 0; i < img.sections.size(); i++) {
        const Section &s = img.sections[i];
        if (s.virtualAddress % img.sectionAlignment)
            return refuse(error, "damaged PE image (section %s not aligned in memory)", s.name);
        if (s.virtualAddress < memoryEnd)
            return refuse(error, "damaged PE image (section %s overlaps the headers or the section before)", s.name);
        memoryEnd = s.virtualAddress + alignUp(memorySize(s), img.sectionAlignment);
        if (memoryEnd > img.sizeOfImage)
            return refuse(error, "damaged PE image (section %s ends past SizeOfImage)", s.name);
        if (!s.rawSize) continue;
        if (s.rawPointer % img.fileAlignment || s.rawSize % img.fileAlignment)
            return refuse(error, "damaged PE image (section %s data not aligned in the file)", s.name);
        if (s.rawPointer < img.sizeOfHeaders)
            return refuse(error, "damaged PE image (section %s data overlaps the headers)", s.name);
        if (uint64_t(s.rawPointer) + s.rawSize > file.size())
            return refuse(error, "damaged PE image (section %s data past the end of the file)", s.name);
        for (size_t j = 0; j < i; j++) {
            const Section &o = img.sections[j];
            if (o.rawSize && s.rawPointer < uint64_t(o.rawPointer) + o.rawSize &&
                o.rawPointer < uint64_t(s.rawPointer) + s.rawSize)
                return refuse(error, "damaged PE image (sections %s and %s share file data)", o.name, s.name);
        }
    }
    return true;
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

// The new slot must end inside the headers (every section's data starts at
// SizeOfHeaders or later, as parse checks), and the loader takes at most
// MAX_SECTIONS sections.
bool roomForSectionHeader(const Bytes &file, const Image &img, std::string &error)
{
    if (img.sectionCount >= MAX_SECTIONS) return refuse(error, "no room for another section (already %u)", unsigned(img.sectionCount));
    uint64_t at = img.sectionTableOffset + uint64_t(img.sectionCount) * SECTION_HEADER_SIZE;
    if (at + SECTION_HEADER_SIZE > img.sizeOfHeaders) return refuse(error, "no room in the headers for another section");
    // Something may live in the headers after the table (bound imports do);
    // only a slot of zeros is free.
    for (uint64_t i = at; i < at + SECTION_HEADER_SIZE; i++)
        if (file[i]) return refuse(error, "no room for another section (the headers after the section table are in use)");
    return true;
}

// "ELF" or "COFF" when the file starts as a relocatable object file does:
// an ELF header of type ET_REL, or a COFF header for i386 or x86-64 with no
// optional header (which an image always has). Null otherwise.
const char *objectFileKind(const Bytes &file)
{
    if (file.size() >= 18 && file[0] == 0x7F && file[1] == 'E' && file[2] == 'L' && file[3] == 'F' &&
        get16(file, ELF_TYPE) == ELF_RELOCATABLE)
        return "ELF";
    if (file.size() >= 20 && (get16(file, 0) == MACHINE_I386 || get16(file, 0) == MACHINE_AMD64) &&
        get16(file, COFF_SECTION_COUNT) > 0 && get16(file, COFF_OPTIONAL_SIZE) == 0)
        return "COFF";
    return nullptr;
}

// What the kernel relies on in the program header: an addressMode it knows
// and, for an offset, an entry inside the program after the header.
bool checkProgram(const Bytes &program, std::string &error)
{
    // The compiler's object file (gcc -c), given instead of the image made
    // from the linked program: its first words would pass for addressMode.
    if (const char *kind = objectFileKind(program))
        return refuse(error, "program: an object file (%s), not a flat program image; link it with "
                             "sdk/hosted.ld, then make the image with objcopy -O binary -j .qvprog PROGRAM.pe "
                             "PROGRAM.bin (sdk/program.mk does both)", kind);
    // An executable starts with "MZ", which no header does (its addressMode
    // is 0 or 1): most likely the linker's output, given as it is.
    if (program.size() >= 2 && program[0] == 'M' && program[1] == 'Z')
        return refuse(error, "program: an executable (it starts with \"MZ\"), not a flat program image; make the "
                             "image with objcopy -O binary -j .qvprog PROGRAM.pe PROGRAM.bin");
    if (program.size() < PROGRAM_HEADER_SIZE)
        return refuse(error, "program: image is shorter than its 0x60-byte header");
    uint32_t mode = get32(program, HEADER_ADDRESS_MODE);
    if (mode > 1)
        return refuse(error, "program: addressMode is %u, not 0 (offsets) or 1 (addresses)", mode);
    uint32_t entry = get32(program, HEADER_ENTRY_POINT);
    if (mode == 0 && program.size() == PROGRAM_HEADER_SIZE)
        return refuse(error, "program: image is its 0x60-byte header alone, with no code for the entry point");
    if (mode == 0 && (entry < PROGRAM_HEADER_SIZE || entry >= program.size()))
        return refuse(error, "program: entry point offset 0x%X lies outside the program's code (offsets 0x60 to 0x%llX)",
                      entry, (unsigned long long)program.size() - 1);
    return true;
}

} // namespace

bool parse(const Bytes &file, Image &img, std::string &error)
{
    img = Image();
    if (file.size() < 0x40 || file[0] != 'M' || file[1] != 'Z')
        return refuse(error, "not a PE executable (no MZ header)");
    img.peOffset = get32(file, 0x3C);
    if (img.peOffset < 0x40 || uint64_t(img.peOffset) + 24 > file.size() ||
        std::memcmp(&file[img.peOffset], "PE\0\0", 4) != 0)
        return refuse(error, "not a PE executable (no PE signature)");
    img.machine = get16(file, img.peOffset + 4);
    img.sectionCount = get16(file, img.peOffset + 6);
    uint16_t optionalSize = get16(file, img.peOffset + 20);
    img.characteristics = get16(file, img.peOffset + 22);
    img.optionalOffset = img.peOffset + 24;
    if (img.machine != MACHINE_I386) return refuse(error, "not an i386 executable");
    if (optionalSize < OPT_DATA_DIRECTORIES || uint64_t(img.optionalOffset) + optionalSize > file.size() ||
        get16(file, img.optionalOffset) != PE32_MAGIC)
        return refuse(error, "not a 32-bit PE image (bad optional header)");
    const uint32_t opt = img.optionalOffset;
    img.imageBase = get32(file, opt + OPT_IMAGE_BASE);
    img.sectionAlignment = get32(file, opt + OPT_SECTION_ALIGNMENT);
    img.fileAlignment = get32(file, opt + OPT_FILE_ALIGNMENT);
    img.majorSubsystemVersion = get16(file, opt + OPT_MAJOR_SUBSYSTEM);
    img.minorSubsystemVersion = get16(file, opt + OPT_MINOR_SUBSYSTEM);
    img.sizeOfImage = get32(file, opt + OPT_SIZE_OF_IMAGE);
    img.sizeOfHeaders = get32(file, opt + OPT_SIZE_OF_HEADERS);
    img.subsystem = get16(file, opt + OPT_SUBSYSTEM);
    img.dllCharacteristics = get16(file, opt + OPT_DLL_CHARACTERISTICS);
    img.sectionTableOffset = opt + optionalSize;
    uint32_t dirCount = get32(file, opt + OPT_NUMBER_OF_RVA);

    if (dirCount > MAX_DIRECTORIES || OPT_DATA_DIRECTORIES + 8 * dirCount > optionalSize)
        return refuse(error, "damaged PE image (%u data directories do not fit the optional header)", dirCount);
    if (!powerOfTwo(img.fileAlignment) || img.fileAlignment < MIN_FILE_ALIGNMENT || img.fileAlignment > MAX_FILE_ALIGNMENT)
        return refuse(error, "damaged PE image (FileAlignment 0x%X is not a power of two from 0x200 to 0x10000)",
                      img.fileAlignment);
    if (!powerOfTwo(img.sectionAlignment) || img.sectionAlignment < img.fileAlignment ||
        (img.sectionAlignment < X86_PAGE_SIZE && img.sectionAlignment != img.fileAlignment))
        return refuse(error, "damaged PE image (SectionAlignment 0x%X does not suit FileAlignment 0x%X)",
                      img.sectionAlignment, img.fileAlignment);
    if (img.imageBase % 0x10000)
        return refuse(error, "damaged PE image (ImageBase 0x%X not on a 64 KB boundary)", img.imageBase);
    if (!img.sizeOfImage || img.sizeOfImage % img.sectionAlignment ||
        uint64_t(img.imageBase) + img.sizeOfImage > USER_SPACE_END)
        return refuse(error, "damaged PE image (SizeOfImage 0x%X)", img.sizeOfImage);
    if (img.sectionCount > MAX_SECTIONS)
        return refuse(error, "damaged PE image (%u sections, the loader takes at most %u)", unsigned(img.sectionCount), MAX_SECTIONS);
    uint64_t tableEnd = img.sectionTableOffset + uint64_t(img.sectionCount) * SECTION_HEADER_SIZE;
    if (img.sizeOfHeaders % img.fileAlignment || img.sizeOfHeaders < tableEnd || img.sizeOfHeaders > file.size() ||
        img.sizeOfHeaders > img.sizeOfImage)
        return refuse(error, "damaged PE image (SizeOfHeaders 0x%X does not hold the section table)", img.sizeOfHeaders);

    for (uint32_t i = 0; i < img.sectionCount; i++) {
        uint32_t at = img.sectionTableOffset + i * SECTION_HEADER_SIZE;
        Section s{};
        std::memcpy(s.name, &file[at], 8);
        for (char &c : s.name)
            if (c && (c < 0x20 || c > 0x7E)) c = '?'; // names go into one-line messages
        s.virtualSize = get32(file, at + 8);
        s.virtualAddress = get32(file, at + 12);
        s.rawSize = get32(file, at + 16);
        s.rawPointer = get32(file, at + 20);
        s.characteristics = get32(file, at + 36);
        img.sections.push_back(s);
    }
    if (!checkSections(file, img, error)) return false;
    for (uint32_t d = 0; d < dirCount; d++) {
        uint32_t rva = get32(file, opt + OPT_DATA_DIRECTORIES + 8 * d);
        uint32_t size = get32(file, opt + OPT_DATA_DIRECTORIES + 8 * d + 4);
        // The certificate table is the one directory given as a file offset.
        uint64_t limit = d == DIR_SECURITY ? file.size() : img.sizeOfImage;
        if ((rva || size) && uint64_t(rva) + size > limit)
            return refuse(error, "damaged PE image (data directory %u outside the image)", d);
    }
    return readImports(file, img, dirCount, error);
}

bool sectionsContiguous(const Image &img, std::string &error)
{
    uint64_t expected = alignUp(img.sizeOfHeaders, img.sectionAlignment);
    for (const Section &s : img.sections) {
        if (s.virtualAddress != expected)
            return refuse(error, "section %s does not start where the previous one ends", s.name);
        expected += alignUp(memorySize(s), img.sectionAlignment);
    }
    if (expected != img.sizeOfImage) return refuse(error, "the last section does not end at SizeOfImage");
    return true;
}

bool padToSize(Bytes &file, uint32_t targetSize, const char *sectionName, std::string &error)
{
    Image img;
    if (!parse(file, img, error)) return false;
    // The padding goes right after the last section, so the sections must
    // already be adjacent and end at SizeOfImage: the NT loader takes no gaps.
    if (!sectionsContiguous(img, error)) return false;
    if (img.sizeOfImage > targetSize)
        return refuse(error, "the kernel's image is 0x%X bytes, over the limit of 0x%X", img.sizeOfImage, targetSize);
    if (targetSize % img.sectionAlignment || uint64_t(img.imageBase) + targetSize > USER_SPACE_END)
        return refuse(error, "cannot pad to 0x%X with SectionAlignment 0x%X at 0x%X", targetSize, img.sectionAlignment,
                      img.imageBase);
    if (img.sizeOfImage < targetSize) {
        if (!roomForSectionHeader(file, img, error)) return false;
        Section pad{};
        std::strncpy(pad.name, sectionName, 8);
        pad.virtualAddress = img.sizeOfImage;
        pad.virtualSize = targetSize - img.sizeOfImage;
        pad.characteristics = SCN_CNT_UNINITIALIZED | SCN_READ | SCN_WRITE;
        appendSectionHeader(file, img, pad);
        add32(file, img.optionalOffset + OPT_SIZE_OF_UNINIT_DATA, pad.virtualSize);
    }
    put32(file, img.optionalOffset + OPT_SIZE_OF_IMAGE, targetSize);
    put32(file, img.optionalOffset + OPT_CHECKSUM, 0);
    return true;
}

bool setCodePage(Bytes &file, uint32_t codePage, std::string &error)
{
    Image img;
    if (!parse(file, img, error)) return false;
    for (const Section &s : img.sections) {
        if (std::strcmp(s.name, CODE_PAGE_SECTION) != 0) continue;
        if (s.rawSize < 12 || std::memcmp(&file[s.rawPointer], CODE_PAGE_TAG, 8) != 0)
            return refuse(error, "kernel: its %s section holds no code-page record", CODE_PAGE_SECTION);
        put32(file, s.rawPointer + 8, codePage);
        return true;
    }
    return refuse(error, "kernel: has no code-page record (a kernel built before --code-page)");
}

bool join(const Bytes &kernel, const Bytes &program, uint32_t reserve, Bytes &out, std::string &error)
{
    Image img;
    if (!parse(kernel, img, error)) {
        error = "kernel: " + error;
        return false;
    }
    if (img.sizeOfImage != KERNEL_IMAGE_SIZE)
        return refuse(error, "kernel: image size is 0x%X, not 0x%X", img.sizeOfImage, KERNEL_IMAGE_SIZE);
    if (!sectionsContiguous(img, error)) {
        error = "kernel: " + error;
        return false;
    }
    // The joined file ends with the program; a signature after the kernel's
    // sections would be cut off and its directory left pointing nowhere.
    uint32_t dirCount = get32(kernel, img.optionalOffset + OPT_NUMBER_OF_RVA);
    uint32_t security = img.optionalOffset + OPT_DATA_DIRECTORIES + 8 * DIR_SECURITY;
    if (dirCount > DIR_SECURITY && (get32(kernel, security) || get32(kernel, security + 4)))
        return refuse(error, "kernel: a signed image cannot be joined");
    if (!checkProgram(program, error)) return false;
    uint64_t virtualSize = uint64_t(program.size()) + reserve;
    if (uint64_t(img.imageBase) + KERNEL_IMAGE_SIZE + alignUp(virtualSize, img.sectionAlignment) > USER_SPACE_END)
        return refuse(error, "program: image and reserve (0x%llX bytes) do not fit the address space",
                      (unsigned long long)virtualSize);
    if (!roomForSectionHeader(kernel, img, error)) {
        error = "kernel: " + error;
        return false;
    }

    // Raw data goes at the end of the file, aligned; anything after the last
    // section's data (an overlay) is dropped, since the program must follow.
    // Everything lies inside the kernel file (checked by parse), so the
    // output is at most the kernel, the program and two alignment gaps.
    uint64_t fileEnd = img.sizeOfHeaders;
    for (const Section &s : img.sections)
        if (s.rawSize && uint64_t(s.rawPointer) + s.rawSize > fileEnd) fileEnd = uint64_t(s.rawPointer) + s.rawSize;
    fileEnd = alignUp(fileEnd, img.fileAlignment);
    uint64_t rawSize = alignUp(program.size(), img.fileAlignment);
    if (fileEnd + rawSize > 0xFFFFFFFFu) return refuse(error, "program: image too large for a PE file");

    out.assign(kernel.begin(), kernel.begin() + std::min<uint64_t>(kernel.size(), fileEnd));
    out.resize(fileEnd, 0);
    out.insert(out.end(), program.begin(), program.end());
    out.resize(fileEnd + rawSize, 0);

    Section s{};
    std::strcpy(s.name, ".qvprog");
    s.virtualAddress = KERNEL_IMAGE_SIZE;
    s.virtualSize = uint32_t(virtualSize);
    s.rawPointer = uint32_t(fileEnd);
    s.rawSize = uint32_t(rawSize);
    s.characteristics = SCN_CNT_CODE | SCN_CNT_INITIALIZED | SCN_EXECUTE | SCN_READ | SCN_WRITE;
    appendSectionHeader(out, img, s);

    uint32_t opt = img.optionalOffset;
    add32(out, opt + OPT_SIZE_OF_CODE, s.rawSize);
    add32(out, opt + OPT_SIZE_OF_INIT_DATA, s.rawSize);
    put32(out, opt + OPT_SIZE_OF_IMAGE, uint32_t(KERNEL_IMAGE_SIZE + alignUp(virtualSize, img.sectionAlignment)));
    put32(out, opt + OPT_CHECKSUM, 0);
    return true;
}

} // namespace pe

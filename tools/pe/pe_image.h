// Reading and editing i386 PE images held in memory: the checks and section
// edits behind the joiner and the kernel's padding step. Pure logic.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace pe {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t KERNEL_IMAGE_SIZE = 0x48000; // the kernel's image; the hosted header starts here
constexpr uint32_t PROGRAM_HEADER_SIZE = 0x60;  // the part of the header the kernel knows

struct Section {
    char name[9];
    uint32_t virtualSize;
    uint32_t virtualAddress;
    uint32_t rawSize;
    uint32_t rawPointer;
    uint32_t characteristics;
};

// What the editors need to know about an image.
struct Image {
    uint32_t peOffset = 0;          // offset of "PE\0\0"
    uint32_t optionalOffset = 0;    // offset of the optional header
    uint16_t machine = 0;
    uint16_t sectionCount = 0;
    uint16_t characteristics = 0;
    uint32_t imageBase = 0;
    uint32_t sectionAlignment = 0;
    uint32_t fileAlignment = 0;
    uint32_t sizeOfImage = 0;
    uint32_t sizeOfHeaders = 0;
    uint16_t subsystem = 0;
    uint16_t majorSubsystemVersion = 0;
    uint16_t minorSubsystemVersion = 0;
    uint16_t dllCharacteristics = 0;
    uint32_t sectionTableOffset = 0;
    std::vector<Section> sections;
    std::vector<std::string> importedDlls; // in table order, as written
};

// Parses an i386 PE32 image and checks what the loader requires of the parts
// the editors use: alignments, the headers, the section table against the
// file and SizeOfImage, the data directories and the import table. On
// failure returns false with a one-line reason. Time and memory stay
// proportional to the file's size.
bool parse(const Bytes &file, Image &image, std::string &error);

// The sections are ascending and contiguous in memory: each starts where the
// previous one ends (its virtual size rounded up to the section alignment),
// and the first starts right after the headers.
bool sectionsContiguous(const Image &image, std::string &error);

// Appends an uninitialised section so that the image ends exactly at
// targetSize. Fails when the image is already larger than targetSize or
// its sections are not contiguous.
bool padToSize(Bytes &file, uint32_t targetSize, const char *sectionName, std::string &error);

// Joins a kernel (an i386 PE whose contiguous image is exactly
// KERNEL_IMAGE_SIZE) and a program image (byte 0 its header, addressMode 0 or
// 1, with mode 0 an entry offset inside the image after the header) into one
// executable: the program becomes a readable, writable, executable section at
// KERNEL_IMAGE_SIZE, followed by `reserve` zero-filled bytes. The output is
// at most the kernel plus the program plus two file-alignment gaps (an
// overlay after the kernel's sections is dropped). On refusal `out` is
// untouched.
bool join(const Bytes &kernel, const Bytes &program, uint32_t reserve, Bytes &out, std::string &error);

// The kernel's record of the program's text code page: a section named
// .qvcp whose data starts with the tag "QVTEXTCP" and then the code page as
// a 32-bit word (0: the system's ANSI code page).
constexpr char CODE_PAGE_SECTION[] = ".qvcp";
constexpr char CODE_PAGE_TAG[] = "QVTEXTCP";

// Writes codePage into that record of a joined or unjoined kernel image.
// Fails, leaving file untouched, when the image has no such record.
bool setCodePage(Bytes &file, uint32_t codePage, std::string &error);

} // namespace pe

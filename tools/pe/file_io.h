// Whole-file reads and atomic writes for the command-line tools.
#pragma once
#include "pe_image.h"
#include <cstdint>

namespace pe {
// Reads a whole file; a file longer than maxSize is refused without being
// read to its end.
bool readFile(const std::string &path, Bytes &data, std::string &error, size_t maxSize = SIZE_MAX);
// Writes to a temporary file beside `path`, then renames it over `path`, so
// that a failed write never leaves a half-written output.
bool writeFileAtomic(const std::string &path, const Bytes &data, std::string &error);
} // namespace pe

// Input files that several end-to-end cases share, with the dump the tool prints for them.
#pragma once

#include <string>

#include "exif_builder.h"

namespace pelnor::e2e {

/// The smallest file that runs the whole sequence: 32 bytes, "II", IFD0 and IFD1 without
/// entries.
testing::Bytes smallest_file();

/// What the tool prints for smallest_file() (and any file whose two IFDs are empty).
std::string smallest_file_output();

/// No entries in IFD0; in IFD1 Compression 6, JPEGInterchangeFormat and
/// JPEGInterchangeFormatLength for tiny_jpeg() placed right after IFD1.
testing::Bytes jpeg_thumbnail_file(testing::Order order);

/// Its output up to and including the empty line after the IFD1 dump (the same in both byte
/// orders).
std::string jpeg_thumbnail_dump();

}  // namespace pelnor::e2e

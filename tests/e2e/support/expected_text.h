// The tool's fixed texts, and the lines of the tag dump written out from their parts, for
// building expected output.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pelnor::e2e {

inline constexpr std::string_view kIfd0Heading = "0th IFD dumping...:\n";
inline constexpr std::string_view kIfd1Heading = "1th IFD dumping...:\n";
inline constexpr std::string_view kNotExif = "Not also Exif file\n";
inline constexpr std::string_view kNoByteOrder = "Endian do not deside\n\n";
inline constexpr std::string_view kNoIfd1 = "Not exist 1thIFD(for thumbnail)\n";
inline constexpr std::string_view kNoThumbnail = "thumbnail not exist or not support\n";
inline constexpr std::string_view kJpegKind = "thumbnail exist [JPEG]\n";
inline constexpr std::string_view kRgbKind = "thumbnail exist [TIFF/RGB]\n";
inline constexpr std::string_view kYCbCrKind = "thumbnail exist [TIFF/YCbCr]\n";
inline constexpr std::string_view kIfdBeyond = "\t<IFD beyond the data read>\n";
inline constexpr std::string_view kBeyond = "<beyond the data read>";

/// "0" for zero, otherwise "0x" and lower-case hexadecimal digits.
std::string hex(std::uint32_t value);

/// The number read as a signed 32-bit integer, in decimal.
std::string signed_decimal(std::uint32_t value);

/// The generic line of an entry: its file position right-aligned in 8 characters, tag, type
/// name and number, count, value and value + 12.
std::string entry_line(std::uint32_t position, std::uint16_t tag, std::string_view type_name,
                       std::uint16_t type, std::uint32_t count, std::uint32_t value);

/// The lines of one file that dumps IFD0 as `ifd0_lines` and has an IFD1 without entries.
std::string dump_with_empty_ifd1(std::string_view ifd0_lines);

/// The lines of extracting a thumbnail into `out_name`: the creating line, the kind line and the
/// done line.
std::string extraction(std::string_view out_name, std::string_view kind_line);

std::string creating_line(std::string_view out_name);
std::string done_line(std::string_view out_name);
std::string write_error_line(std::string_view out_name);
std::string cannot_create_line(std::string_view out_name);
std::string open_error_line(std::string_view name);
std::string unknown_option_line(std::string_view argument);

}  // namespace pelnor::e2e

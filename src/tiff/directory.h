// The tag dump: one generic line per entry, then the decoded line of a well-known tag or the
// text of an ASCII entry.
#pragma once

#include <cstdint>

#include "tags/tag_table.h"
#include "tiff/tiff_data.h"
#include "tiff/tiff_types.h"

namespace pelnor {

/// Text that marks where an item stops because the data read ends there.
inline constexpr const char kBeyondData[] = "<beyond the data read>";

/// Name printed for a field type number in the generic line.
const char* type_name(std::uint32_t type);

/// Prints every entry of the IFD at offset `ifd` to standard output, in stored order: the generic
/// line, then, without `names` (IFD0 and IFD1), the decoded line of the twenty well-known TIFF
/// tags or the text of an ASCII entry; with `names` (the blocks of -a), the value line of every
/// entry, labelled by the names the table gives. Nothing beyond the data read is read: an IFD or
/// entries there get lines of their own, and a value or text cut by the end of the data ends with
/// kBeyondData. Returns 1 when the IFD's entry count lies in the data read, 0 when it printed the
/// line of an IFD beyond it.
int dump_ifd(const TiffData& tiff_base, std::uint32_t ifd, int little_endian,
             const TagTable* names);

/// A text in the data read.
struct EntryText {
  const char* chars;
  /// Up to its zero byte, or to where it must stop when none comes first.
  int length;
  /// False when it runs past the data read.
  bool whole;
};

/// The text at TIFF offset `start`: up to its zero byte, its first `most` bytes or the end of
/// the data read, whichever comes first; whole when its `most` bytes lie in the data read.
EntryText text_at(const TiffData& tiff, std::uint64_t start, std::uint64_t most);

/// The text of the ASCII entry `e`, whose raw entry lies at TIFF offset `raw_offset`: up to its
/// zero byte, which may lie past its count, or the end of the data read; whole when its count
/// lies in the data read.
EntryText entry_text(const TiffData& tiff, std::uint64_t raw_offset, const TagEntry& e);

/// Prints the line of an ASCII entry that no table names: a tab and its text in brackets, in a
/// field of count - 1 characters; a text whose count runs past the data read, the part inside
/// and then kBeyondData.
void print_text(const TiffData& tiff, std::uint64_t raw_offset, const TagEntry& e);

}  // namespace pelnor

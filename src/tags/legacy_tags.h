// The twenty well-known TIFF tags that IFD0 and IFD1 decode in a line of their own, as the tool
// has always printed them: each tag's label, and the texts of the enumerated ones.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tiff/tiff_types.h"

namespace pelnor {

/// How the line of a well-known tag shows its entry.
enum LegacyForm : std::uint8_t {
  LEGACY_NUMBER,        // the label, then the value field as "%d"
  LEGACY_TEXT,          // the label, then the text the value names, then "]"
  LEGACY_BITS,          // BitsPerSample: the 16-bit values, each followed by a blank
  LEGACY_COEFFICIENTS,  // YCbCrCoefficients: three rationals, or "Not enough values"
  LEGACY_SUBSAMPLING,   // YCbCrSubSampling: the two inline SHORTs
  LEGACY_REFERENCE,     // ReferenceBlackWhite: six rationals on three lines, or the same note
};

struct EnumText {
  std::uint32_t value;
  const char* text;
};

struct LegacyTag {
  std::uint16_t tag;
  LegacyForm form;
  /// The start of the line: "\tImageWidth: ", "\tCompression: [".
  const char* label;
  const EnumText* texts = nullptr;
  std::size_t text_count = 0;
  /// The text for any value the table does not list.
  const char* other = nullptr;
};

/// The well-known tag `tag`; null for any other.
const LegacyTag* find_legacy_tag(std::uint16_t tag);

/// The text the line of the enumerated tag `t` gives `value` (the whole 32-bit value counts).
const char* legacy_text(const LegacyTag& t, std::uint32_t value);

/// What the line of an enumerated well-known tag says the value of `e` means (the whole 32-bit
/// value counts); null for every other tag.
const char* legacy_meaning(const TagEntry& e);

}  // namespace pelnor

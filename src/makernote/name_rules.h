// The rules the makers' name tables are written with: a table of tags, the directories its
// entries lead to, the entries that give a preview. Only the tables include it.
#pragma once

#include "makernote/names.h"

namespace pelnor {

// A tag whose entry holds a directory, or points to it, and is named apart for each.
constexpr ExifTag held_or_pointed(std::uint16_t tag, const char* held, const char* pointed) {
  return {tag, held, nullptr, 0, UNDEF_HEX, false, pointed};
}

// A tag named by its value's form (`variants`, tried in order), else `otherwise`.
template <std::size_t N>
constexpr ExifTag by_form(std::uint16_t tag, const NameVariant (&variants)[N],
                          const char* otherwise = nullptr) {
  return {tag, otherwise, nullptr, 0, UNDEF_HEX, false, nullptr, variants,
          static_cast<std::uint8_t>(N)};
}

template <std::size_t N>
constexpr MakerNames names_of(const ExifTag (&tags)[N]) {
  static_assert(N > 0);
  return {tag_table(tags), nullptr, 0};
}

template <std::size_t N, std::size_t M>
constexpr MakerNames names_of(const ExifTag (&tags)[N], const MakerSubdirectory (&subs)[M]) {
  return {tag_table(tags), subs, static_cast<std::uint8_t>(M)};
}

template <std::size_t P>
constexpr MakerNames with_previews(MakerNames names, const MakerPreview (&previews)[P]) {
  names.previews = previews;
  names.preview_count = static_cast<std::uint8_t>(P);
  return names;
}

// A preview given by its offset and length entries.
constexpr MakerPreview pair(std::uint16_t start, std::uint16_t length, std::uint16_t valid = 0) {
  return {start, PREVIEW_PAIR, length, 0, 0, valid};
}

// A preview that an entry holds, after `skip` bytes.
constexpr MakerPreview held(std::uint16_t tag, std::uint8_t skip = 0) {
  return {tag, PREVIEW_HELD, 0, skip};
}

}  // namespace pelnor

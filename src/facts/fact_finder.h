// Reads the facts of a file from the entries its directories report as the walk goes: it keeps
// the few entries facts come from, and resolves them once the directories are done.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report/fact.h"
#include "report/sink.h"

namespace pelnor {

class FactFinder {
 public:
  /// Starts a new file.
  void reset();

  void directory_begin(const Directory& directory);
  /// The maker note's layout, which says whose tags its entries are.
  void note(const Note& note);
  void entry(const Entry& entry, ValueView& value);
  /// A SOF segment of the JPEG's map: the picture's size.
  void segment(const MapElement& element);

  /// True when any entry was kept: a file with directories.
  bool any() const { return directories_ != 0; }

  /// The facts of the entries kept, and notes on those left out.
  void finish(FactList* list) const;

  /// What an entry kept holds.
  struct Held {
    std::string directory;
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::uint64_t position = 0;
    /// Its values as stored (a rational's two words as a pair), at most kMostValues.
    std::vector<std::int64_t> numbers;
    std::vector<std::int64_t> denominators;
    /// An ASCII entry's text up to its zero byte, or an UNDEFINED one's bytes.
    std::string text;
    /// All its values or its whole text lie in the data read.
    bool whole = false;
  };

  /// Where a kept entry comes from: the standard directories, or a maker's.
  enum Place : std::uint8_t { IN_IFD0, IN_EXIF, IN_GPS, IN_MAKER, IN_SOF };

 private:
  static constexpr std::uint32_t kMostValues = 24;

  const Held* find(Place place, std::uint16_t tag) const;

  struct Kept {
    Place place;
    /// For IN_MAKER: which of the makers' entries it is, a bit for each (its layout, directory
    /// and tag fit).
    std::uint64_t makers;
    Held held;
  };
  std::vector<Kept> kept_;
  int directories_ = 0;
  Place place_ = IN_IFD0;
  bool keeping_ = false;
  std::string directory_;
  std::string layout_;
  std::string sub_;
  // The tags the current maker directory keeps, by its layout and name: most directories keep
  // none, and each entry is looked up in these few.
  void choose_maker_tags();
  static constexpr int kMostMakerTags = 16;
  std::uint16_t maker_tags_[kMostMakerTags] = {};
  std::uint64_t maker_bits_[kMostMakerTags] = {};
  int maker_tag_count_ = 0;

  friend class FactResolver;
};

}  // namespace pelnor

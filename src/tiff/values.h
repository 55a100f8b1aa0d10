// The one reader of an entry's value: how it reads (its class), its values, text and meaning,
// read from the data read only. Both output forms format what it gives.
#pragma once

#include <cstdint>

#include "tags/tag_table.h"
#include "tiff/byte_order.h"
#include "tiff/tiff_data.h"
#include "tiff/tiff_types.h"

namespace pelnor {

/// How an entry's value reads.
enum ValueClass : std::uint8_t {
  VALUE_TEXT,        // ASCII, up to its zero byte
  VALUE_NUMBERS,     // integers, FLOAT and DOUBLE; UNDEFINED bytes that a table reads as numbers
  VALUE_RATIONALS,   // RATIONAL and SRATIONAL: numerator and denominator, undivided
  VALUE_BYTES,       // UNDEFINED bytes, shown in hexadecimal
  VALUE_VERSION,     // four printable characters ("0232")
  VALUE_COMMENT,     // an 8-byte character code, then the text
  VALUE_COUNT_ONLY,  // its byte count alone (the maker note, which has a block of its own)
  VALUE_UNREADABLE,  // a type whose values cannot be read (0, 14 and above)
};

/// One stored value: the whole of a value of four bytes or fewer in `first`, the two words of
/// an eight-byte one in `first` and `second`, in the order stored.
struct StoredValue {
  std::uint32_t first = 0;
  std::uint32_t second = 0;
};

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

/// The value of one entry, classified and read on first use, once.
class ValueView {
 public:
  /// Entry `e`, whose raw entry lies at `raw_offset` of `data`, read in byte order `order`, its
  /// tag named by `names`. `legacy`: an entry of IFD0 or IFD1, whose enumerated well-known tags
  /// mean what their decoded line says.
  ValueView(const TiffData& data, std::uint64_t raw_offset, const TagEntry& e, int order,
            const TagTable& names, bool legacy)
      : data_(data),
        raw_offset_(raw_offset),
        e_(e),
        order_(order),
        names_(names),
        legacy_(legacy) {}

  const TagEntry& entry() const { return e_; }
  const TiffData& data() const { return data_; }
  std::uint64_t raw_offset() const { return raw_offset_; }
  int order() const { return order_; }

  /// What the tables call the tag (an entry that is an offset, by its pointer name where it has
  /// one); null for a tag no table names.
  const char* name() {
    if (!classified_) classify();
    if (tag_ == nullptr) return nullptr;
    if (tag_->variant_count != 0) return variant_name();
    return is_pointer_type(e_.type) && tag_->pointer_name != nullptr ? tag_->pointer_name
                                                                     : tag_->name;
  }

  ValueClass value_class() {
    if (!classified_) classify();
    return class_;
  }

  /// Where the values lie: in the raw entry when they fit in four bytes, else at the offset.
  std::uint64_t at() const {
    return std::uint64_t{e_.count} * value_size(e_.type) <= 4 ? raw_offset_ + 8 : e_.value;
  }

  /// Value j of the numbers or rationals; false when it lies past the data read.
  bool value(std::uint32_t j, StoredValue* v) const {
    const std::uint32_t size = value_size(e_.type);
    const std::uint64_t p = at() + std::uint64_t{j} * size;
    if (!data_.contains(p, size == 0 ? 1 : size)) return false;
    const std::uint8_t* b = data_.at(p);
    switch (size) {
      case 2:
        v->first = file16(b, order_);
        return true;
      case 4:
        v->first = file32(b, order_);
        return true;
      case 8:
        v->first = file32(b, order_);
        v->second = file32(b + 4, order_);
        return true;
      default:  // BYTE, SBYTE, and UNDEFINED read as bytes
        v->first = *b;
        return true;
    }
  }

  /// The numbers' class of value: true for integers (the only ones an enumeration names).
  bool integers() const {
    return e_.type != FLOAT && e_.type != RATIONAL && e_.type != SRATIONAL && e_.type != DOUBLE;
  }

  /// A FLOAT or DOUBLE value as a double.
  double real(const StoredValue& v) const;

  /// The text of a VALUE_TEXT entry, or of a VALUE_COMMENT after its code.
  const EntryText& text();

  /// The comment's 8-byte code, or the version's four characters; null when a comment's code
  /// lies past the data read.
  const char* chars() const;

  /// What the value means: for IFD0 and IFD1, what the decoded line says of an enumerated
  /// well-known tag; else the table's meaning of a single integer value or of a one-letter text.
  /// Null when nothing names it. For numbers, only once all of them could be read.
  const char* meaning() {
    if (!meaning_read_) read_meaning();
    return meaning_;
  }

  /// True when the table's meanings belong to each byte of several (ComponentsConfiguration)
  /// and nothing else names the value.
  bool each() {
    return meaning() == nullptr && tag_ != nullptr && tag_->each && value_size(e_.type) == 1 &&
           e_.count > 0;
  }

  /// The meaning of byte j of an `each` value: null when the table has none for it.
  const char* byte_meaning(std::uint32_t j) const;

  /// True when every byte of an `each` value has a meaning.
  bool each_known() const;

 private:
  void classify();
  const char* variant_name() const;
  void read_meaning();

  const TiffData& data_;
  std::uint64_t raw_offset_;
  TagEntry e_;
  int order_;
  const TagTable& names_;
  bool legacy_;
  // What is read on first use: most entries of IFD0 and IFD1 need none of it.
  bool classified_ = false;
  bool text_read_ = false;
  bool meaning_read_ = false;
  ValueClass class_;
  const ExifTag* tag_;
  const char* meaning_;
  EntryText text_;
};

}  // namespace pelnor

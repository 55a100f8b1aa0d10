#include "tiff/values.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "tags/legacy_tags.h"
#include "tiff/byte_order.h"

namespace pelnor {
namespace {

const char* meaning_of(const ExifTag* tag, std::uint32_t value) {
  if (tag == nullptr) return nullptr;
  for (std::uint8_t i = 0; i < tag->meaning_count; ++i) {
    if (tag->meanings[i].value == value) return tag->meanings[i].text;
  }
  return nullptr;
}

// Four printable characters: a version ("0232") that can stand on the line as it is.
bool printable(const std::uint8_t* chars) {
  for (int j = 0; j < 4; ++j) {
    if (chars[j] < 0x20 || chars[j] > 0x7E) return false;
  }
  return true;
}

}  // namespace

// The text never reaches past the data read.
EntryText text_at(const TiffData& tiff, std::uint64_t start, std::uint64_t most) {
  const std::uint64_t left = tiff.bytes_at(start);
  const auto available = static_cast<std::size_t>(most < left ? most : left);
  const char* text = available ? reinterpret_cast<const char*>(tiff.at(start)) : "";
  const void* zero = available ? std::memchr(text, 0, available) : nullptr;
  const auto length = static_cast<int>(
      zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - text) : available);
  return {text, length, tiff.contains(start, most)};
}

EntryText entry_text(const TiffData& tiff, std::uint64_t raw_offset, const TagEntry& e) {
  const bool inline_text = e.count <= 4;
  EntryText text = text_at(tiff, inline_text ? raw_offset + 8 : e.value, UINT64_MAX);
  text.whole = inline_text || tiff.contains(e.value, e.count);
  return text;
}

namespace {

// True when the value's first bytes, `have` of them in the data read at `b`, match `pattern`.
bool matches(const std::uint8_t* b, std::uint64_t have, const char* pattern, std::uint8_t length) {
  std::uint64_t k = 0;
  for (std::uint8_t i = 0; i < length; ++k) {
    if (k >= have) return false;
    const auto c = static_cast<std::uint8_t>(pattern[i]);
    if (c == '[' && i + 4 < length && pattern[i + 2] == '-' && pattern[i + 4] == ']') {
      if (b[k] < static_cast<std::uint8_t>(pattern[i + 1]) ||
          b[k] > static_cast<std::uint8_t>(pattern[i + 3])) {
        return false;
      }
      i = static_cast<std::uint8_t>(i + 5);
    } else {
      if (c != '.' && b[k] != c) return false;
      ++i;
    }
  }
  return true;
}

}  // namespace

namespace {

bool word_char(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// True when one of `rule`'s alternatives fits the `n` characters of `model`.
bool model_fits(const char* rule, const char* model, int n) {
  for (const char* alt = rule;;) {
    const char* bar = std::strchr(alt, '|');
    const char* end = bar != nullptr ? bar : alt + std::strlen(alt);
    const char* a = alt;
    const bool begins = a < end && *a == '^';
    if (begins) ++a;
    const bool word_start = a < end && *a == '<';
    if (word_start) ++a;
    const char* z = end;
    const bool ends = z > a && z[-1] == '$';
    if (ends) --z;
    const bool word_end = z > a && z[-1] == '>';
    if (word_end) --z;
    const auto length = static_cast<int>(z - a);
    for (int at = 0; at + length <= n; ++at) {
      if ((begins && at != 0) || (ends && at + length != n)) continue;
      if (std::memcmp(model + at, a, static_cast<std::size_t>(length)) != 0) continue;
      if (word_start && at > 0 && word_char(model[at - 1]) == word_char(a[0])) continue;
      if (word_end && at + length < n && word_char(model[at + length]) == word_char(z[-1])) {
        continue;
      }
      return true;
    }
    if (bar == nullptr) return false;
    alt = bar + 1;
  }
}

}  // namespace

const char* ValueView::variant_name() const {
  const std::uint64_t bytes = std::uint64_t{e_.count} * value_size(e_.type);
  const std::uint64_t have = std::min<std::uint64_t>(bytes, data_.bytes_at(at()));
  const std::uint8_t* b = have != 0 ? data_.at(at()) : nullptr;
  for (std::uint8_t i = 0; i < tag_->variant_count; ++i) {
    const NameVariant& v = tag_->variants[i];
    if ((v.type == 0 || v.type == e_.type) && (v.count == 0 || v.count == e_.count) &&
        (v.model == nullptr || model_fits(v.model, names_.model, names_.model_length)) &&
        (v.pattern_length == 0 || (b != nullptr && matches(b, have, v.pattern, v.pattern_length)))) {
      return v.name;
    }
  }
  return tag_->name;
}

void ValueView::classify() {
  classified_ = true;
  tag_ = find_tag(names_, e_.tag);
  if (e_.type == ASCII) {
    class_ = VALUE_TEXT;
    return;
  }
  if (value_size(e_.type) == 0) {
    class_ = VALUE_UNREADABLE;
    return;
  }
  const std::uint8_t rule = tag_ != nullptr ? tag_->undefined : std::uint8_t{UNDEF_HEX};
  if (e_.type != UNDEFINED || rule == UNDEF_BYTES) {
    class_ = e_.type == RATIONAL || e_.type == SRATIONAL ? VALUE_RATIONALS : VALUE_NUMBERS;
    return;
  }
  class_ = VALUE_BYTES;
  if (rule == UNDEF_VERSION && e_.count == 4 && printable(data_.at(at()))) {
    class_ = VALUE_VERSION;
  } else if (rule == UNDEF_COMMENT && e_.count >= 8) {
    class_ = VALUE_COMMENT;
  } else if (rule == UNDEF_COUNT) {
    class_ = VALUE_COUNT_ONLY;
  }
}

double ValueView::real(const StoredValue& v) const {
  if (e_.type == FLOAT) return std::bit_cast<float>(v.first);
  // The word stored first holds the high half in "MM", the low one in "II".
  const std::uint64_t bits = order_ != 0 ? std::uint64_t{v.second} << 32 | v.first
                                         : std::uint64_t{v.first} << 32 | v.second;
  return std::bit_cast<double>(bits);
}

const EntryText& ValueView::text() {
  if (!text_read_) {
    text_read_ = true;
    text_ = {"", 0, true};
    if (value_class() == VALUE_TEXT) {
      text_ = entry_text(data_, raw_offset_, e_);
    } else if (class_ == VALUE_COMMENT) {
      text_ = text_at(data_, at() + 8, e_.count - 8u);
    }
  }
  return text_;
}

const char* ValueView::chars() const {
  const std::uint64_t where = at();
  return data_.contains(where, class_ == VALUE_COMMENT ? 8 : 4)
             ? reinterpret_cast<const char*>(data_.at(where))
             : nullptr;
}

void ValueView::read_meaning() {
  meaning_read_ = true;
  meaning_ = nullptr;
  switch (value_class()) {
    case VALUE_TEXT:
      // A one-letter text of the GPS references and modes.
      if (text().length == 1)
        meaning_ = meaning_of(tag_, static_cast<std::uint8_t>(text_.chars[0]));
      break;
    case VALUE_NUMBERS:
    case VALUE_RATIONALS: {
      if (legacy_ && (meaning_ = legacy_meaning(e_)) != nullptr) break;
      StoredValue v;
      if (tag_ != nullptr && !tag_->each && e_.count == 1 && integers() && value(0, &v)) {
        meaning_ = meaning_of(tag_, v.first);
      }
      break;
    }
    default:
      break;
  }
}

const char* ValueView::byte_meaning(std::uint32_t j) const {
  return meaning_of(tag_, *data_.at(at() + j));
}

bool ValueView::each_known() const {
  for (std::uint32_t j = 0; j < e_.count; ++j) {
    if (byte_meaning(j) == nullptr) return false;
  }
  return true;
}

}  // namespace pelnor

// The facts a script asks of a picture (where, when, with what), each with the entries it was
// read from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pelnor {

/// An entry a fact was read from: its block's name, its tag, and the file position of its value's
/// bytes (the entry's bracket, or for a value of four bytes or fewer, which the entry holds, the
/// entry's position plus 8). For the picture's size from a SOF segment: "JPEG segments", the
/// marker, the segment's position.
struct FactSource {
  std::string directory;
  std::uint32_t tag = 0;
  std::uint64_t position = 0;
};

enum FactForm : std::uint8_t {
  FACT_TEXT,     // `text`
  FACT_NUMBER,   // `number`, a double
  FACT_INTEGER,  // `integer`
  FACT_FLAG,     // `flag`
  FACT_LENS_ID,  // `text` names the maker, `integers` hold its numbers
};

struct Fact {
  /// Its member: "make", ..., or "gps.latitude" for a member of the GPS group.
  const char* name;
  FactForm form;
  std::string text;
  double number = 0;
  std::int64_t integer = 0;
  bool flag = false;
  std::vector<std::int64_t> integers;
  std::vector<FactSource> from;
};

/// A file's facts in the order of their members, and why any that its entries hold was left
/// out.
struct FactList {
  std::vector<Fact> facts;
  std::vector<std::string> notes;
};

}  // namespace pelnor

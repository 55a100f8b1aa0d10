#include "facts/fact_finder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "report/names.h"
#include "tiff/tiff_types.h"
#include "tiff/values.h"

namespace pelnor {
namespace {

// The tags of the standard directories facts are read from.
constexpr std::uint16_t kIfd0Tags[] = {0x0100, 0x0101, 0x010F, 0x0110, 0x0112,
                                       0x0131, 0x0132, 0x013B, 0x8298};
constexpr std::uint16_t kExifTags[] = {0x829A, 0x829D, 0x8827, 0x9003, 0x9004, 0x9010, 0x9011,
                                       0x9012, 0x9209, 0x920A, 0x9290, 0x9291, 0x9292, 0xA002,
                                       0xA003, 0xA405, 0xA430, 0xA431, 0xA434};
constexpr std::uint16_t kGpsTags[] = {0x0001, 0x0002, 0x0003, 0x0004, 0x0005,
                                      0x0006, 0x0007, 0x0011, 0x001D};

template <std::size_t N>
constexpr bool ascending(const std::uint16_t (&tags)[N]) {
  for (std::size_t i = 1; i < N; ++i) {
    if (tags[i - 1] >= tags[i]) return false;
  }
  return true;
}
static_assert(ascending(kIfd0Tags) && ascending(kExifTags) && ascending(kGpsTags),
              "looked up by binary search");

// What a maker keeps plainly, by the layout of its maker note and the directory inside it ("" for
// the maker note's own).
enum MakerFact : std::uint8_t { SERIAL, LENS_TEXT, LENS_ID, SHUTTER_COUNT, FIRMWARE, OWNER, ISO };

struct MakerTag {
  const char* layout;  // the layout's name, or the start of it ("Nikon" for both Nikon types)
  const char* sub;
  std::uint16_t tag;
  MakerFact fact;
  /// For a value inside an array (Canon's CameraSettings), its index; else -1.
  int index;
};

// In the order each fact takes them: the first a file holds counts.
constexpr MakerTag kMakerTags[] = {
    {"Canon", "", 0x000C, SERIAL, -1},
    {"Nikon", "", 0x001D, SERIAL, -1},
    {"Olympus", "", 0x0404, SERIAL, -1},
    {"Olympus", "", 0x101A, SERIAL, -1},
    {"Olympus", "Equipment", 0x0101, SERIAL, -1},
    {"OM System", "Equipment", 0x0101, SERIAL, -1},
    {"Pentax", "", 0x0229, SERIAL, -1},
    {"Ricoh Pentax", "", 0x0229, SERIAL, -1},
    {"Sigma", "", 0x0002, SERIAL, -1},
    {"Samsung", "", 0xA002, SERIAL, -1},
    {"Ricoh", "", 0x0005, SERIAL, -1},
    {"Kodak", "CameraInfo", 0xFA04, SERIAL, -1},
    {"Kodak", "SubIFD0", 0xFA19, SERIAL, -1},
    {"Canon", "", 0x0095, LENS_TEXT, -1},
    {"Olympus", "Equipment", 0x0203, LENS_TEXT, -1},
    {"OM System", "Equipment", 0x0203, LENS_TEXT, -1},
    {"Panasonic", "", 0x0051, LENS_TEXT, -1},
    {"Canon", "", 0x0001, LENS_ID, 22},
    {"Pentax", "", 0x003F, LENS_ID, -1},
    {"Ricoh Pentax", "", 0x003F, LENS_ID, -1},
    {"Sony", "", 0xB027, LENS_ID, -1},
    {"Olympus", "Equipment", 0x0201, LENS_ID, -1},
    {"OM System", "Equipment", 0x0201, LENS_ID, -1},
    {"Nikon", "", 0x00A7, SHUTTER_COUNT, -1},
    {"Pentax", "", 0x005D, SHUTTER_COUNT, -1},
    {"Ricoh Pentax", "", 0x005D, SHUTTER_COUNT, -1},
    {"Canon", "", 0x0007, FIRMWARE, -1},
    {"Panasonic", "", 0x0002, FIRMWARE, -1},
    {"Ricoh", "", 0x0002, FIRMWARE, -1},
    {"Canon", "", 0x0009, OWNER, -1},
    {"Nikon", "", 0x0002, ISO, 1},
};

bool starts_with(const std::string& s, const char* prefix) {
  return s.compare(0, std::strlen(prefix), prefix) == 0;
}

// The layout `layout` is the maker tag's (its name, or a name that goes on after it with a
// blank: "Nikon type 2" for "Nikon", not "Nikon" for "Nikon type 2" nor "Ricoh Pentax" for
// "Ricoh").
bool layout_is(const std::string& layout, const char* name) {
  const std::size_t n = std::strlen(name);
  return layout.compare(0, n, name) == 0 && (layout.size() == n || layout[n] == ' ') &&
         !(std::strcmp(name, "Ricoh") == 0 && starts_with(layout, "Ricoh Pentax"));
}

// True when `tag` is one of the `n` sorted `tags`.
bool kept_tag(const std::uint16_t* tags, std::size_t n, std::uint16_t tag) {
  return std::binary_search(tags, tags + n, tag);
}

// What sscanf's "%Nd" reads at `p`: blanks passed over, a sign and digits, `width` characters
// at most; the character after them, or null when no digit comes.
const char* scan_int(const char* p, int width, int* value) {
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  int used = 0;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
    ++used;
  }
  int v = 0, digits = 0;
  for (; used < width && *p >= '0' && *p <= '9'; ++p, ++used, ++digits) v = v * 10 + (*p - '0');
  if (digits == 0) return nullptr;
  *value = negative ? -v : v;
  return p;
}

// What sscanf reads with a format of "%Nd" fields, "%*c" and ':': `form` gives each field's
// width as a digit, '*' for any one character, ':' for itself. The numbers go to `out` in turn.
bool scan(const char* p, const char* form, int* const* out) {
  for (; *form != '\0'; ++form) {
    if (*form >= '1' && *form <= '9') {
      p = scan_int(p, *form - '0', *out++);
      if (p == nullptr) return false;
    } else if (*p == '\0' || (*form != '*' && *p != *form)) {
      return false;
    } else {
      ++p;
    }
  }
  return true;
}

// "%04d-%02d-%02dT%02d:%02d:%02d" of numbers already checked to have so many digits.
std::string iso_date_time(int y, int mo, int d, int hh, int mi, int ss) {
  char out[19];
  const int fields[] = {y, mo, d, hh, mi, ss};
  const char separators[] = "--T::";
  char* p = out;
  for (int k = 0; k < 6; ++k) {
    if (k == 0) {
      *p++ = static_cast<char>('0' + y / 1000 % 10);
      *p++ = static_cast<char>('0' + y / 100 % 10);
    }
    *p++ = static_cast<char>('0' + fields[k] / 10 % 10);
    *p++ = static_cast<char>('0' + fields[k] % 10);
    if (k < 5) *p++ = separators[k];
  }
  return std::string(out, sizeof out);
}

std::string trimmed(const std::string& s) {
  std::size_t a = 0, b = s.size();
  while (a < b && (s[a] == ' ' || s[a] == '\0')) ++a;
  while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\0')) --b;
  return s.substr(a, b - a);
}

FactSource source_of(const FactFinder::Held& h) { return {h.directory, h.tag, h.position}; }

}  // namespace

// Resolves the kept entries into facts, in the order of the members.
class FactResolver {
 public:
  FactResolver(const FactFinder& finder, FactList* list) : f_(finder), list_(list) {}

  void run() {
    text("make", f_.find(FactFinder::IN_IFD0, 0x010F));
    text("model", f_.find(FactFinder::IN_IFD0, 0x0110));
    text_or_maker("serial", f_.find(FactFinder::IN_EXIF, 0xA431), SERIAL);
    lens();
    date("datetime_original", 0x9003, 0x9291, 0x9011, FactFinder::IN_EXIF);
    date("datetime_digitized", 0x9004, 0x9292, 0x9012, FactFinder::IN_EXIF);
    date("datetime", 0x0132, 0x9290, 0x9010, FactFinder::IN_IFD0);
    gps();
    quotient("exposure_time", f_.find(FactFinder::IN_EXIF, 0x829A));
    quotient("f_number", f_.find(FactFinder::IN_EXIF, 0x829D));
    quotient("focal_length", f_.find(FactFinder::IN_EXIF, 0x920A));
    focal_35mm();
    iso();
    flash();
    orientation();
    size();
    text("software", f_.find(FactFinder::IN_IFD0, 0x0131));
    text("artist", f_.find(FactFinder::IN_IFD0, 0x013B));
    text("copyright", f_.find(FactFinder::IN_IFD0, 0x8298));
    text_or_maker("owner", f_.find(FactFinder::IN_EXIF, 0xA430), OWNER);
    integer_of_maker("shutter_count", SHUTTER_COUNT);
    firmware();
  }

 private:
  void note(const char* name, const char* why) {
    list_->notes.push_back(std::string(name) + " left out: " + why);
  }

  Fact& add(const char* name, FactForm form) {
    list_->facts.push_back(Fact{name, form, {}, 0, 0, false, {}, {}});
    return list_->facts.back();
  }

  static bool is_text(const FactFinder::Held* h) {
    return h != nullptr && (h->type == ASCII || h->type == UNDEFINED || h->type == BYTE);
  }

  static bool is_integer(const FactFinder::Held* h) {
    return h != nullptr && (h->type == SHORT || h->type == LONG || h->type == BYTE ||
                            h->type == SSHORT || h->type == SLONG || h->type == SBYTE);
  }

  // A text fact, trimmed; absent when empty.
  bool text(const char* name, const FactFinder::Held* h) {
    if (!is_text(h)) return false;
    std::string t = trimmed(h->text);
    if (t.empty()) return false;
    if (!h->whole) {
      note(name, "its text runs past the data read");
      return false;
    }
    Fact& fact = add(name, FACT_TEXT);
    fact.text = std::move(t);
    fact.from.push_back(source_of(*h));
    return true;
  }

  // The first of a maker's entries for `what`; null when none is kept.
  const FactFinder::Held* maker(MakerFact what, const MakerTag** which = nullptr) const {
    for (std::size_t i = 0; i < std::size(kMakerTags); ++i) {
      if (kMakerTags[i].fact != what) continue;
      for (const FactFinder::Kept& k : f_.kept_) {
        if (k.place == FactFinder::IN_MAKER && ((k.makers >> i) & 1) != 0) {
          if (which != nullptr) *which = &kMakerTags[i];
          return &k.held;
        }
      }
    }
    return nullptr;
  }

  // A text fact from the standard entry, else from the maker's (a number written in decimal).
  void text_or_maker(const char* name, const FactFinder::Held* standard, MakerFact what) {
    if (text(name, standard)) return;
    const FactFinder::Held* h = maker(what);
    if (h == nullptr) return;
    if (is_integer(h) && !h->numbers.empty()) {
      Fact& fact = add(name, FACT_TEXT);
      fact.text = std::to_string(h->numbers[0]);
      fact.from.push_back(source_of(*h));
      return;
    }
    text(name, h);
  }

  void lens() {
    if (text("lens", f_.find(FactFinder::IN_EXIF, 0xA434))) return;
    if (text("lens", maker(LENS_TEXT))) return;
    const MakerTag* which = nullptr;
    const FactFinder::Held* h = maker(LENS_ID, &which);
    if (h == nullptr || h->numbers.empty()) return;
    Fact& fact = add("lens_id", FACT_LENS_ID);
    fact.text = which->layout;
    if (which->index >= 0) {
      if (static_cast<std::size_t>(which->index) >= h->numbers.size()) {
        list_->facts.pop_back();
        return;
      }
      fact.integers.push_back(h->numbers[static_cast<std::size_t>(which->index)]);
    } else {
      fact.integers = h->numbers;
    }
    fact.from.push_back(source_of(*h));
  }

  // "YYYY:MM:DD HH:MM:SS", its fraction of a second and its offset from UTC, as ISO 8601.
  void date(const char* name, std::uint16_t tag, std::uint16_t subsec, std::uint16_t offset,
            FactFinder::Place place) {
    const FactFinder::Held* h = f_.find(place, tag);
    if (!is_text(h) || trimmed(h->text).empty()) return;
    // Exif's "YYYY:MM:DD HH:MM:SS"; some writers put ISO 8601's own there, "YYYY-MM-DDTHH:MM:SS"
    // with an offset after it.
    int y, mo, d, hh, mi, ss;
    const std::string t = trimmed(h->text);
    const bool exif = t.size() >= 19 && t[4] == ':' && t[7] == ':' && t[10] == ' ';
    const bool iso = t.size() >= 19 && t[4] == '-' && t[7] == '-' && t[10] == 'T';
    if ((!exif && !iso) || t[13] != ':' || t[16] != ':' ||
        !scan(t.c_str(), "4*2*2*2:2:2", std::array<int*, 6>{&y, &mo, &d, &hh, &mi, &ss}.data()) ||
        (exif && t.size() != 19) ||
        (iso && !(t.size() == 19 || (t.size() == 20 && t[19] == 'Z') ||
                  (t.size() == 25 && (t[19] == '+' || t[19] == '-') && t[22] == ':')))) {
      note(name, "not a date and time");
      return;
    }
    if (y < 1 || mo < 1 || mo > 12 || d < 1 || d > 31 || hh > 23 || mi > 59 || ss > 60 || hh < 0 ||
        mi < 0 || ss < 0) {
      note(name, "a date or time out of range");
      return;
    }
    Fact& fact = add(name, FACT_TEXT);
    fact.text = iso_date_time(y, mo, d, hh, mi, ss);
    fact.from.push_back(source_of(*h));
    const FactFinder::Held* s = f_.find(FactFinder::IN_EXIF, subsec);
    if (is_text(s)) {
      const std::string digits = trimmed(s->text);
      bool all = !digits.empty();
      for (char c : digits) all = all && c >= '0' && c <= '9';
      if (all) {
        fact.text += '.';
        fact.text += digits;
        fact.from.push_back(source_of(*s));
      }
    }
    if (iso) {
      fact.text += t.substr(19);  // the offset the text gives
      return;
    }
    const FactFinder::Held* z = f_.find(FactFinder::IN_EXIF, offset);
    if (is_text(z)) {
      const std::string o = trimmed(z->text);
      int oh, om;
      if (o.size() == 6 && (o[0] == '+' || o[0] == '-') && o[3] == ':' &&
          scan(o.c_str() + 1, "2:2", std::array<int*, 2>{&oh, &om}.data()) && oh <= 14 &&
          om <= 59) {
        fact.text += o;
        fact.from.push_back(source_of(*z));
      }
    }
  }

  // Rational `k` of `h` as a double; false with a note for a zero denominator.
  bool rational(const char* name, const FactFinder::Held* h, std::size_t k, double* v) {
    if (h == nullptr || (h->type != RATIONAL && h->type != SRATIONAL) || h->numbers.size() <= k) {
      return false;
    }
    if (h->denominators[k] == 0) {
      note(name, "a zero denominator");
      return false;
    }
    *v = static_cast<double>(h->numbers[k]) / static_cast<double>(h->denominators[k]);
    return true;
  }

  void quotient(const char* name, const FactFinder::Held* h) {
    double v;
    if (!rational(name, h, 0, &v)) return;
    Fact& fact = add(name, FACT_NUMBER);
    fact.number = v;
    fact.from.push_back(source_of(*h));
  }

  // Degrees, minutes and seconds (one to three rationals) signed by the reference letter.
  void coordinate(const char* name, std::uint16_t value_tag, std::uint16_t ref_tag, char negative,
                  char positive, double most) {
    const FactFinder::Held* h = f_.find(FactFinder::IN_GPS, value_tag);
    if (h == nullptr || h->numbers.empty()) return;
    const FactFinder::Held* ref = f_.find(FactFinder::IN_GPS, ref_tag);
    if (!is_text(ref) || trimmed(ref->text).empty()) {
      note(name, "no reference letter");
      return;
    }
    const char letter = trimmed(ref->text)[0];
    if (letter != negative && letter != positive) {
      note(name, "a reference letter that is none of its two");
      return;
    }
    double v = 0;
    for (std::size_t k = 0; k < h->numbers.size() && k < 3; ++k) {
      double part;
      if (!rational(name, h, k, &part)) return;
      v += part / (k == 0 ? 1 : k == 1 ? 60 : 3600);
    }
    if (!(v >= 0 && v <= most)) {
      note(name, "out of range");
      return;
    }
    Fact& fact = add(name, FACT_NUMBER);
    fact.number = letter == negative ? -v : v;
    fact.from.push_back(source_of(*h));
    fact.from.push_back(source_of(*ref));
  }

  void gps() {
    coordinate("gps.latitude", 0x0002, 0x0001, 'S', 'N', 90);
    coordinate("gps.longitude", 0x0004, 0x0003, 'W', 'E', 180);
    const FactFinder::Held* alt = f_.find(FactFinder::IN_GPS, 0x0006);
    double v;
    if (rational("gps.altitude", alt, 0, &v)) {
      const FactFinder::Held* ref = f_.find(FactFinder::IN_GPS, 0x0005);
      Fact& fact = add("gps.altitude", FACT_NUMBER);
      fact.from.push_back(source_of(*alt));
      const bool below = ref != nullptr && !ref->numbers.empty() && ref->numbers[0] == 1;
      if (ref != nullptr && !ref->numbers.empty()) fact.from.push_back(source_of(*ref));
      fact.number = below ? -v : v;
    }
    gps_time();
    const FactFinder::Held* dir = f_.find(FactFinder::IN_GPS, 0x0011);
    if (rational("gps.direction", dir, 0, &v)) {
      if (v < 0 || v > 360) {
        note("gps.direction", "out of range");
      } else {
        Fact& fact = add("gps.direction", FACT_NUMBER);
        fact.number = v;
        fact.from.push_back(source_of(*dir));
      }
    }
  }

  void gps_time() {
    const FactFinder::Held* date = f_.find(FactFinder::IN_GPS, 0x001D);
    const FactFinder::Held* time = f_.find(FactFinder::IN_GPS, 0x0007);
    if (!is_text(date) || time == nullptr || time->numbers.size() < 3) return;
    int y, mo, d;
    const std::string t = trimmed(date->text);
    if (t.size() != 10 || !scan(t.c_str(), "4:2:2", std::array<int*, 3>{&y, &mo, &d}.data()) ||
        mo < 1 || mo > 12 || d < 1 || d > 31 || y < 1) {
      note("gps.time", "GPSDateStamp is not a date");
      return;
    }
    double hms[3];
    for (std::size_t k = 0; k < 3; ++k) {
      if (!rational("gps.time", time, k, &hms[k])) return;
    }
    if (!(hms[0] >= 0 && hms[0] < 24 && hms[1] >= 0 && hms[1] < 60 && hms[2] >= 0 && hms[2] < 61) ||
        hms[0] != std::floor(hms[0]) || hms[1] != std::floor(hms[1])) {
      note("gps.time", "a time out of range");
      return;
    }
    const int whole = static_cast<int>(hms[2]);
    Fact& fact = add("gps.time", FACT_TEXT);
    fact.text = iso_date_time(y, mo, d, static_cast<int>(hms[0]), static_cast<int>(hms[1]), whole);
    if (hms[2] != whole) {
      // The fraction of a second, to the millisecond as GPS receivers give it.
      char fraction[16];
      std::snprintf(fraction, sizeof fraction, "%.3f", hms[2] - whole);
      std::string f(fraction + 1);  // ".xyz"
      while (f.size() > 2 && f.back() == '0') f.pop_back();
      if (f != ".0" && f != ".") fact.text += f;
    }
    fact.text += 'Z';
    fact.from.push_back(source_of(*date));
    fact.from.push_back(source_of(*time));
  }

  void integer(const char* name, const FactFinder::Held* h, std::size_t k = 0) {
    if (!is_integer(h) || h->numbers.size() <= k) return;
    Fact& fact = add(name, FACT_INTEGER);
    fact.integer = h->numbers[k];
    fact.from.push_back(source_of(*h));
  }

  void focal_35mm() {
    const FactFinder::Held* h = f_.find(FactFinder::IN_EXIF, 0xA405);
    if (is_integer(h) && !h->numbers.empty() && h->numbers[0] == 0) {
      note("focal_length_35mm", "0, which says it is not known");
      return;
    }
    if (!is_integer(h) || h->numbers.empty()) return;
    Fact& fact = add("focal_length_35mm", FACT_NUMBER);
    fact.number = static_cast<double>(h->numbers[0]);
    fact.from.push_back(source_of(*h));
  }

  void iso() {
    const FactFinder::Held* h = f_.find(FactFinder::IN_EXIF, 0x8827);
    if (is_integer(h) && !h->numbers.empty()) {
      integer("iso", h);
      return;
    }
    const MakerTag* which = nullptr;
    h = maker(ISO, &which);
    if (h != nullptr) integer("iso", h, static_cast<std::size_t>(which->index));
  }

  void flash() {
    const FactFinder::Held* h = f_.find(FactFinder::IN_EXIF, 0x9209);
    if (!is_integer(h) || h->numbers.empty()) return;
    Fact& fact = add("flash_fired", FACT_FLAG);
    fact.flag = (h->numbers[0] & 1) != 0;
    fact.from.push_back(source_of(*h));
  }

  void orientation() {
    const FactFinder::Held* h = f_.find(FactFinder::IN_IFD0, 0x0112);
    if (!is_integer(h) || h->numbers.empty()) return;
    if (h->numbers[0] < 1 || h->numbers[0] > 8) {
      note("orientation", "none of the eight");
      return;
    }
    integer("orientation", h);
  }

  // The picture's size: the JPEG's SOF where the map lists it, else the Exif directory's pixel
  // dimensions, else IFD0's image size (a TIFF-format file).
  void size() {
    const FactFinder::Held* w = f_.find(FactFinder::IN_SOF, 0);
    const FactFinder::Held* h = w;
    if (w == nullptr) {
      w = f_.find(FactFinder::IN_EXIF, 0xA002);
      h = f_.find(FactFinder::IN_EXIF, 0xA003);
    }
    if (!is_integer(w) || !is_integer(h)) {
      w = f_.find(FactFinder::IN_IFD0, 0x0100);
      h = f_.find(FactFinder::IN_IFD0, 0x0101);
    }
    if (!is_integer(w) || !is_integer(h) || w->numbers.empty() || h->numbers.empty()) return;
    const std::int64_t width = w->numbers[0];
    const std::int64_t height = w == h ? w->numbers[1] : h->numbers[0];
    if (width <= 0 || height <= 0) return;
    Fact& a = add("width", FACT_INTEGER);
    a.integer = width;
    a.from.push_back(source_of(*w));
    Fact& b = add("height", FACT_INTEGER);
    b.integer = height;
    b.from.push_back(source_of(*h));
  }

  void integer_of_maker(const char* name, MakerFact what) { integer(name, maker(what)); }

  void firmware() {
    const FactFinder::Held* h = maker(FIRMWARE);
    if (h == nullptr) return;
    if (is_integer(h) && h->type != BYTE) {
      integer("firmware", h);
    } else {
      text("firmware", h);
    }
  }

  const FactFinder& f_;
  FactList* list_;
};

void FactFinder::reset() {
  kept_.clear();
  directories_ = 0;
  keeping_ = false;
  layout_.clear();
}

void FactFinder::directory_begin(const Directory& directory) {
  ++directories_;
  char name[kDirectoryNameMax];
  directory_.assign(name, directory_name(directory, name));
  sub_.clear();
  keeping_ = true;
  switch (directory.kind) {
    case DIR_IFD0:
      place_ = IN_IFD0;
      break;
    case DIR_EXIF:
      place_ = IN_EXIF;
      break;
    case DIR_GPS:
      place_ = IN_GPS;
      break;
    case DIR_MAKER_NOTE:
      place_ = IN_MAKER;
      layout_.clear();
      choose_maker_tags();
      break;
    case DIR_MAKER_SUB:
      place_ = IN_MAKER;
      if (directory.maker != nullptr) sub_ = directory.maker;
      choose_maker_tags();
      break;
    default:
      keeping_ = false;
  }
}

void FactFinder::note(const Note& note) {
  if ((note.kind == NOTE_MAKER_NOTE || note.kind == NOTE_MAKER_NOTE_MOVED) &&
      note.text != nullptr) {
    layout_ = note.text;
    choose_maker_tags();
  }
}

void FactFinder::choose_maker_tags() {
  static_assert(std::size(kMakerTags) <= 64, "a bit for each");
  maker_tag_count_ = 0;
  for (std::size_t i = 0; i < std::size(kMakerTags); ++i) {
    const MakerTag& m = kMakerTags[i];
    if (sub_ != m.sub || !layout_is(layout_, m.layout)) continue;
    int k = 0;
    while (k < maker_tag_count_ && maker_tags_[k] != m.tag) ++k;
    if (k == maker_tag_count_) {
      if (k == kMostMakerTags) continue;
      maker_tags_[k] = m.tag;
      maker_bits_[k] = 0;
      ++maker_tag_count_;
    }
    maker_bits_[k] |= std::uint64_t{1} << i;
  }
}

void FactFinder::entry(const Entry& entry, ValueView& value) {
  if (!keeping_) return;
  const std::uint16_t tag = entry.tag;
  std::uint64_t makers = 0;
  switch (place_) {
    case IN_IFD0:
      if (!kept_tag(kIfd0Tags, std::size(kIfd0Tags), tag)) return;
      break;
    case IN_EXIF:
      if (!kept_tag(kExifTags, std::size(kExifTags), tag)) return;
      break;
    case IN_GPS:
      if (!kept_tag(kGpsTags, std::size(kGpsTags), tag)) return;
      break;
    default: {
      int k = 0;
      while (k < maker_tag_count_ && maker_tags_[k] != tag) ++k;
      if (k == maker_tag_count_) return;
      makers = maker_bits_[k];
    }
  }
  if (find(place_, tag) != nullptr && place_ != IN_MAKER) return;  // a tag twice: the first counts
  Kept k{place_, makers, {}};
  Held& h = k.held;
  h.directory = directory_;
  h.tag = tag;
  h.type = entry.type;
  h.count = entry.count;
  // Where its value's bytes lie: in the entry itself when they fit in four bytes.
  const bool inline_value = std::uint64_t{entry.count} * value_size(entry.type) <= 4;
  h.position = inline_value ? std::uint64_t{entry.position} + 8 : entry.value_position;
  if (entry.type == ASCII || entry.type == UNDEFINED ||
      (entry.type == BYTE && value.value_class() == VALUE_TEXT)) {
    if (value.value_class() == VALUE_TEXT) {
      // Its count bytes at most, up to a zero byte: a text that runs on past its count does not
      // go on into the bytes after it.
      const EntryText& t = value.text();
      const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(t.length), entry.count);
      h.text.assign(t.chars, n);
      h.whole = t.whole || n < static_cast<std::size_t>(t.length);
    } else {
      // UNDEFINED bytes (Panasonic's firmware version): as far as they are printable.
      StoredValue v;
      std::uint32_t j = 0;
      for (; j < entry.count && j < 64 && value.value(j, &v) && v.first >= 0x20 && v.first < 0x7F;
           ++j) {
        h.text += static_cast<char>(v.first);
      }
      h.whole = j == entry.count;
    }
  }
  if (entry.type != ASCII) {
    StoredValue v;
    const bool is_signed = entry.type == SSHORT || entry.type == SLONG || entry.type == SBYTE ||
                           entry.type == SRATIONAL;
    // The standard directories' facts take three values at most (a GPS coordinate's degrees,
    // minutes and seconds); a maker's lens number may take more.
    const std::uint32_t most = place_ == IN_MAKER ? kMostValues : 4;
    h.numbers.reserve(std::min(entry.count, most));
    std::uint32_t j = 0;
    for (; j < entry.count && j < most && value.value(j, &v); ++j) {
      std::int64_t first = v.first, second = v.second;
      if (is_signed) {
        first = entry.type == SSHORT  ? static_cast<std::int16_t>(v.first)
                : entry.type == SBYTE ? static_cast<std::int8_t>(v.first)
                                      : static_cast<std::int32_t>(v.first);
        second = static_cast<std::int32_t>(v.second);
      }
      if (entry.type == FLOAT || entry.type == DOUBLE) break;
      h.numbers.push_back(first);
      if (entry.type == RATIONAL || entry.type == SRATIONAL) h.denominators.push_back(second);
    }
    if (entry.type != UNDEFINED) h.whole = j == entry.count || j == most;
  }
  kept_.push_back(std::move(k));
}

void FactFinder::segment(const MapElement& element) {
  if (element.kind != ELEMENT_SEGMENT || !element.sized || find(IN_SOF, 0) != nullptr) return;
  Kept k{IN_SOF, 0, {}};
  k.held.directory = "JPEG segments";
  k.held.tag = element.marker;
  k.held.type = SHORT;
  k.held.position = element.position;
  k.held.numbers = {element.width, element.height};
  k.held.whole = true;
  kept_.push_back(std::move(k));
}

const FactFinder::Held* FactFinder::find(Place place, std::uint16_t tag) const {
  for (const Kept& k : kept_) {
    if (k.place == place && (place == IN_SOF || k.held.tag == tag)) return &k.held;
  }
  return nullptr;
}

void FactFinder::finish(FactList* list) const {
  list->facts.clear();
  list->notes.clear();
  FactResolver(*this, list).run();
}

}  // namespace pelnor

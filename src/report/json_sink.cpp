#include "report/json_sink.h"

#include <cstdio>
#include <cstring>

#include "report/names.h"
#include "tiff/picture.h"
#include "tiff/thumbnail.h"
#include "tiff/values.h"

namespace pelnor {
namespace {

// The document's shape. A file's object holds, in the order the facts come: "file", the map of
// its container (the array "segments", "boxes" and "items", "chunks" or "raf", and the member
// "..._stop" after it), the arrays "mpf" and "directories" (each opened by its first item and
// closed by the next member), the objects "tiff" and "thumbnail", the array "pictures", and
// "result". The arrays by Section:
constexpr const char* kSectionKeys[] = {"segments", "boxes",       "chunks",  "items", "raf",
                                        "map_notes", "mpf",       "directories", "pictures"};

// Which array a directory's object goes in.
constexpr bool in_mpf(DirectoryKind kind) {
  return kind == DIR_MPF_INDEX || kind == DIR_MPF_ATTRIBUTES;
}

constexpr const char* kResults[] = {"handled", "open-error", "not-exif", "unknown-byte-order",
                                    "no-ifd1"};
constexpr const char* kOutputs[] = {"written", "write-error", "cannot-create", "not-made",
                                    "read-error"};
constexpr const char* kSources[] = {"MPF",      "maker note", "OtherImage", "JFXX",
                                    "JFIF",     "Photoshop",  "FlashPix",   "IFD0",
                                    "SubIFD",   "preview",    "full"};
constexpr const char* kPictureFaults[] = {nullptr, "not-held", "not-jpeg"};

const char* thumbnail_kind(std::int32_t kind) {
  switch (kind) {
    case THUMB_JPEG:
      return "JPEG";
    case THUMB_TIFF_RGB:
      return "RGB";
    case THUMB_TIFF_YCBCR:
      return "YCbCr";
    default:
      return "none";
  }
}

}  // namespace

void JsonSink::run_begin() {
  files_ = 0;
  writer_.raw("[\n", 2);
}

void JsonSink::run_end() {
  if (file_open_) {
    result_ = RESULT_OPEN_ERROR;
    file_end();
  }
  if (files_ > 0) writer_.raw("\n", 1);
  writer_.raw("]\n", 2);
  writer_.flush();
}

void JsonSink::file_begin(const char* name) {
  if (files_++ > 0) writer_.raw(",\n", 2);
  writer_.restart();
  writer_.begin_object();
  file_open_ = true;
  result_ = RESULT_HANDLED;
  writer_.text("file", name, std::strlen(name), "file_hex");
}

void JsonSink::file_end() {
  close_section();
  writer_.member("result", kResults[result_]);
  writer_.end_object();
  file_open_ = false;
  // A terminal sees each object once its file is done; into a file or a pipe the document goes
  // out in blocks.
  if (!output_held()) writer_.flush();
}

void JsonSink::open_section(Section section) {
  if (section_ == section) return;
  close_section();
  writer_.array_member(kSectionKeys[section], std::strlen(kSectionKeys[section]));
  section_ = section;
}

void JsonSink::close_section() {
  directory_end();
  if (section_ == NONE) return;
  writer_.end_array();
  section_ = NONE;
}

void JsonSink::map_begin(MapKind kind) {
  map_ = kind;
  open_section(kind == MAP_JPEG_SEGMENTS                          ? SEGMENTS
               : kind == MAP_BMFF_BOXES || kind == MAP_JXL_BOXES ? BOXES
               : kind == MAP_RAF_HEADER                          ? RAF
                                                                 : CHUNKS);
}

void JsonSink::container_element(const MapElement& e) {
  char type[11];
  const std::size_t type_length = type_text(e.type, type);
  if (e.kind == ELEMENT_ITEM) open_section(ITEMS);
  if (e.kind == ELEMENT_NOTE) {
    open_section(MAP_NOTES);
    writer_.string(e.detail, e.detail_length);
    return;
  }
  writer_.begin_object();
  switch (e.kind) {
    case ELEMENT_BOX:
    case ELEMENT_CHUNK:
      writer_.member("position", static_cast<std::int64_t>(e.position));
      writer_.key("type");
      writer_.string(type, type_length);
      if (e.kind == ELEMENT_BOX) {
        writer_.member("size", static_cast<std::int64_t>(e.size));
      } else {
        writer_.member("length", static_cast<std::int64_t>(e.size));
      }
      if (e.kind == ELEMENT_BOX) writer_.member("depth", e.depth);
      break;
    case ELEMENT_ITEM:
      writer_.member("id", e.id);
      writer_.key("type");
      writer_.string(type, type_length);
      if (e.sized) {
        writer_.member("position", static_cast<std::int64_t>(e.at));
        writer_.member("length", static_cast<std::int64_t>(e.size));
      }
      break;
    default:  // ELEMENT_FIELD
      writer_.member("position", static_cast<std::int64_t>(e.position));
      writer_.member("name", e.name);
      if (std::strcmp(e.name, "entry") == 0) {
        writer_.member("tag", e.id);
        writer_.member("length", static_cast<std::int64_t>(e.size));
      } else if (e.sized) {
        writer_.member("offset", static_cast<std::int64_t>(e.at));
        writer_.member("length", static_cast<std::int64_t>(e.size));
      }
      break;
  }
  if (e.detail != nullptr) {
    writer_.key("detail");
    writer_.string(e.detail, e.detail_length);
  }
  if (e.past_end) writer_.flag("past_end");
  writer_.end_object();
}

void JsonSink::map_element(const MapElement& s) {
  if (s.kind == ELEMENT_EXIF) return;  // the "tiff" member says where the Exif data lie
  if (s.kind != ELEMENT_SEGMENT) {
    container_element(s);
    return;
  }
  writer_.begin_object();
  writer_.member("position", static_cast<std::int64_t>(s.position));
  writer_.member("marker", s.marker);
  writer_.key("name");
  if (s.name != nullptr) {
    writer_.string(s.name, std::strlen(s.name));
  } else {
    writer_.null();
  }
  if (s.length != 0) writer_.member("length", s.length);
  if (s.past_end) {
    writer_.flag("past_end");  // the file ends inside it
  } else {
    if (s.identifier != nullptr) {
      writer_.key("identifier");
      writer_.string(s.identifier, s.identifier_length);
    }
    if (s.sized) {
      writer_.member("width", s.width);
      writer_.member("height", s.height);
    }
  }
  writer_.end_object();
}

void JsonSink::map_end(MapStop stop) {
  close_section();
  static constexpr const char* kStops[] = {"segments_stop", "boxes_stop", "chunks_stop",
                                           "chunks_stop",   "boxes_stop", "raf_stop"};
  if (const char* text = map_stop_text(stop)) {
    writer_.key(kStops[map_], std::strlen(kStops[map_]));
    writer_.string(text, std::strlen(text));
  }
}

void JsonSink::tiff(const TiffLocation& location) {
  close_section();
  writer_.key("tiff");
  writer_.begin_object();
  writer_.member("position", std::int64_t{location.position});
  writer_.member("layout", layout_name(location.layout));
  if (location.decoded) writer_.flag("decoded");
  writer_.key("byte_order");
  if (location.byte_order < 0) {
    writer_.null();
  } else {
    writer_.string(location.byte_order != 0 ? "II" : "MM", 2);
  }
  writer_.end_object();
}

void JsonSink::directory_begin(const Directory& directory) {
  open_section(in_mpf(directory.kind) ? MPF : DIRECTORIES);
  directory_end();
  char name[kDirectoryNameMax];
  const std::size_t n = directory_name(directory, name);
  writer_.begin_object();
  writer_.key("name");
  writer_.string(name, n);
  writer_.key("position");
  if (directory.position < 0) {
    writer_.null();
  } else {
    writer_.number(directory.position);
  }
  writer_.array_member("entries");
  directory_open_ = true;
}

void JsonSink::note(const Note& note) {
  if (!directory_open_ || note_count_ == kMostNotes) return;
  std::string& text = notes_[note_count_++];
  text = note_text(note);
  if (text.size() > kNoteMax) text.resize(kNoteMax);
}

void JsonSink::directory_end() {
  if (!directory_open_) return;
  writer_.end_array();  // entries
  if (note_count_ > 0) {
    writer_.array_member("notes");
    for (int i = 0; i < note_count_; ++i) writer_.string(notes_[i].data(), notes_[i].size());
    writer_.end_array();
  }
  writer_.end_object();
  directory_open_ = false;
  note_count_ = 0;
}

// "more" when the entry has more values than the document lists, "cut" when the data read
// ends before them.
void JsonSink::rest(std::uint32_t count, std::uint32_t listed, bool cut) {
  if (cut) {
    writer_.flag("cut");
  } else if (count > listed) {
    writer_.member("more", std::int64_t{count} - listed);
  }
}

void JsonSink::numbers(ValueView& value) {
  const TagEntry& e = value.entry();
  const std::uint32_t listed =
      e.count < JsonWriter::kMostValues ? e.count : JsonWriter::kMostValues;
  std::uint32_t j = 0;
  writer_.array_member("values");
  const std::uint32_t size = value_size(e.type);
  const std::uint64_t at = value.at();
  const bool plain = e.type == SHORT || e.type == LONG || e.type == BYTE || e.type == UNDEFINED;
  if (plain && listed != 0 && value.data().contains(at, std::uint64_t{listed} * size)) {
    // All inside: read in place.
    writer_.unsigned_values(value.data().at(at), listed, size, value.order() != 0);
    j = listed;
  }
  for (StoredValue v; j < listed && value.value(j, &v); ++j) {
    switch (e.type) {
      case SSHORT:
        writer_.number(static_cast<std::int16_t>(v.first));
        break;
      case SLONG:
        writer_.number(static_cast<std::int32_t>(v.first));
        break;
      case SBYTE:
        writer_.number(static_cast<std::int8_t>(v.first));
        break;
      case FLOAT:
      case DOUBLE:
        writer_.real(value.real(v), e.type == FLOAT);
        break;
      case RATIONAL:
        writer_.begin_array();
        writer_.number(v.first);
        writer_.number(v.second);
        writer_.end_array();
        break;
      case SRATIONAL:
        writer_.begin_array();
        writer_.number(static_cast<std::int32_t>(v.first));
        writer_.number(static_cast<std::int32_t>(v.second));
        writer_.end_array();
        break;
      default:  // SHORT, LONG, IFD, BYTE, and UNDEFINED read as bytes
        writer_.number(v.first);
    }
  }
  writer_.end_array();
  if (e.type == RATIONAL || e.type == SRATIONAL) quotients(value, j);
  rest(e.count, listed, j < listed);
  if (j < e.count) return;  // a meaning needs every value
  if (value.each()) {
    if (!value.each_known()) return;
    writer_.array_member("meanings");
    for (std::uint32_t k = 0; k < e.count; ++k) {
      const char* m = value.byte_meaning(k);
      writer_.string(m, std::strlen(m));
    }
    writer_.end_array();
  } else if (const char* meaning = value.meaning()) {
    writer_.member("meaning", meaning);
  }
}

// Each of the first `n` rationals divided, beside the pairs: null where the denominator is 0.
void JsonSink::quotients(ValueView& value, std::uint32_t n) {
  const bool is_signed = value.entry().type == SRATIONAL;
  writer_.array_member("quotients");
  StoredValue v;
  for (std::uint32_t j = 0; j < n && value.value(j, &v); ++j) {
    if (v.second == 0) {
      writer_.null();
    } else if (is_signed) {
      writer_.real(static_cast<double>(static_cast<std::int32_t>(v.first)) /
                       static_cast<std::int32_t>(v.second), false);
    } else {
      writer_.real(static_cast<double>(v.first) / v.second, false);
    }
  }
  writer_.end_array();
}

void JsonSink::bytes(const ValueView& value) {
  const std::uint32_t count = value.entry().count;
  const std::uint32_t listed = count < JsonWriter::kMostBytes ? count : JsonWriter::kMostBytes;
  const std::uint64_t inside = value.data().bytes_at(value.at());
  const auto n = static_cast<std::uint32_t>(inside < listed ? inside : listed);
  writer_.key("hex");
  writer_.hex(n != 0 ? value.data().at(value.at()) : nullptr, n);
  rest(count, listed, n < listed);
}

void JsonSink::entry(const Entry& entry, ValueView& value) {
  writer_.entry_head(entry.position, entry.tag, value.name(), entry.type, entry.count, entry.field,
                     entry.value_position);
  switch (value.value_class()) {
    case VALUE_TEXT: {
      const EntryText& text = value.text();
      writer_.text("text", text.chars, static_cast<std::size_t>(text.length), "text_hex");
      if (!text.whole) writer_.flag("cut");
      if (const char* letter = value.meaning()) writer_.member("meaning", letter);
      break;
    }
    case VALUE_UNREADABLE:
      writer_.key("values");
      writer_.null();
      break;
    case VALUE_NUMBERS:
    case VALUE_RATIONALS:
      numbers(value);
      break;
    case VALUE_VERSION:
      writer_.key("text");
      writer_.string(value.chars(), 4);
      break;
    case VALUE_COMMENT: {
      const char* code = value.chars();
      if (code == nullptr) {  // its code lies past the data read, as the text line says
        writer_.flag("cut");
        break;
      }
      const EntryText& text = value.text();
      writer_.text("code", code, 8, "code_hex");
      writer_.text("text", text.chars, static_cast<std::size_t>(text.length), "text_hex");
      if (!text.whole) writer_.flag("cut");
      break;
    }
    case VALUE_COUNT_ONLY:
      break;
    case VALUE_BYTES:
      bytes(value);
      break;
  }
  writer_.end_object();
}

void JsonSink::thumbnail(const ThumbnailReport& t, bool) {
  close_section();
  writer_.key("thumbnail");
  writer_.begin_object();
  writer_.member("kind", thumbnail_kind(t.kind));
  if (t.kind == THUMB_NONE) return;
  writer_.member("position", static_cast<std::int64_t>(t.position));
  writer_.member("length", static_cast<std::int64_t>(t.length));
  if (t.kind != THUMB_JPEG) {
    writer_.member("width", t.width);
    writer_.member("height", t.height);
  }
}

void JsonSink::picture(const PictureReport& r) {
  const Picture& p = *r.picture;
  open_section(PICTURES);
  writer_.begin_object();
  writer_.member("source", kSources[p.source]);
  if (p.source == PIC_MPF || p.source == PIC_SUBIFD)
    writer_.member("number", std::int64_t{p.number});
  if (p.source == PIC_MAKER_NOTE) writer_.member("maker", p.maker);
  if (p.source == PIC_MPF) {
    char code[12];
    const char* type = mp_type_name(p.mp_type);
    if (type == nullptr) {
      std::snprintf(code, sizeof code, "0x%06x", static_cast<unsigned>(p.mp_type));
      type = code;
    }
    writer_.member("mp_type", type);
    if (r.gain_map != nullptr) writer_.member("gain_map", r.gain_map);
  }
  if (p.source == PIC_PREVIEW || p.source == PIC_FULL) writer_.member("container", p.maker);
  writer_.member("kind", picture_form_name(p.form));
  if (r.sized) {
    writer_.member("width", std::int64_t{r.width});
    writer_.member("height", std::int64_t{r.height});
  }
  writer_.member("position", static_cast<std::int64_t>(p.spans[0].position));
  writer_.member("length", static_cast<std::int64_t>(r.length));
  if (r.fault != PICTURE_WRITTEN) writer_.member("not_written", kPictureFaults[r.fault]);
  if (r.repaired) writer_.member("first_byte", r.first_byte);
  if (p.bgr) writer_.flag("bgr");
  if (p.short_pixels) writer_.flag("short_pixels");
}

void JsonSink::output_begin(const char* name) {
  writer_.key("output");
  writer_.begin_object();
  writer_.text("name", name, std::strlen(name), "name_hex");
}

void JsonSink::output_end(OutputResult result, const char*) {
  writer_.member("result", kOutputs[result]);
  writer_.end_object();
}

void JsonSink::fact(const Fact& f) {
  writer_.begin_object();
  writer_.key("value");
  switch (f.form) {
    case FACT_TEXT:
      writer_.string(f.text.data(), f.text.size());
      break;
    case FACT_NUMBER:
      writer_.real(f.number, false);
      break;
    case FACT_INTEGER:
      writer_.number(f.integer);
      break;
    case FACT_FLAG:
      writer_.boolean(f.flag);
      break;
    case FACT_LENS_ID:
      writer_.begin_object();
      writer_.key("maker");
      writer_.string(f.text.data(), f.text.size());
      writer_.array_member("values");
      for (const std::int64_t v : f.integers) writer_.number(v);
      writer_.end_array();
      writer_.end_object();
      break;
  }
  writer_.array_member("from");
  for (const FactSource& s : f.from) {
    writer_.begin_object();
    writer_.key("directory");
    writer_.string(s.directory.data(), s.directory.size());
    writer_.member("tag", std::int64_t{s.tag});
    writer_.member("position", static_cast<std::int64_t>(s.position));
    writer_.end_object();
  }
  writer_.end_array();
  writer_.end_object();
}

void JsonSink::facts(const FactList& facts) {
  close_section();
  writer_.key("facts");
  writer_.begin_object();
  bool in_gps = false;
  for (const Fact& f : facts.facts) {
    const bool gps = std::strncmp(f.name, "gps.", 4) == 0;
    if (gps && !in_gps) {
      writer_.key("gps");
      writer_.begin_object();
    } else if (!gps && in_gps) {
      writer_.end_object();
    }
    in_gps = gps;
    const char* key = gps ? f.name + 4 : f.name;
    writer_.key(key, std::strlen(key));
    fact(f);
  }
  if (in_gps) writer_.end_object();
  writer_.end_object();
  if (!facts.notes.empty()) {
    writer_.array_member("notes");
    for (const std::string& n : facts.notes) writer_.string(n.data(), n.size());
    writer_.end_array();
  }
}

}  // namespace pelnor

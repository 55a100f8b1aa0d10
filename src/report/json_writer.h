// The JSON document of -j: one array over the run, one object per file, written as the file is
// handled into the same output block as the text, which -j mutes.
//
// The writer keeps the nesting itself: a file's object holds, in the order the facts come,
// "segments", "mpf" and "directories" (arrays, each opened by the first item that belongs to it
// and closed by the next section or the file's end), "tiff", "thumbnail", "pictures" and
// "result". Whatever bytes a file holds, the document stays valid JSON: every text goes through
// string(), which escapes it and replaces bytes that are not UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pelnor {

/// Set by -j.
extern int opt_json;

namespace json {

/// Most values of one entry the document lists, and most bytes of one UNDEFINED value in
/// hexadecimal; an entry with more says how many in "more".
inline constexpr std::uint32_t kMostValues = 4096;
inline constexpr std::uint32_t kMostBytes = 1024;

/// The run's array: "[" and its line end; "]" and its line end after the last file.
void begin_run();
void end_run();

/// Opens the object of the file named `name` (on a line of its own) with its "file" member.
void begin_file(const char* name);
/// Closes whatever is open in the file's object, writes "result": `result` and closes it.
void end_file(const char* result);
/// True between begin_file and end_file.
bool in_file();

/// Opens the array member `key` of the file's object (closing the section open before), unless
/// it is the one open already.
void section(const char* key);
/// Closes the open section.
void close_section();

/// A line the text prints in a directory's block besides its entries ("IFD beyond the data
/// read"): kept and written as the directory's "notes" when it closes.
void note(const char* text, std::size_t n);

/// A block's heading ("Exif IFD dumping...:\n"): printed as text, or with -j the directory
/// object of that name less " dumping...:", at file position `position` (none when negative),
/// in "mpf" for the MPF blocks and "directories" for the others.
void block_heading(std::int64_t position, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

/// A line of a directory's block that is not an entry ("\t<IFD beyond the data read>\n"): printed
/// as text, or with -j kept as the open directory's note, less its tab, angle brackets and line
/// end.
void block_line(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Members and values, with the commas between them kept by the writer.
void key(const char* name);
void begin_object();
void end_object();
void begin_array();
void end_array();
void number(std::int64_t v);
void unsigned_number(std::uint64_t v);
/// The `n` unsigned integers of `size` bytes (1, 2 or 4) at `bytes`, in the byte order given, as
/// numbers of the open array; returns the last one (0 for none).
std::uint32_t unsigned_values(const std::uint8_t* bytes, std::uint32_t n, unsigned size,
                              bool little_endian);
/// A number that reads back as the same float or double; "NaN", "Infinity" and "-Infinity"
/// as strings.
void real(double v, bool single);
void boolean(bool v);
void null();
/// A JSON string of the `n` bytes: escaped, and each byte that is not part of valid UTF-8
/// written as U+FFFD. Returns false when such a byte was met.
bool string(const char* s, std::size_t n);
/// string() of a text, and when it was not valid UTF-8 the member `hex_key` with its bytes in
/// hexadecimal, so that they can be recovered exactly.
void text(const char* key_name, const char* s, std::size_t n, const char* hex_key);
/// The bytes in lower-case hexadecimal, as a string.
void hex(const std::uint8_t* bytes, std::size_t n);

/// Opens an entry's object with its members "position", "tag", "name" (`name`, or null),
/// "type", "count", "field" and "value_position", written at once; end_object closes it.
void entry_head(std::uint32_t position, std::uint16_t tag, const char* name, std::uint16_t type,
                std::uint32_t count, std::uint32_t field, std::uint32_t value_position);

/// Member shorthands.
inline void member(const char* name, std::int64_t v) {
  key(name);
  number(v);
}
void member(const char* name, const char* text);

}  // namespace json
}  // namespace pelnor

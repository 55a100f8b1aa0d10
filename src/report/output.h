// Formatted output for the tool's fixed texts, byte for byte what std::printf gives for them.
//
// Every line the tool prints comes from a constant format string whose conversions are part of
// the output ("%#8.x", "%*s" with a negative width, "%d" of an unsigned field). std::printf
// spends most of a dump's user time interpreting them; this formatter handles exactly the
// conversions those strings use, at a fraction of the cost.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>

namespace pelnor {

/// Like std::printf(format, ...) to standard output for what the tool's texts use: the
/// conversions d, u, x (32-bit arguments) and s, the flag '#', a field width as digits or '*'
/// (negative: left-aligned), and a precision as '*' or '.' alone (0). Anything else is printed
/// as it stands and takes no argument.
void print(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

/// Bytes a generic line takes at most, for a type name of up to 32 characters.
inline constexpr std::size_t kEntryLineMax = 160;

/// The generic line of an IFD entry: what print gives for the format
/// "%#8.x:Tag=%#x[%d] Type=%s[%d] Num=%d offset=%#x[%#x]\n" with these arguments, written without
/// reading a format into `line` (kEntryLineMax bytes), as the dump makes one for every entry.
/// Returns its length.
std::size_t entry_line(char* line, std::uint32_t position, std::uint32_t tag, const char* type_name,
                       std::uint32_t type, std::uint32_t count, std::uint32_t value,
                       std::uint32_t bracket);

/// Prints the generic line entry_line makes.
void print_entry_line(std::uint32_t position, std::uint32_t tag, const char* type_name,
                      std::uint32_t type, std::uint32_t count, std::uint32_t value,
                      std::uint32_t bracket);

/// Writes `n` bytes as they stand: what print("%s") gives, for a text of known length.
void print_bytes(const char* text, std::size_t n);

template <std::size_t N>
void print_literal(const char (&text)[N]) {
  print_bytes(text, N - 1);
}

/// What print("%d", v) gives for the 32-bit pattern `v`, without reading a format.
void print_signed(std::uint32_t v);

/// What print("%s%d\n", label, v) gives, for a label of `n` bytes and the 32-bit pattern `v`.
void print_labelled(const char* label, std::size_t n, std::uint32_t v);

/// The three texts one after the other, as print("%s%s%s") gives them.
void print_joined(const char* a, std::size_t na, const char* b, std::size_t nb, const char* c,
                  std::size_t nc);

/// What print("%u", v) gives, without reading a format.
void print_unsigned(std::uint32_t v);

/// What print("\t[%*.*s]\n", width, length, text) gives for a text of at least `length` bytes:
/// the line of an ASCII entry.
void print_text_line(const char* text, int length, int width);

/// The digits of hexadecimal numbers, lower and upper case.
inline constexpr char kHexDigits[] = "0123456789abcdef";
inline constexpr char kHexDigitsUpper[] = "0123456789ABCDEF";

/// What print("%#x") gives, for a number of any size (a file position past 4 GB).
void print_hex(std::uint64_t v);

/// Sends what print and emit_bytes write into `*text` instead of standard output; null sends it
/// to standard output again. For the fuzz target, which reads the document back.
void print_to_string(std::string* text);

/// Writes `n` bytes to standard output as they stand: the JSON document's way out,
/// through the same block as the text.
void emit_bytes(const char* bytes, std::size_t n);

/// True when the output goes out in blocks (print_in_blocks).
bool output_held();

/// With `on`, print keeps its text in a 64 KB block and passes it to standard output only when
/// the block is full or flush_output is called; without it (the default), every call passes its
/// text on at once, as std::printf does.
void print_in_blocks(bool on);

/// Passes the text that print holds to standard output and closes it: nothing may be printed
/// afterwards. False when any of the run's text could not be written there (a full disk, a
/// closed descriptor, a broken pipe, an error that only the close reports).
bool finish_output();

/// print() of a va_list.
void print_v(const char* format, va_list args);

/// The text print would write for `format` and `args`.
std::string format_text_v(const char* format, va_list args);

/// The text print would write, for tests that hold it against std::snprintf.
std::string format_text(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace pelnor

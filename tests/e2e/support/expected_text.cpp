#include "expected_text.h"

namespace pelnor::e2e {

std::string hex(std::uint32_t value) {
  if (value == 0) return "0";
  static const char kDigits[] = "0123456789abcdef";
  std::string digits;
  for (; value != 0; value >>= 4) digits.insert(digits.begin(), kDigits[value & 0xFu]);
  return "0x" + digits;
}

std::string signed_decimal(std::uint32_t value) {
  return std::to_string(static_cast<std::int32_t>(value));
}

std::string entry_line(std::uint32_t position, std::uint16_t tag, std::string_view type_name,
                       std::uint16_t type, std::uint32_t count, std::uint32_t value) {
  std::string where = hex(position);
  if (where.size() < 8) where.insert(0, 8 - where.size(), ' ');
  return where + ":Tag=" + hex(tag) + "[" + std::to_string(tag) +
         "] Type=" + std::string(type_name) + "[" + std::to_string(type) +
         "] Num=" + signed_decimal(count) + " offset=" + hex(value) + "[" + hex(value + 12u) +
         "]\n";
}

std::string dump_with_empty_ifd1(std::string_view ifd0_lines) {
  return std::string(kIfd0Heading) + std::string(ifd0_lines) + "\n" + std::string(kIfd1Heading) +
         "\n" + std::string(kNoThumbnail);
}

std::string creating_line(std::string_view out_name) {
  return "Createing thumbnail file[" + std::string(out_name) + "]...\n";
}

std::string done_line(std::string_view out_name) { return "done[" + std::string(out_name) + "]\n"; }

std::string write_error_line(std::string_view out_name) {
  return "File Write error for [" + std::string(out_name) + "]\n";
}

std::string cannot_create_line(std::string_view out_name) {
  return "Can't open file[" + std::string(out_name) + "], skip...\n";
}

std::string open_error_line(std::string_view name) {
  return "`" + std::string(name) + "' open error\n";
}

std::string unknown_option_line(std::string_view argument) {
  return "No such option(" + std::string(argument) + ")\n";
}

std::string extraction(std::string_view out_name, std::string_view kind_line) {
  return creating_line(out_name) + std::string(kind_line) + done_line(out_name);
}

}  // namespace pelnor::e2e

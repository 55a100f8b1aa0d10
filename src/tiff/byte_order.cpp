#include "tiff/byte_order.h"

namespace pelnor {

int byte_order_from_mark(std::uint8_t first, std::uint8_t second) {
  const unsigned mark = first + 256u * second;
  if (mark == 0x4949) return 1;  // "II"
  if (mark == 0x4D4D) return 0;  // "MM"
  return -1;
}

TagEntry* decode_entry(TagEntry* entry, const std::uint8_t* raw, int little_endian) {
  entry->tag = file16(raw, little_endian);
  entry->type = file16(raw + 2, little_endian);
  entry->count = file32(raw + 4, little_endian);
  const std::uint8_t* field = raw + 8;
  switch (entry->type) {
    case BYTE:
    case ASCII:
    case SBYTE:
      if (entry->count <= 4) {
        // The bytes themselves, in the order the file stores them, whatever its byte order.
        entry->value = field[0] | std::uint32_t{field[1]} << 8 | std::uint32_t{field[2]} << 16 |
                       std::uint32_t{field[3]} << 24;
        return entry;
      }
      break;
    case SHORT:
    case SSHORT:
      if (entry->count <= 2) {
        entry->value = file16(field, little_endian);  // of two inline values, the first
        return entry;
      }
      break;
    default:
      break;
  }
  entry->value = file32(field, little_endian);
  return entry;
}

}  // namespace pelnor

// Byte reversals, unaligned loads, the byte-order mark and the decoding of one IFD entry.
#include "tiff/byte_order.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tiff_bytes.h"

namespace pelnor {
namespace {

using unit::Bytes;
using unit::Entry;
using unit::HeapBytes;
using unit::Tiff;

TEST(Swap, ReversesBytes) {
  EXPECT_EQ(swap16(0x1234), 0x3412);
  EXPECT_EQ(swap16(0xABCD1234u), 0x3412) << "only the low 16 bits count";
  EXPECT_EQ(swap16(0x00FF), 0xFF00);
  EXPECT_EQ(swap32(0x12345678u), 0x78563412u);
  EXPECT_EQ(swap32(0xFF000000u), 0x000000FFu);
  EXPECT_EQ(swap32(swap32(0xDEADBEEFu)), 0xDEADBEEFu);
}

TEST(Load, ReadsHostOrderAtAnyAddress) {
  const HeapBytes block(Bytes{0x11, 0x22, 0x33, 0x44, 0x55, 0x66});
  for (std::size_t at = 0; at <= 2; ++at) {
    SCOPED_TRACE(at);
    std::uint16_t want16;
    std::uint32_t want32;
    std::memcpy(&want16, block.data() + at, 2);
    std::memcpy(&want32, block.data() + at, 4);
    EXPECT_EQ(load16(block.data() + at), want16);
    EXPECT_EQ(load32(block.data() + at), want32);
  }
  if (kHostLittleEndian) {
    EXPECT_EQ(load16(block.data() + 1), 0x3322);
    EXPECT_EQ(load32(block.data() + 1), 0x55443322u);
  }
  // Reads the last bytes of an exactly-sized block: nothing beyond them.
  EXPECT_EQ(load16(block.data() + 4), kHostLittleEndian ? 0x6655 : 0x5566);
}

TEST(ByteOrderMark, OnlyIIAndMMAreAccepted) {
  EXPECT_EQ(byte_order_from_mark('I', 'I'), 1);
  EXPECT_EQ(byte_order_from_mark('M', 'M'), 0);
  const std::uint8_t rejected[][2] = {{0x49, 0x4D}, {0x4D, 0x49}, {'i', 'i'},  {'m', 'm'},
                                      {0, 0},       {0x2A, 0},    {0xFF, 0xD8}};
  for (const auto& mark : rejected) {
    EXPECT_EQ(byte_order_from_mark(mark[0], mark[1]), -1) << int{mark[0]} << " " << int{mark[1]};
  }
}

TEST(FileOrder, ReadsNumbersInEitherOrder) {
  const HeapBytes block(Bytes{0x12, 0x34, 0x56, 0x78});
  EXPECT_EQ(file16(block.data(), 1), 0x3412);
  EXPECT_EQ(file16(block.data(), 0), 0x1234);
  EXPECT_EQ(file32(block.data(), 1), 0x78563412u);
  EXPECT_EQ(file32(block.data(), 0), 0x12345678u);
}

TEST(ReadAt, RefusesNumbersNotWhollyInside) {
  const HeapBytes block(Bytes{0x01, 0x02, 0x03, 0x04, 0x05, 0x06});
  const TiffData data = block.tiff();
  std::uint16_t v16 = 0xAAAA;
  std::uint32_t v32 = 0xAAAAAAAAu;
  EXPECT_TRUE(read16_at(data, 4, 0, &v16));
  EXPECT_EQ(v16, 0x0506);
  EXPECT_TRUE(read32_at(data, 2, 1, &v32));
  EXPECT_EQ(v32, 0x06050403u);

  v16 = 0xAAAA;
  v32 = 0xAAAAAAAAu;
  const std::uint64_t outside16[] = {5, 6, 7, 0xFFFFFFFFu, 0xFFFFFFFEu, 0x100000000ull};
  for (std::uint64_t at : outside16) {
    EXPECT_FALSE(read16_at(data, at, 1, &v16)) << at;
  }
  const std::uint64_t outside32[] = {3, 6, 0xFFFFFFFCu, 0xFFFFFFFFu};
  for (std::uint64_t at : outside32) {
    EXPECT_FALSE(read32_at(data, at, 0, &v32)) << at;
  }
  EXPECT_EQ(v16, 0xAAAA) << "a refused read leaves the result untouched";
  EXPECT_EQ(v32, 0xAAAAAAAAu);
}

TEST(TiffDataContains, ChecksWithoutWrapping) {
  const std::uint8_t bytes[10] = {};
  const TiffData data{bytes, 10};
  EXPECT_TRUE(data.contains(0, 10));
  EXPECT_TRUE(data.contains(10, 0));
  EXPECT_TRUE(data.contains(6, 4));
  EXPECT_FALSE(data.contains(6, 5));
  EXPECT_FALSE(data.contains(11, 0));
  EXPECT_FALSE(data.contains(0, 11));
  EXPECT_FALSE(data.contains(0xFFFFFFFFu, 2)) << "would wrap to 1 in 32 bits";
  EXPECT_FALSE(data.contains(4, 0xFFFFFFFEu)) << "would wrap to 2 in 32 bits";
  EXPECT_FALSE(data.contains(0xFFFFFFFFFFFFFFF0ull, 0x20));
}

// decode_entry on the 12 raw bytes alone, in an exactly-sized block.
TagEntry decode(const Bytes& raw12, int little_endian) {
  EXPECT_EQ(raw12.size(), 12u);
  const HeapBytes block(raw12);
  TagEntry entry{0xEEEE, 0xEEEE, 0xEEEEEEEEu, 0xEEEEEEEEu};
  EXPECT_EQ(decode_entry(&entry, block.data(), little_endian), &entry);
  return entry;
}

Bytes encode(const Entry& e, int little_endian) {
  Tiff t(little_endian);
  t.put_entry(8, e);
  return Bytes(t.bytes.begin() + 8, t.bytes.begin() + 20);
}

std::uint32_t memory_word(const std::uint8_t (&b)[4]) {
  std::uint32_t v;
  std::memcpy(&v, b, 4);
  return v;
}

// Every row of the value table, in both byte orders.
TEST(DecodeEntry, ChoosesTheValueByTypeAndCount) {
  struct Case {
    const char* what;
    Entry entry;
    bool raw_bytes;        ///< value is the four field bytes as stored
    std::uint32_t number;  ///< otherwise the expected value
  };
  const std::uint32_t kWord = 0x01020304u;
  const Case cases[] = {
      {"BYTE count 0", unit::raw(1, BYTE, 0, {1, 2, 3, 4}), true, 0},
      {"BYTE count 1", unit::raw(1, BYTE, 1, {9, 0, 0, 0}), true, 0},
      {"BYTE count 4", unit::raw(1, BYTE, 4, {1, 2, 3, 4}), true, 0},
      {"ASCII count 4", unit::raw(1, ASCII, 4, {'A', 'B', 'C', 0}), true, 0},
      {"ASCII count 0", unit::raw(1, ASCII, 0, {0xFF, 0, 0x80, 0x7F}), true, 0},
      {"SBYTE count 3", unit::raw(1, SBYTE, 3, {0xFF, 0xFE, 0xFD, 0}), true, 0},
      {"BYTE count 5", unit::word(1, BYTE, 5, kWord), false, kWord},
      {"ASCII count 5", unit::word(1, ASCII, 5, 128), false, 128},
      {"SBYTE count max", unit::word(1, SBYTE, 0xFFFFFFFFu, kWord), false, kWord},
      {"SHORT count 0", unit::shorts(1, SHORT, 0, 258, 7), false, 258},
      {"SHORT count 1", unit::shorts(1, SHORT, 1, 258, 7), false, 258},
      {"SHORT count 2", unit::shorts(1, SHORT, 2, 2, 1), false, 2},
      {"SSHORT count 1 of -1", unit::shorts(1, SSHORT, 1, 0xFFFF, 0xFFFF), false, 65535},
      {"SSHORT count 2", unit::shorts(1, SSHORT, 2, 0x8000, 1), false, 0x8000},
      {"SHORT count 3", unit::word(1, SHORT, 3, 256), false, 256},
      {"SSHORT count 3", unit::word(1, SSHORT, 3, kWord), false, kWord},
      {"LONG count 0", unit::word(1, LONG, 0, kWord), false, kWord},
      {"LONG count 1", unit::word(1, LONG, 1, 0xFFFFFFFFu), false, 0xFFFFFFFFu},
      {"RATIONAL", unit::word(1, RATIONAL, 1, kWord), false, kWord},
      {"UNDEFINED count 4", unit::word(1, UNDEFINED, 4, 0x30323130u), false, 0x30323130u},
      {"UNDEFINED count 1", unit::word(1, UNDEFINED, 1, kWord), false, kWord},
      {"SLONG", unit::word(1, SLONG, 1, 0x80000000u), false, 0x80000000u},
      {"SRATIONAL", unit::word(1, SRATIONAL, 2, kWord), false, kWord},
      {"FLOAT", unit::word(1, FLOAT, 1, kWord), false, kWord},
      {"DOUBLE", unit::word(1, DOUBLE, 1, kWord), false, kWord},
      {"type 0", unit::word(1, 0, 1, 5), false, 5},
      {"type 0 count 0", unit::word(1, 0, 0, kWord), false, kWord},
      {"type 13", unit::word(1, 13, 1, 5), false, 5},
      {"type 200", unit::word(1, 200, 2, kWord), false, kWord},
      {"type 65535", unit::word(1, 0xFFFF, 1, kWord), false, kWord},
  };
  for (int le : unit::kBothOrders) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + " " + unit::order_name(le));
      const TagEntry e = decode(encode(c.entry, le), le);
      EXPECT_EQ(e.tag, c.entry.tag);
      EXPECT_EQ(e.type, c.entry.type);
      EXPECT_EQ(e.count, c.entry.count);
      if (c.raw_bytes) {
        EXPECT_EQ(e.value, memory_word(c.entry.raw)) << "the bytes as stored, never reversed";
        EXPECT_EQ(e.value, c.entry.raw[0] + 256u * c.entry.raw[1] + 65536u * c.entry.raw[2] +
                               16777216u * c.entry.raw[3]);
      } else {
        EXPECT_EQ(e.value, c.number);
      }
    }
  }
}

TEST(DecodeEntry, DecodesTagTypeAndCountInTheFileOrder) {
  for (int le : unit::kBothOrders) {
    SCOPED_TRACE(unit::order_name(le));
    const TagEntry e = decode(encode(unit::word(0x1234, 0xABCD, 0x89ABCDEFu, 0), le), le);
    EXPECT_EQ(e.tag, 0x1234);
    EXPECT_EQ(e.type, 0xABCD);
    EXPECT_EQ(e.count, 0x89ABCDEFu);
  }
}

// Literal entries, written out byte for byte.
TEST(DecodeEntry, LiteralEntries) {
  struct Case {
    const char* what;
    int little_endian;
    Bytes raw;
    std::uint32_t value;  ///< as a number
  };
  const Case cases[] = {
      {"MM SHORT 1", 0, {0x01, 0x12, 0x00, 0x03, 0, 0, 0, 1, 0x01, 0x02, 0x00, 0x00}, 258},
      {"II SHORT 2", 1, {0x12, 0x01, 0x03, 0x00, 2, 0, 0, 0, 0x02, 0x00, 0x01, 0x00}, 2},
      {"MM SSHORT -1", 0, {0x01, 0x12, 0x00, 0x08, 0, 0, 0, 1, 0xFF, 0xFF, 0x00, 0x00}, 65535},
      {"MM SHORT 3", 0, {0x01, 0x02, 0x00, 0x03, 0, 0, 0, 3, 0x00, 0x00, 0x01, 0x00}, 256},
      {"MM ASCII 4", 0, {0x01, 0x0F, 0x00, 0x02, 0, 0, 0, 4, 0x41, 0x42, 0x43, 0x00}, 0x00434241u},
      {"MM UNDEFINED 4",
       0,
       {0x90, 0x00, 0x00, 0x07, 0, 0, 0, 4, 0x30, 0x32, 0x31, 0x30},
       0x30323130u},
      {"MM ASCII 5", 0, {0x01, 0x0F, 0x00, 0x02, 0, 0, 0, 5, 0x00, 0x00, 0x00, 0x80}, 128},
      {"MM type 0", 0, {0x01, 0x0F, 0x00, 0x00, 0, 0, 0, 1, 0x00, 0x00, 0x00, 0x05}, 5},
      {"MM type 13", 0, {0x01, 0x0F, 0x00, 0x0D, 0, 0, 0, 1, 0x00, 0x00, 0x00, 0x05}, 5},
      {"II ASCII 4", 1, {0x0F, 0x01, 0x02, 0x00, 4, 0, 0, 0, 0x41, 0x42, 0x43, 0x00}, 0x00434241u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TagEntry e = decode(c.raw, c.little_endian);
    EXPECT_EQ(e.value, c.value);
  }
  // In memory: ASCII keeps the file's order, UNDEFINED is reversed like a LONG.
  TagEntry ascii = decode(cases[4].raw, 0);
  TagEntry undefined = decode(cases[5].raw, 0);
  std::uint8_t b[4];
  std::memcpy(b, &ascii.value, 4);
  EXPECT_EQ(Bytes(b, b + 4), (Bytes{0x41, 0x42, 0x43, 0x00}));
  std::memcpy(b, &undefined.value, 4);
  EXPECT_EQ(Bytes(b, b + 4), (Bytes{0x30, 0x31, 0x32, 0x30}));
}

}  // namespace
}  // namespace pelnor

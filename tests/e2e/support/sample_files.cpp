#include "sample_files.h"

#include "expected_text.h"

namespace pelnor::e2e {

using testing::ExifBuilder;
using testing::Order;

testing::Bytes smallest_file() {
  ExifBuilder b(Order::kII);
  b.ifd1();
  return b.build();
}

std::string smallest_file_output() { return dump_with_empty_ifd1(""); }

testing::Bytes jpeg_thumbnail_file(Order order) {
  ExifBuilder b(order);
  add_jpeg_thumbnail(b, testing::tiny_jpeg());
  return b.build();
}

std::string jpeg_thumbnail_dump() {
  // IFD0 at 8 takes 6 bytes, IFD1 at 14 takes 42, the stream of 316 bytes starts at 56.
  return std::string(kIfd0Heading) + "\n" + std::string(kIfd1Heading) +
         "    0x1c:Tag=0x103[259] Type=SHORT[3] Num=1 offset=0x6[0x12]\n"
         "\tCompression: [Other]\n"
         "    0x28:Tag=0x201[513] Type=LONG[4] Num=1 offset=0x38[0x44]\n"
         "\tJPEG Thumbnail Offset: 56\n"
         "    0x34:Tag=0x202[514] Type=LONG[4] Num=1 offset=0x13c[0x148]\n"
         "\tJPEG Thumbnail Length: 316\n"
         "\n";
}

}  // namespace pelnor::e2e

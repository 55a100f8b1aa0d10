// Kodak's IFD-shaped maker notes: the names of the maker's tags, the directories its entries lead
// to and the entries that give its previews.
#include "makernote/name_rules.h"

namespace pelnor {
namespace {

constexpr ExifTag kKodakTags[] = {
    {0xFC00, "SubIFD0"}, {0xFC01, "SubIFD1"},   {0xFC02, "SubIFD2"},
    {0xFC03, "SubIFD3"}, {0xFC04, "SubIFD4"},   {0xFC05, "SubIFD5"},
    {0xFC06, "SubIFD6"}, {0xFCFF, "SubIFD255"}, {0xFF00, "CameraInfo"},
};

// Its sub-directories are held in the entries' bytes (the first after a byte-order mark) or
// pointed to; but for the first, their offsets count from where each starts.
#define PELNOR_KODAK_SUB(tag, name)                                                  \
  {tag, nullptr, name, SUBDIR_HELD, 0, ORDER_PARENT, true, nullptr, 0, &kUnnamed}, { \
    tag, nullptr, name, SUBDIR_POINTER, 0, ORDER_PARENT, true, nullptr, 0, &kUnnamed \
  }
constexpr MakerSubdirectory kKodakSubdirectories[] = {
    {0xFC00, nullptr, "SubIFD0", SUBDIR_HELD, 2, ORDER_HEADER, true, nullptr, 0, &kUnnamed},
    {0xFC00, nullptr, "SubIFD0", SUBDIR_POINTER, 0, ORDER_PARENT, false, nullptr, 0, &kUnnamed},
    PELNOR_KODAK_SUB(0xFC01, "SubIFD1"),
    PELNOR_KODAK_SUB(0xFC02, "SubIFD2"),
    PELNOR_KODAK_SUB(0xFC03, "SubIFD3"),
    PELNOR_KODAK_SUB(0xFC04, "SubIFD4"),
    PELNOR_KODAK_SUB(0xFC05, "SubIFD5"),
    PELNOR_KODAK_SUB(0xFC06, "SubIFD6"),
    {0xFCFF, nullptr, "SubIFD255", SUBDIR_HELD, 0, ORDER_PARENT, false, nullptr, 0, &kUnnamed},
    {0xFF00, nullptr, "CameraInfo", SUBDIR_POINTER, 0, ORDER_PARENT, false, nullptr, 0, &kUnnamed},
};
#undef PELNOR_KODAK_SUB

static_assert(sorted(kKodakTags));

}  // namespace

const MakerNames kKodakNames = names_of(kKodakTags, kKodakSubdirectories);

}  // namespace pelnor

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

// The names of the tags of its sub-directories (SubIFD255 is named as SubIFD0).
constexpr ExifTag kKodakSubIFD0Tags[] = {
    {0xFA02, "SceneMode"},
    {0xFA19, "SerialNumber"},
    {0xFA1D, "KodakImageWidth"},
    {0xFA1E, "KodakImageHeight"},
    {0xFA20, "SensorWidth"},
    {0xFA21, "SensorHeight"},
    {0xFA23, "FNumber"},
    {0xFA24, "ExposureTime"},
    {0xFA2E, "ISO"},
    {0xFA3D, "OpticalZoom"},
    {0xFA46, "ISO"},
    {0xFA51, "KodakImageWidth"},
    {0xFA52, "KodakImageHeight"},
    {0xFA54, "ThumbnailWidth"},
    {0xFA55, "ThumbnailHeight"},
    {0xFA57, "PreviewImageWidth"},
    {0xFA58, "PreviewImageHeight"},
};
constexpr MakerNames kKodakSubIFD0Names = names_of(kKodakSubIFD0Tags);

constexpr ExifTag kKodakSubIFD1Tags[] = {
    {0x0027, "ISO"},
    {0x0028, "ISO"},
};
constexpr MakerNames kKodakSubIFD1Names = names_of(kKodakSubIFD1Tags);

constexpr ExifTag kKodakSubIFD2Tags[] = {
    {0x6002, "SceneModeUsed"}, {0x6006, "OpticalZoom"}, {0x6103, "MaxAperture"},
    {0xF002, "SceneModeUsed"}, {0xF006, "OpticalZoom"}, {0xF103, "FNumber"},
    {0xF104, "ExposureTime"},  {0xF105, "ISO"},
};
constexpr MakerNames kKodakSubIFD2Names = names_of(kKodakSubIFD2Tags);

constexpr ExifTag kKodakSubIFD3Tags[] = {
    {0x1000, "OpticalZoom"},
};
constexpr MakerNames kKodakSubIFD3Names = names_of(kKodakSubIFD3Tags);

constexpr ExifTag kKodakSubIFD5Tags[] = {
    {0x000F, "OpticalZoom"},
};
constexpr MakerNames kKodakSubIFD5Names = names_of(kKodakSubIFD5Tags);

constexpr ExifTag kKodakCameraInfoTags[] = {
    {0xF900, "SensorWidth"},      {0xF901, "SensorHeight"},     {0xF902, "BayerPattern"},
    {0xF903, "SensorFullWidth"},  {0xF904, "SensorFullHeight"}, {0xF907, "KodakImageWidth"},
    {0xF908, "KodakImageHeight"}, {0xFA00, "KodakInfoType"},    {0xFA04, "SerialNumber"},
    {0xFD04, "FNumber"},          {0xFD05, "ExposureTime"},     {0xFD06, "ISO"},
};
constexpr MakerNames kKodakCameraInfoNames = names_of(kKodakCameraInfoTags);

// Its sub-directories are held in the entries' bytes or pointed to. SubIFD1 to SubIFD6 begin
// with a byte-order mark, either way, and their offsets count from that mark; SubIFD0 has the
// mark only when held, and counts from its mark then, from the maker note's base when pointed
// to; SubIFD255 and CameraInfo count from the maker note's base.
#define PELNOR_KODAK_SUB(tag, name, names)                                       \
  {tag, nullptr, name, SUBDIR_HELD, 2, ORDER_HEADER, true, nullptr, 0, names}, { \
    tag, nullptr, name, SUBDIR_POINTER, 2, ORDER_HEADER, true, nullptr, 0, names \
  }
constexpr MakerSubdirectory kKodakSubdirectories[] = {
    {0xFC00, nullptr, "SubIFD0", SUBDIR_HELD, 2, ORDER_HEADER, true, nullptr, 0,
     &kKodakSubIFD0Names},
    {0xFC00, nullptr, "SubIFD0", SUBDIR_POINTER, 0, ORDER_PARENT, false, nullptr, 0,
     &kKodakSubIFD0Names},
    PELNOR_KODAK_SUB(0xFC01, "SubIFD1", &kKodakSubIFD1Names),
    PELNOR_KODAK_SUB(0xFC02, "SubIFD2", &kKodakSubIFD2Names),
    PELNOR_KODAK_SUB(0xFC03, "SubIFD3", &kKodakSubIFD3Names),
    PELNOR_KODAK_SUB(0xFC04, "SubIFD4", &kUnnamed),
    PELNOR_KODAK_SUB(0xFC05, "SubIFD5", &kKodakSubIFD5Names),
    PELNOR_KODAK_SUB(0xFC06, "SubIFD6", &kUnnamed),
    {0xFCFF, nullptr, "SubIFD255", SUBDIR_HELD, 0, ORDER_PARENT, false, nullptr, 0,
     &kKodakSubIFD0Names},
    {0xFF00, nullptr, "CameraInfo", SUBDIR_POINTER, 0, ORDER_PARENT, false, nullptr, 0,
     &kKodakCameraInfoNames},
};
#undef PELNOR_KODAK_SUB

static_assert(sorted(kKodakTags) && sorted(kKodakSubIFD0Tags) && sorted(kKodakSubIFD1Tags) &&
              sorted(kKodakSubIFD2Tags) && sorted(kKodakSubIFD3Tags) && sorted(kKodakSubIFD5Tags) &&
              sorted(kKodakCameraInfoTags));

}  // namespace

const MakerNames kKodakNames = names_of(kKodakTags, kKodakSubdirectories);

}  // namespace pelnor

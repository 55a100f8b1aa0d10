// The pictures a JPEG's APPn segments hold: the JFXX and JFIF thumbnails, the MPF images,
// Photoshop's thumbnail and the FlashPix preview.
#pragma once

#include <cstdint>

#include "io/byte_source.h"
#include "jpeg/mpf.h"
#include "jpeg/segments.h"
#include "tiff/picture.h"

namespace pelnor {

/// Finds the pictures of the segments of the walk `record` (over the `size` head bytes at
/// `head`), up to SOS: the MPF images after the first (from `*mpf`, read and parsed here unless
/// -a read it whole), the JFXX and JFIF thumbnails, Photoshop's thumbnail (its resource may run
/// across several APP13 segments) and the FlashPix preview (kept in streams over APP2
/// segments), their bytes read through `file`. `segment` is a scratch block of kSegmentMax
/// bytes. Returns false when a read failed.
bool find_segment_pictures(const std::uint8_t* head, std::uint32_t size, SegmentRecord& record,
                           ByteSource& file, std::uint8_t* segment, Mpf* mpf, PictureList* list);

}  // namespace pelnor

// The makers' name tables (maker_tags.cpp), for the layouts that read them.
#pragma once

#include "makernote/placement.h"

namespace pelnor {

extern const MakerNames kAppleNames;
extern const MakerNames kCanonNames;
extern const MakerNames kCasioNames;
extern const MakerNames kCasio2Names;
extern const MakerNames kFujifilmNames;
extern const MakerNames kKodakNames;
extern const MakerNames kMinoltaNames;
extern const MakerNames kNikonNames;
extern const MakerNames kNikon2Names;
extern const MakerNames kOlympusNames;
extern const MakerNames kPanasonicNames;
extern const MakerNames kPentaxNames;
extern const MakerNames kRicohNames;
extern const MakerNames kSamsungNames;
extern const MakerNames kSanyoNames;
extern const MakerNames kSigmaNames;
extern const MakerNames kSigma3Names;
extern const MakerNames kSonyNames;
extern const MakerNames kSonyEricssonNames;
/// No names: every entry shows its number.
extern const MakerNames kUnnamed;

}  // namespace pelnor

// What both output forms call the things the readers report: a directory's name, a note's text.
#pragma once

#include <cstddef>
#include <string>

#include "report/sink.h"

namespace pelnor {

/// Bytes directory_name writes at most.
inline constexpr std::size_t kDirectoryNameMax = 128;

/// The name of a directory's block, as its heading gives it before " dumping...:" ("0th IFD",
/// "Exif IFD", "MakerNote CameraSettings IFD", "IFD1 SubIFD2"), into `out`; returns its length.
std::size_t directory_name(const Directory& directory, char (&out)[kDirectoryNameMax]);

/// What a note says, as its line gives it between the tab and angle brackets.
std::string note_text(const Note& note);

/// What a picture's bytes are, by PictureForm (FORM_JPEG, FORM_RGB, FORM_PALETTE): "JPEG", "RGB",
/// "palette".
const char* picture_form_name(std::uint8_t form);

/// The MP type an MPF image's code names, as CIPA DC-007 lists them; null for a code it does
/// not list.
const char* mp_type_name(std::uint32_t code);

/// A box's or chunk's type as both forms name it: its four characters, or "0x" and its eight
/// hexadecimal digits when one of them is not printable. Returns its length.
std::size_t type_text(const char (&type)[5], char (&out)[11]);

/// The heading of a map, less " dumping...:" ("ISO BMFF boxes").
const char* map_name(MapKind kind);

/// The layout's name ("offset-6", "heif", "png-raw-profile").
const char* layout_name(TiffLayout layout);

/// Why a map stopped short, as its last line says it; null for a map that reached SOS or EOI.
const char* map_stop_text(MapStop stop);

}  // namespace pelnor

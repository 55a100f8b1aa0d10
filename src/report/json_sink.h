// The JSON document of -j: one array over the run, one object per file, built from the readers'
// calls, never from formatted text.
#pragma once

#include <cstddef>
#include <string>

#include "report/json_writer.h"
#include "report/output.h"
#include "report/sink.h"

namespace pelnor {

class JsonSink final : public Sink {
 public:
  void run_begin() override;
  void run_end() override;
  void file_begin(const char* name) override;
  void file_result(FileResult result) override { result_ = result; }
  void file_end() override;
  void map_begin(MapKind kind) override;
  void map_element(const MapElement& element) override;
  void map_end(MapStop stop) override;
  void tiff(const TiffLocation& location) override;
  void directory_begin(const Directory& directory) override;
  void entry(const Entry& entry, ValueView& value) override;
  void note(const Note& note) override;
  void directory_end() override;
  void thumbnail(const ThumbnailReport& thumbnail, bool extracting) override;
  void picture(const PictureReport& picture) override;
  void output_begin(const char* name) override;
  void output_writing(std::int32_t) override {}
  void output_end(OutputResult result, const char* name) override;
  void item_end() override { writer_.end_object(); }
  void facts(const FactList& facts) override;

 private:
  /// The array members of a file's object, in the order they come.
  enum Section : std::uint8_t {
    SEGMENTS,
    BOXES,
    CHUNKS,
    ITEMS,
    RAF,
    MAP_NOTES,
    MPF,
    DIRECTORIES,
    PICTURES,
    NONE
  };
  void quotients(ValueView& value, std::uint32_t n);
  void fact(const Fact& fact);
  void container_element(const MapElement& element);
  void open_section(Section section);
  void close_section();
  void numbers(ValueView& value);
  void bytes(const ValueView& value);
  void rest(std::uint32_t count, std::uint32_t listed, bool cut);

  JsonWriter writer_;
  int files_ = 0;
  bool file_open_ = false;
  Section section_ = NONE;
  MapKind map_ = MAP_JPEG_SEGMENTS;
  bool directory_open_ = false;
  FileResult result_ = RESULT_HANDLED;
  // A block's lines that are no entries, written as its "notes" when it closes.
  static constexpr int kMostNotes = 8;
  static constexpr std::size_t kNoteMax = 160;
  std::string notes_[kMostNotes];
  int note_count_ = 0;
};

}  // namespace pelnor

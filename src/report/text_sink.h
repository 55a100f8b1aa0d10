// The text output: every line the tool prints, made from the readers' calls.
#pragma once

#include "report/sink.h"

namespace pelnor {

class TextSink final : public Sink {
 public:
  /// `name_files`: a line "==> NAME <==" before each file's first line (-n).
  explicit TextSink(bool name_files) : name_files_(name_files) {}

  void file_begin(const char* name) override;
  void file_result(FileResult result) override;
  void file_end() override {}
  void map_begin(MapKind kind) override;
  void map_element(const MapElement& element) override;
  void map_end(MapStop stop) override;
  void tiff(const TiffLocation&) override {}
  void directory_begin(const Directory& directory) override;
  void entry(const Entry& entry, ValueView& value) override;
  void note(const Note& note) override;
  void directory_end() override;
  void thumbnail(const ThumbnailReport& thumbnail, bool extracting) override;
  void picture(const PictureReport& picture) override;
  void output_begin(const char* name) override;
  void output_writing(std::int32_t kind) override;
  void output_end(OutputResult result, const char* name) override;
  void item_end() override {}
  void facts(const FactList& facts) override;

 private:
  bool name_files_;
  const char* name_ = "";
  /// The open directory is IFD0 or IFD1, whose entries get the decoded lines of old.
  bool legacy_ = false;
};

}  // namespace pelnor

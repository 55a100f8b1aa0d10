// The sink that hands every call on to the run's own sink and reads the facts from the
// directories on the way: the facts are one more consumer of the one walk. Once a file's
// directories are done (at its thumbnail report, or the result that ends it), the facts go to
// the run's sink, before that report.
#pragma once

#include "facts/fact_finder.h"
#include "report/sink.h"

namespace pelnor {

class FactSink final : public Sink {
 public:
  explicit FactSink(Sink& inner) : inner_(inner) {}

  void run_begin() override { inner_.run_begin(); }
  void run_end() override { inner_.run_end(); }
  void file_begin(const char* name) override;
  void file_result(FileResult result) override;
  void file_end() override { inner_.file_end(); }
  void map_begin(MapKind kind) override { inner_.map_begin(kind); }
  void map_element(const MapElement& element) override;
  void map_end(MapStop stop) override { inner_.map_end(stop); }
  void tiff(const TiffLocation& location) override { inner_.tiff(location); }
  void directory_begin(const Directory& directory) override;
  void entry(const Entry& entry, ValueView& value) override;
  void note(const Note& note) override;
  void directory_end() override { inner_.directory_end(); }
  void thumbnail(const ThumbnailReport& thumbnail, bool extracting) override;
  void picture(const PictureReport& picture) override;
  void output_begin(const char* name) override;
  void output_writing(std::int32_t kind) override { inner_.output_writing(kind); }
  void output_end(OutputResult result, const char* name) override {
    inner_.output_end(result, name);
  }
  void item_end() override { inner_.item_end(); }

 private:
  // The facts of the file, once, before its first report after the directories.
  void emit();

  Sink& inner_;
  FactFinder finder_;
  FactList list_;
  bool emitted_ = false;
};

}  // namespace pelnor

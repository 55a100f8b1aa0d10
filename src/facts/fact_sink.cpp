#include "facts/fact_sink.h"

namespace pelnor {

void FactSink::file_begin(const char* name) {
  finder_.reset();
  emitted_ = false;
  inner_.file_begin(name);
}

void FactSink::emit() {
  if (emitted_) return;
  emitted_ = true;
  if (!finder_.any()) return;
  finder_.finish(&list_);
  if (!list_.facts.empty() || !list_.notes.empty()) inner_.facts(list_);
}

void FactSink::file_result(FileResult result) {
  // A file that could not be read past its directories states nothing of them.
  if (result != RESULT_OPEN_ERROR) emit();
  inner_.file_result(result);
}

void FactSink::map_element(const MapElement& element) {
  finder_.segment(element);
  inner_.map_element(element);
}

void FactSink::directory_begin(const Directory& directory) {
  finder_.directory_begin(directory);
  inner_.directory_begin(directory);
}

void FactSink::entry(const Entry& entry, ValueView& value) {
  finder_.entry(entry, value);
  inner_.entry(entry, value);
}

void FactSink::note(const Note& note) {
  finder_.note(note);
  inner_.note(note);
}

void FactSink::thumbnail(const ThumbnailReport& thumbnail, bool extracting) {
  emit();
  inner_.thumbnail(thumbnail, extracting);
}

void FactSink::picture(const PictureReport& picture) {
  emit();
  inner_.picture(picture);
}

void FactSink::output_begin(const char* name) {
  emit();
  inner_.output_begin(name);
}

}  // namespace pelnor

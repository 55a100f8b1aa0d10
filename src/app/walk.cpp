#include "app/walk.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "app/outputs.h"
#include "facts/fact_sink.h"
#include "report/json_sink.h"
#include "report/text_sink.h"

namespace pelnor {
namespace {

// The extensions -r reads: the JPEG family, camera thumbnails and Exif sidecars, the TIFF
// family with the camera raw formats built on it, Fujifilm's raw files, and the containers that
// keep Exif beside their pictures.
constexpr const char* kExtensions[] = {"jpg", "jpeg", "jpe", "jfif", "jif", "mpo", "thm", "exif",
                                       "tif", "tiff", "dng", "nef",  "nrw", "cr2", "arw", "srf",
                                       "sr2", "orf",  "pef", "rw2",  "rwl", "raw", "srw", "erf",
                                       "kdc", "dcr",  "mrw", "3fr",  "iiq", "mef", "mos", "raf",
                                       "heic", "heif", "hif", "avif", "cr3", "webp", "png", "jxl"};

bool equal_nocase(const char* a, const char* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    const char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
    if (x != b[i]) return false;
  }
  return true;
}

bool picture_file(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return false;
  const std::size_t length = name.size() - dot - 1;
  for (const char* extension : kExtensions) {
    if (std::strlen(extension) == length &&
        equal_nocase(name.data() + dot + 1, extension, length)) {
      return !written_by_pelnor(name);
    }
  }
  return false;
}

// Deeper directories than this are not walked: no real tree comes near it.
constexpr int kMostDirectoryDepth = 256;

}  // namespace

bool Run::file(const char* name) {
  // In a walk, the path below the folder walked, for the names of -d's outputs.
  session_.relative = root_ != 0 ? name + root_ : nullptr;
  const int code = process_file(session_, name);
  session_.relative = nullptr;
  if (code == kExitOk) return true;
  exit_code_ = kExitStopped;  // as make -k: the run goes on, its end tells
  return session_.options.keep_going;
}

bool Run::directory(const std::string& name, int depth) {
  Platform& platform = session_.platform;
  std::vector<DirectoryEntry> entries;
  if (depth > kMostDirectoryDepth || !platform.list_directory(name.c_str(), &entries)) {
    session_.sink.file_begin(name.c_str());
    cannot_read(session_);
    session_.sink.file_end();
    exit_code_ = kExitStopped;
    return session_.options.keep_going;
  }
  for (DirectoryEntry& e : entries) {
    if (e.kind == DirectoryEntry::kDirectory) e.name += '/';
  }
  std::sort(entries.begin(), entries.end(),
            [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
  const char separator = platform.path_separator();
  std::string path;
  for (DirectoryEntry& e : entries) {
    if (e.kind == DirectoryEntry::kDirectory) e.name.pop_back();
    if (e.kind == DirectoryEntry::kOther ||
        (e.kind == DirectoryEntry::kFile && !picture_file(e.name))) {
      continue;
    }
    path = name;
    if (path.back() != '/' && path.back() != separator) path += separator;
    path += e.name;
    const bool go_on =
        e.kind == DirectoryEntry::kDirectory ? directory(path, depth + 1) : file(path.c_str());
    if (!go_on) return false;
  }
  return true;
}

bool Run::walk(const char* name) {
  const std::size_t n = std::strlen(name);
  const char last = n == 0 ? '\0' : name[n - 1];
  root_ = last == '/' || last == session_.platform.path_separator() ? n : n + 1;
  const bool go_on = directory(name, 0);
  root_ = 0;
  return go_on;
}

int Run::finish() const {
  // A thumbnail that could not be created or written fails the run at its end.
  return session_.thumbnail_failed ? kExitStopped : exit_code_;
}

int run(int argc, char** argv, Platform& platform) {
  Options options;
  parse_options(&argc, argv, &options);
  if (options.help) {
    print_help();
    return kExitHelp;
  }
  // The directory of -d is checked before any input is read: a run that could not write its
  // outputs there writes none.
  if (options.out_dir_missing) {
    std::fprintf(stderr, "Option -d needs a directory\n");
    return kExitStopped;
  }
  if (options.out_dir != nullptr && !platform.writable_directory(options.out_dir)) {
    std::fprintf(stderr, "Output directory [%s] does not exist or cannot be written\n",
                 options.out_dir);
    return kExitStopped;
  }
  // The output form is chosen once: the readers report to whichever sink it is.
  std::unique_ptr<Sink> sink;
  if (options.json) {
    sink = std::make_unique<JsonSink>();
  } else {
    sink = std::make_unique<TextSink>(options.name);
  }
  // The facts are read on the way to the sink: with -j into the document, with -a into a
  // block of the text.
  std::unique_ptr<Sink> facts;
  if (options.json || options.all) facts = std::make_unique<FactSink>(*sink);
  Sink& out = facts ? *facts : *sink;
  out.run_begin();
  // The session's buffers are too large for a thread's stack on every system.
  auto run = std::make_unique<Run>(platform, options, out);
  for (int i = 1; i < argc; ++i) {
    const bool go_on = options.recursive && platform.is_directory(argv[i])
                           ? run->walk(argv[i])
                           : run->file(argv[i]);
    if (!go_on) break;
  }
  // The document is closed however the run ended.
  out.run_end();
  return run->finish();
}

}  // namespace pelnor

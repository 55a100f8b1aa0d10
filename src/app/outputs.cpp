#include "app/outputs.h"

#include <cstring>
#include <string_view>

#include "report/output.h"

namespace pelnor {
namespace {

// What each source's pictures add to the input's name, by source; an MPF image's and a SubIFD's
// number follows. -r leaves out the names they make.
constexpr const char* kSuffixes[] = {".mpf",      ".preview", ".other",  ".jfxx",
                                     ".jfif",     ".photoshop", ".flashpix", ".ifd0",
                                     ".subifd",   ".preview", ".full"};
static_assert(sizeof kSuffixes / sizeof kSuffixes[0] == PIC_FULL + 1);

bool numbered(int source) { return source == PIC_MPF || source == PIC_SUBIFD; }

}  // namespace

FileHandle create_output(Session& session, const char* out) {
  session.sink.output_begin(out);
  Platform& platform = session.platform;
  FileHandle file;
  if (const char* out_dir = session.options.out_dir) {
    // Under -d the folders below the directory are made as needed, and a file already there
    // is never written over.
    const char separator = platform.path_separator();
    std::string folder(out);
    for (std::size_t at = std::strlen(out_dir) + 1; at < folder.size(); ++at) {
      if (folder[at] != '/' && folder[at] != separator) continue;
      const char kept = folder[at];
      folder[at] = '\0';
      platform.make_directory(folder.c_str());
      folder[at] = kept;
    }
    file = platform.create_new(out);
  } else {
    file = platform.create_write(out);
  }
  if (file == kInvalidFile) {
    session.thumbnail_failed = true;
    session.sink.output_end(OUTPUT_CANNOT_CREATE, out);
  }
  return file;
}

std::int64_t read_spans(ByteSource& input, const Span* spans, int count, std::uint64_t at,
                        std::uint8_t* out, std::uint32_t n) {
  std::uint32_t done = 0;
  for (int i = 0; i < count && done < n; ++i) {
    const Span& s = spans[i];
    if (at >= s.length) {
      at -= s.length;
      continue;
    }
    const auto k = static_cast<std::uint32_t>(s.length - at < n - done ? s.length - at : n - done);
    const std::int64_t got = input.read(s.position + at, out + done, k);
    if (got < 0) return got;
    done += static_cast<std::uint32_t>(got);
    if (got < k) break;
    at = 0;
  }
  return done;
}

Copy copy_out(Session& session, ByteSource& input, FileHandle file, const Span* spans, int count,
              std::uint32_t first, bool* cut_failed) {
  Platform& platform = session.platform;
  std::uint64_t length = 0;
  for (int i = 0; i < count; ++i) length += spans[i].length;
  if (first == 0 && count == 1 && length <= UINT32_MAX) {
    if (const std::uint8_t* held = input.held(spans[0].position, length)) {
      return write_whole(platform, file, held, static_cast<std::uint32_t>(length))
                 ? Copy::kWhole
                 : Copy::kWriteFailed;
    }
  }
  Copy copy = first == 0 || write_whole(platform, file, session.copy_block, first)
                  ? Copy::kWhole
                  : Copy::kWriteFailed;
  for (std::uint64_t at = first; copy == Copy::kWhole && at < length;) {
    const auto n = static_cast<std::uint32_t>(length - at < kCopyBlock ? length - at : kCopyBlock);
    const std::int64_t got = read_spans(input, spans, count, at, session.copy_block, n);
    if (got != n) {
      copy = got < 0 || input.failed() ? Copy::kInputFailed : Copy::kWriteFailed;
    } else if (!write_whole(platform, file, session.copy_block, n)) {
      copy = Copy::kWriteFailed;
    }
    at += n;
  }
  if (copy != Copy::kWhole) *cut_failed = !platform.truncate(file);
  return copy;
}

int finish_output(Session& session, const char* out, FileHandle file, Copy copy, bool cut_failed) {
  Platform& platform = session.platform;
  // Delayed write errors of network file systems show up at close: a file is done once closed.
  const bool closed = platform.close(file);
  if (copy == Copy::kWhole && closed) {
    session.sink.output_end(OUTPUT_WRITTEN, out);
    return kExitOk;
  }
  session.thumbnail_failed = true;
  // What a failed close or cut-back leaves behind is neither known whole nor empty.
  if (!closed || cut_failed) platform.remove(out);
  if (copy == Copy::kInputFailed) {
    session.sink.output_end(OUTPUT_READ_ERROR, out);
    return cannot_read(session);
  }
  session.sink.output_end(copy == Copy::kNotMade ? OUTPUT_NOT_MADE : OUTPUT_WRITE_ERROR, out);
  return kExitOk;
}

std::string picture_base(const Picture& p) {
  const char* suffix = kSuffixes[p.source];
  return numbered(p.source) ? format_text("%s%u", suffix, p.number) : std::string(suffix);
}

std::string picture_name(const char* name, const std::string& base, int uses, const Picture& p) {
  std::string out(name);
  out.append(base);
  if (uses > 1) out.append(format_text("-%d", uses));
  out.append(p.form == FORM_JPEG ? ".jpg" : ".bmp");
  return out;
}

bool written_by_pelnor(const std::string& name) {
  const auto ends_with = [&name](std::size_t end, std::string_view tail) {
    if (end < tail.size()) return false;
    for (std::size_t i = 0; i < tail.size(); ++i) {
      const char c = name[end - tail.size() + i];
      if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != tail[i]) return false;
    }
    return true;
  };
  const auto digits_before = [&name](std::size_t end) {
    while (end > 0 && name[end - 1] >= '0' && name[end - 1] <= '9') --end;
    return end;
  };
  std::size_t end = name.rfind('.');
  if (end == std::string::npos) return false;
  // A "-2" of a name taken already.
  const std::size_t k = digits_before(end);
  if (k < end && k > 0 && name[k - 1] == '-') end = k - 1;
  if (ends_with(end, ".thumb")) return true;
  for (int source = PIC_MPF; source <= PIC_FULL; ++source) {
    const std::size_t at = numbered(source) ? digits_before(end) : end;
    if ((!numbered(source) || at < end) && ends_with(at, kSuffixes[source])) return true;
  }
  return false;
}

}  // namespace pelnor

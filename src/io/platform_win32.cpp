// Windows implementation of the platform interface: the kernel file calls and the local heap.
//
// This is the only file of the project that sees <windows.h>; the rest of the tool knows files
// and memory blocks only through platform.h.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "io/platform.h"

// Neither cmd.exe nor PowerShell expands wildcards for a program: the C runtime expands any
// unquoted argument with * or ? into the names it matches (and keeps it when none match), so
// that "pelnor -o *.jpg" works as on other systems. Read by the MinGW-w64 start-up code.
extern "C" {
int _dowildcard = -1;  // the runtime's own name
}

namespace pelnor {
namespace {

// A kernel handle travels through the rest of the tool as an integer of pointer width.
// INVALID_HANDLE_VALUE is (HANDLE)-1, which is kInvalidFile, but the mapping is spelled out so
// that neither side depends on it.
FileHandle to_file(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? kInvalidFile : reinterpret_cast<FileHandle>(handle);
}

HANDLE to_handle(FileHandle file) {
  return file == kInvalidFile ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(file);
}

// The ANSI file calls take names of at most MAX_PATH characters, the directory of a relative
// name included, unless long paths are enabled for the whole system. A name that is refused for
// its length is opened once more as a "\\?\" path through the wide call, which has no such
// limit; every other name goes to CreateFileA alone. Returns an empty string when `name` is
// short enough or cannot be converted.
std::wstring extended_length_path(const char* name) {
  const int units = ::MultiByteToWideChar(CP_ACP, 0, name, -1, nullptr, 0);
  if (units <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  if (::MultiByteToWideChar(CP_ACP, 0, name, -1, wide.data(), units) != units) return {};
  const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return {};
  std::wstring full(size, L'\0');
  const DWORD length = ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size || length < MAX_PATH) return {};
  full.resize(length);
  if (full.starts_with(L"\\\\?\\")) return full;
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

// `name` in UTF-16, from the process code page; empty when it cannot be converted.
std::wstring wide(const char* name) {
  const int units = ::MultiByteToWideChar(CP_ACP, 0, name, -1, nullptr, 0);
  if (units <= 1) return {};
  std::wstring out(static_cast<std::size_t>(units), L'\0');
  if (::MultiByteToWideChar(CP_ACP, 0, name, -1, out.data(), units) != units) return {};
  out.resize(static_cast<std::size_t>(units - 1));
  return out;
}

HANDLE create_file(const char* name, DWORD access, DWORD share, DWORD disposition,
                   DWORD attributes) {
  const HANDLE handle =
      ::CreateFileA(name, access, share, nullptr, disposition, attributes, nullptr);
  if (handle != INVALID_HANDLE_VALUE) return handle;
  const DWORD error = ::GetLastError();
  if (error != ERROR_FILENAME_EXCED_RANGE && error != ERROR_PATH_NOT_FOUND) return handle;
  const std::wstring path = extended_length_path(name);
  if (path.empty()) return handle;
  return ::CreateFileW(path.c_str(), access, share, nullptr, disposition, attributes, nullptr);
}

// Calls `once(p, n, &got, done)`, one read of n bytes into p after `done` bytes, which reports
// failure as false and the end of the file as 0 bytes got (a reported end is taken as 0 bytes),
// until `size` bytes are in or it reads nothing. Returns the count read, or kReadFailed.
template <typename Once>
std::int64_t fill(void* buffer, std::uint32_t size, Once once) {
  auto* p = static_cast<char*>(buffer);
  std::uint32_t done = 0;
  while (done < size) {
    DWORD got = 0;
    if (!once(p + done, size - done, &got, done)) return kReadFailed;
    if (got == 0) break;
    done += got;
  }
  return done;
}

class Win32Platform final : public Platform {
 public:
  // Names are passed to the ANSI entry points as they stand. The application manifest sets the
  // process code page to UTF-8 (Windows 10 1903 and later), so a UTF-8 command line names any
  // file; older systems convert through the ANSI code page.
  FileHandle open_read(const char* name) override {
    // A directory fails here (it needs FILE_FLAG_BACKUP_SEMANTICS), which gives the open error.
    return to_file(create_file(name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0));
  }

  // A pipe, a network share may hand over fewer bytes than asked: both reads go on until the
  // block is full or the file ends.
  std::int64_t read(FileHandle file, void* buffer, std::uint32_t size) override {
    return fill(buffer, size, [file](char* p, DWORD n, DWORD* got, std::uint32_t) {
      // A pipe whose writing end closed has ended.
      return ::ReadFile(to_handle(file), p, n, got, nullptr) ||
             ::GetLastError() == ERROR_BROKEN_PIPE;
    });
  }

  std::int64_t read_at(FileHandle file, std::uint64_t position, void* buffer,
                       std::uint32_t size) override {
    // ReadFile takes the offset of an OVERLAPPED record only from a disk file: a pipe ignores
    // it and hands over its next bytes, whatever their position.
    if (::GetFileType(to_handle(file)) != FILE_TYPE_DISK) return kCannotSeek;
    // A synchronous handle reads at the offset an OVERLAPPED record gives and waits for it, and
    // moves its file pointer past what it read: the pointer is put back, so that the next read in
    // order starts where the last one left off.
    LARGE_INTEGER here{};
    const LARGE_INTEGER none{};
    if (!::SetFilePointerEx(to_handle(file), none, &here, FILE_CURRENT)) return kReadFailed;
    const std::int64_t got = read_at_offset(file, position, buffer, size);
    if (!::SetFilePointerEx(to_handle(file), here, nullptr, FILE_BEGIN)) return kReadFailed;
    return got;
  }

  static std::int64_t read_at_offset(FileHandle file, std::uint64_t position, void* buffer,
                                     std::uint32_t size) {
    return fill(buffer, size, [file, position](char* p, DWORD n, DWORD* got, std::uint32_t done) {
      OVERLAPPED at{};
      at.Offset = static_cast<DWORD>(position + done);
      at.OffsetHigh = static_cast<DWORD>((position + done) >> 32);
      return ::ReadFile(to_handle(file), p, n, got, &at) || ::GetLastError() == ERROR_HANDLE_EOF;
    });
  }

  // A pipe has no size of its own: what GetFileSizeEx may say of it is what it holds now.
  std::int64_t file_size(FileHandle file) override {
    LARGE_INTEGER size;
    if (::GetFileType(to_handle(file)) != FILE_TYPE_DISK) return -1;
    return ::GetFileSizeEx(to_handle(file), &size) ? size.QuadPart : -1;
  }

  FileHandle create_write(const char* name) override {
    return to_file(create_file(name, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
  }

  FileHandle create_new(const char* name) override {
    return to_file(create_file(name, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL));
  }

  bool make_directory(const char* name) override {
    if (::CreateDirectoryA(name, nullptr)) return true;
    return ::GetLastError() == ERROR_ALREADY_EXISTS && is_directory(name);
  }

  // Windows says whether a folder takes new files only by trying: a file made and deleted at
  // once, under a name of this process's own.
  bool writable_directory(const char* name) override {
    if (!is_directory(name)) return false;
    std::string probe(name);
    if (!probe.empty() && probe.back() != '\\' && probe.back() != '/') probe += '\\';
    probe += ".pelnor-" + std::to_string(::GetCurrentProcessId());
    const HANDLE handle = create_file(probe.c_str(), GENERIC_WRITE, 0, CREATE_NEW,
                                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE);
    if (handle == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(handle);
    return true;
  }

  int write(FileHandle file, const void* data, std::uint32_t size,
            std::uint32_t* written) override {
    // One synchronous call: for a disk file it either writes the whole block or fails, and the
    // caller compares the count anyway.
    DWORD put = 0;
    const BOOL ok = ::WriteFile(to_handle(file), data, size, &put, nullptr);
    *written = put;
    return ok ? 1 : 0;
  }

  bool truncate(FileHandle file) override {
    const LARGE_INTEGER start{};
    return ::SetFilePointerEx(to_handle(file), start, nullptr, FILE_BEGIN) &&
           ::SetEndOfFile(to_handle(file));
  }

  bool close(FileHandle file) override { return ::CloseHandle(to_handle(file)) != 0; }

  bool remove(const char* name) override {
    if (::DeleteFileA(name)) return true;
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILENAME_EXCED_RANGE && error != ERROR_PATH_NOT_FOUND) return false;
    const std::wstring path = extended_length_path(name);
    return !path.empty() && ::DeleteFileW(path.c_str());
  }

  MemHandle mem_alloc(std::size_t size) override {
    // A movable block of zero bytes comes back discarded and cannot be locked; one byte keeps
    // every successful allocation lockable.
    return ::LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, size == 0 ? 1 : size);
  }

  void* mem_lock(MemHandle block) override { return ::LocalLock(static_cast<HLOCAL>(block)); }

  void mem_unlock(MemHandle block) override { ::LocalUnlock(static_cast<HLOCAL>(block)); }

  void mem_free(MemHandle block) override { ::LocalFree(static_cast<HLOCAL>(block)); }

  bool is_directory(const char* name) override {
    const DWORD attributes = ::GetFileAttributesA(name);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }

  // Through the wide calls, whatever the names hold; each name is passed on in the process code
  // page, UTF-8 under the manifest, as the command line's are.
  bool list_directory(const char* name, std::vector<DirectoryEntry>* entries) override {
    std::wstring pattern = wide(name);
    if (pattern.empty()) return false;
    if (pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
      const std::wstring_view entry(found.cFileName);
      if (entry == L"." || entry == L"..") continue;
      const DWORD a = found.dwFileAttributes;
      // A reparse point (a symbolic link, a junction) to a directory is not walked.
      const DirectoryEntry::Kind kind = (a & FILE_ATTRIBUTE_DIRECTORY) == 0 ? DirectoryEntry::kFile
                                        : (a & FILE_ATTRIBUTE_REPARSE_POINT) == 0
                                            ? DirectoryEntry::kDirectory
                                            : DirectoryEntry::kOther;
      const int bytes =
          ::WideCharToMultiByte(CP_ACP, 0, found.cFileName, -1, nullptr, 0, nullptr, nullptr);
      if (bytes <= 1) continue;
      std::string narrow(static_cast<std::size_t>(bytes), '\0');
      ::WideCharToMultiByte(CP_ACP, 0, found.cFileName, -1, narrow.data(), bytes, nullptr, nullptr);
      narrow.resize(static_cast<std::size_t>(bytes - 1));
      entries->push_back({std::move(narrow), kind});
    } while (::FindNextFileW(search, &found));
    const bool whole = ::GetLastError() == ERROR_NO_MORE_FILES;
    ::FindClose(search);
    return whole;
  }

  char path_separator() const override { return '\\'; }
};

bool is_console(DWORD which) {
  const HANDLE handle = ::GetStdHandle(which);
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode);
}

UINT console_output_code_page = 0;

void restore_console_code_page() {
  if (console_output_code_page != 0) ::SetConsoleOutputCP(console_output_code_page);
}

// When the process code page is UTF-8, file names are UTF-8 bytes, and a console shows them as
// such only in code page 65001. The console is shared with the shell, so its code page is put
// back at exit.
void show_utf8_on_console() {
  if (::GetACP() != CP_UTF8) return;
  const UINT current = ::GetConsoleOutputCP();
  if (current != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8)) {
    console_output_code_page = current;
    std::atexit(restore_console_code_page);
  }
}

}  // namespace

Platform& system_platform() {
  static Win32Platform platform;
  return platform;
}

// Handles are not numbered from 0 as descriptors are: a file the tool opens never takes the
// place of a missing standard output, whose writes simply fail.
void keep_standard_streams() {}

// Standard output stays in text mode, so every line ends with CR LF on Windows, as in any
// console program; a redirected output is a Windows text file.
bool buffer_standard_output() {
  const bool out_console = is_console(STD_OUTPUT_HANDLE);
  if (out_console || is_console(STD_ERROR_HANDLE)) show_utf8_on_console();
  // A console keeps the C library's own buffering.
  if (out_console) return false;
  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  return true;
}

}  // namespace pelnor

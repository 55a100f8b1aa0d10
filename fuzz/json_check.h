// A strict reader of JSON (RFC 8259) for the fuzz target: true when the text is one JSON value
// and nothing else: no bare control byte or invalid UTF-8 in a string, no NaN, no trailing comma.
#pragma once

#include <cstddef>
#include <string_view>

namespace pelnor::fuzzing {

class JsonCheck {
 public:
  explicit JsonCheck(std::string_view text) : s_(text) {}

  bool valid() {
    space();
    if (!value(0)) return false;
    space();
    return at_ == s_.size();
  }

 private:
  bool value(int depth) {
    if (depth > 64 || at_ >= s_.size()) return false;
    switch (s_[at_]) {
      case '{':
        return container(depth, '}', true);
      case '[':
        return container(depth, ']', false);
      case '"':
        return string();
      case 't':
        return word("true");
      case 'f':
        return word("false");
      case 'n':
        return word("null");
      default:
        return number();
    }
  }

  bool container(int depth, char close, bool object) {
    ++at_;
    space();
    if (peek() == close) {
      ++at_;
      return true;
    }
    for (;;) {
      if (object) {
        if (peek() != '"' || !string()) return false;
        space();
        if (peek() != ':') return false;
        ++at_;
        space();
      }
      if (!value(depth + 1)) return false;
      space();
      if (peek() == close) {
        ++at_;
        return true;
      }
      if (peek() != ',') return false;
      ++at_;
      space();
    }
  }

  bool string() {
    ++at_;
    while (at_ < s_.size()) {
      const auto c = static_cast<unsigned char>(s_[at_]);
      if (c == '"') {
        ++at_;
        return true;
      }
      if (c < 0x20) return false;
      if (c == '\\') {
        const char e = ++at_ < s_.size() ? s_[at_] : '\0';
        if (e == 'u') {
          for (int i = 0; i < 4; ++i) {
            if (++at_ >= s_.size() || !hex(s_[at_])) return false;
          }
        } else if (std::string_view("\"\\/bfnrt").find(e) == std::string_view::npos) {
          return false;
        }
        ++at_;
      } else if (c >= 0x80) {
        if (!utf8()) return false;
      } else {
        ++at_;
      }
    }
    return false;
  }

  bool utf8() {
    const auto c = static_cast<unsigned char>(s_[at_]);
    const int n = c >= 0xC2 && c <= 0xDF   ? 1
                  : c >= 0xE0 && c <= 0xEF ? 2
                  : c >= 0xF0 && c <= 0xF4 ? 3
                                           : -1;
    if (n < 0) return false;
    unsigned code = c & (0x3Fu >> n);
    for (int i = 1; i <= n; ++i) {
      if (at_ + i >= s_.size()) return false;
      const auto k = static_cast<unsigned char>(s_[at_ + i]);
      if ((k & 0xC0) != 0x80) return false;
      code = code << 6 | (k & 0x3Fu);
    }
    const unsigned low = n == 1 ? 0x80 : n == 2 ? 0x800 : 0x10000;
    if (code < low || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    at_ += static_cast<std::size_t>(n) + 1;
    return true;
  }

  bool number() {
    if (peek() == '-') ++at_;
    if (peek() == '0') {
      ++at_;
    } else if (!digits()) {
      return false;
    }
    if (peek() == '.') {
      ++at_;
      if (!digits()) return false;
    }
    if (peek() == 'e' || peek() == 'E') {
      ++at_;
      if (peek() == '+' || peek() == '-') ++at_;
      if (!digits()) return false;
    }
    return true;
  }

  bool digits() {
    const std::size_t from = at_;
    while (peek() >= '0' && peek() <= '9') ++at_;
    return at_ > from;
  }

  bool word(std::string_view w) {
    if (s_.substr(at_, w.size()) != w) return false;
    at_ += w.size();
    return true;
  }

  static bool hex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
  }
  char peek() const { return at_ < s_.size() ? s_[at_] : '\0'; }
  void space() {
    while (at_ < s_.size() &&
           (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r'))
      ++at_;
  }

  std::string_view s_;
  std::size_t at_ = 0;
};

}  // namespace pelnor::fuzzing

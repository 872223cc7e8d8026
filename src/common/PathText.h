#pragma once
// Two kinds of byte string that must never be taken for each other: a path in the file system's
// own form (`NativePath`, UTF-8 bytes here; a folder name outside CP932 stays itself) and a text
// as the program stores and compares it (`Cp932Text`, Shift-JIS). The store, the import, the
// record dialogs, the desktop opener and the settings' path accessors take and return these
// types, so a path cannot be converted twice: ToNativePath accepts only a Cp932Text (or bytes
// not yet typed) and FromNativePath only a NativePath, and neither type turns into the other.
//
// Both read as their bytes wherever a `const std::string&` is wanted (the file-system helpers,
// streams), but neither is made from a string without saying which it is.

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>

namespace folidex {

class NativePath {
 public:
  NativePath() = default;
  explicit NativePath(std::string bytes) : bytes_(std::move(bytes)) {}
  explicit NativePath(std::string_view bytes) : bytes_(bytes) {}
  explicit NativePath(const char* bytes) : bytes_(bytes) {}

  const std::string& str() const { return bytes_; }
  const char* c_str() const { return bytes_.c_str(); }
  bool empty() const { return bytes_.empty(); }
  std::size_t size() const { return bytes_.size(); }
  operator const std::string&() const { return bytes_; }

  // Appends native bytes: a separator, a name part the program spells in ASCII, or a name
  // already in native form.
  NativePath& operator+=(std::string_view native) {
    bytes_ += native;
    return *this;
  }
  NativePath& operator+=(char native) {
    bytes_ += native;
    return *this;
  }

  friend bool operator==(const NativePath& a, const NativePath& b) { return a.bytes_ == b.bytes_; }
  friend bool operator==(const NativePath& a, std::string_view b) { return a.bytes_ == b; }
  friend bool operator<(const NativePath& a, const NativePath& b) { return a.bytes_ < b.bytes_; }

 private:
  std::string bytes_;
};

inline NativePath operator+(NativePath path, std::string_view native) { return path += native; }
inline NativePath operator+(NativePath path, char native) { return path += native; }
inline NativePath operator+(NativePath path, const std::string& native) { return path += native; }
inline NativePath operator+(NativePath path, const char* native) { return path += native; }

class Cp932Text {
 public:
  Cp932Text() = default;
  explicit Cp932Text(std::string bytes) : bytes_(std::move(bytes)) {}
  explicit Cp932Text(std::string_view bytes) : bytes_(bytes) {}
  explicit Cp932Text(const char* bytes) : bytes_(bytes) {}

  const std::string& str() const { return bytes_; }
  bool empty() const { return bytes_.empty(); }
  std::size_t size() const { return bytes_.size(); }
  operator const std::string&() const { return bytes_; }

  friend bool operator==(const Cp932Text& a, const Cp932Text& b) { return a.bytes_ == b.bytes_; }
  friend bool operator==(const Cp932Text& a, std::string_view b) { return a.bytes_ == b; }

 private:
  std::string bytes_;
};

// A CP932 text followed or preceded by more CP932 bytes (a message's text) is plain bytes again.
inline std::string operator+(const Cp932Text& text, std::string_view more) { return text.str() + std::string(more); }
inline std::string operator+(const Cp932Text& text, const char* more) { return text.str() + more; }
inline std::string operator+(const Cp932Text& text, const std::string& more) { return text.str() + more; }
inline std::string operator+(std::string_view before, const Cp932Text& text) {
  return std::string(before) + text.str();
}
inline std::string operator+(const char* before, const Cp932Text& text) { return before + text.str(); }
inline std::string operator+(const std::string& before, const Cp932Text& text) { return before + text.str(); }

std::ostream& operator<<(std::ostream& out, const NativePath& path);
std::ostream& operator<<(std::ostream& out, const Cp932Text& text);

// The native form of a path held as CP932 text (a record's FG, a CP932 file name).
NativePath ToNativePath(const Cp932Text& cp932Path);
// The CP932 form of a native path, for messages and the record's fields; letters outside CP932
// become spaces.
Cp932Text FromNativePath(const NativePath& nativePath);

}  // namespace folidex

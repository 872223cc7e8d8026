#pragma once
// Content digests of PDF files: SHA-256 as 64 upper-case hexadecimal digits (field Y2); and
// FNV-1a, a quick hash for names and for checking derived files, never for content.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace folidex {

// SHA-256 of the file's bytes as 64 upper-case hexadecimal digits, the high digit of each byte
// first; empty when the file cannot be opened or read to its end. `pathCp932` is a CP932 path.
// The file is streamed in blocks, so a large PDF is never held in memory whole.
std::string FileDigestHex(const std::string& pathCp932);

// The same for a native (file-system) path.
std::string FileDigestHexNative(const std::string& nativePath);

// The same digest of bytes in memory; empty only when the digest cannot be made.
std::string DigestHex(std::string_view bytes);

// The 64-bit FNV-1a hash of `bytes`.
std::uint64_t Fnv1a(std::string_view bytes);

// A SHA-256 made block by block, for bytes that pass by (a file being copied).
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;
  void Update(std::string_view bytes);
  // The digest of every byte given so far, as FileDigestHex writes it; empty when it failed.
  // The object is spent afterwards.
  std::string Finish();

 private:
  struct Context;
  std::unique_ptr<Context> context_;
  bool failed_ = false;
};

}  // namespace folidex

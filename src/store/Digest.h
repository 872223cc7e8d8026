#pragma once
// Content digests of PDF files: SHA-256 as 64 upper-case hexadecimal digits (field Y2).

#include <string>

namespace folidex {

// SHA-256 of the file's bytes as 64 upper-case hexadecimal digits, the high digit of each byte
// first; empty when the file cannot be opened or read to its end. `pathCp932` is a CP932 path.
// The file is streamed in blocks, so a large PDF is never held in memory whole.
std::string FileDigestHex(const std::string& pathCp932);

// The same for a native (file-system) path.
std::string FileDigestHexNative(const std::string& nativePath);

}  // namespace folidex

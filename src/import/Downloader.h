#pragma once
// The Downloader port: fetches an address (UTF-8, percent-encoded) into a local file. The Qt
// side fetches with the cookies of the HTML area's browser, under the wait cursor, showing its
// progress; tests fake it or serve files on a loopback address.

#include <string>

namespace folidex {

class Downloader {
 public:
  virtual ~Downloader() = default;
  // Replaces the file `targetNative` by what `address` answers; false when nothing could be
  // fetched (no connection, an error status, a write failure).
  virtual bool Download(const std::string& address, const std::string& targetNative) = 0;
};

}  // namespace folidex

// Prints the SHA-256 of each file named on the command line as FileDigestHex computes it, in
// the form of sha256sum ("digest  name", lower case), for the digest benchmark.

#include <cctype>
#include <cstdio>
#include <string>

#include "store/Digest.h"

int main(int argc, char** argv) {
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    std::string digest = folidex::FileDigestHexNative(argv[i]);
    if (digest.empty()) {
      std::fprintf(stderr, "digest_tool: cannot read %s\n", argv[i]);
      status = 1;
      continue;
    }
    for (char& c : digest) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::printf("%s  %s\n", digest.c_str(), argv[i]);
  }
  return status;
}

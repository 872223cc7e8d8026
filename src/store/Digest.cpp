#include "store/Digest.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <vector>

#include "common/Cp932.h"

namespace folidex {
namespace {

constexpr std::size_t kBlockSize = 256 * 1024;

struct MdContextFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

std::string HexOf(const unsigned char* digest, unsigned int length) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(length * 2);
  for (unsigned int i = 0; i < length; ++i) {
    hex.push_back(kHex[digest[i] >> 4]);
    hex.push_back(kHex[digest[i] & 0x0F]);
  }
  return hex;
}

}  // namespace

struct Sha256::Context {
  std::unique_ptr<EVP_MD_CTX, MdContextFree> md{EVP_MD_CTX_new()};
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {
  failed_ = !context_->md || EVP_DigestInit_ex(context_->md.get(), EVP_sha256(), nullptr) != 1;
}

Sha256::~Sha256() = default;

void Sha256::Update(std::string_view bytes) {
  if (!failed_ && !bytes.empty()) failed_ = EVP_DigestUpdate(context_->md.get(), bytes.data(), bytes.size()) != 1;
}

std::string Sha256::Finish() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (failed_ || EVP_DigestFinal_ex(context_->md.get(), digest, &length) != 1) {
    failed_ = true;
    return {};
  }
  failed_ = true;  // spent
  return HexOf(digest, length);
}

std::string DigestHex(std::string_view bytes) {
  Sha256 sha;
  sha.Update(bytes);
  return sha.Finish();
}

std::string FileDigestHexNative(const std::string& nativePath) {
  if (nativePath.empty()) return {};
  // Only a regular file has a digest; a FIFO or a device under the name is not opened or
  // waited on.
  struct stat status;
  if (::stat(nativePath.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return {};
  FileDescriptor file(::open(nativePath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.get() < 0) return {};
  if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) return {};
#ifdef POSIX_FADV_SEQUENTIAL
  ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
#endif

  std::unique_ptr<EVP_MD_CTX, MdContextFree> context(EVP_MD_CTX_new());
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) return {};
  std::vector<unsigned char> block(kBlockSize);
  for (;;) {
    ssize_t got = ::read(file.get(), block.data(), block.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      return {};  // a read error: no digest rather than the digest of a part of the file
    }
    if (got == 0) break;
    if (EVP_DigestUpdate(context.get(), block.data(), static_cast<std::size_t>(got)) != 1) return {};
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1) return {};
  return HexOf(digest, length);
}

std::string FileDigestHex(const std::string& pathCp932) {
  if (pathCp932.empty()) return {};
  return FileDigestHexNative(ToNativePath(pathCp932));
}

std::uint64_t Fnv1a(std::string_view bytes) {
  std::uint64_t hash = 0xCBF29CE484222325ull;
  for (unsigned char c : bytes) hash = (hash ^ c) * 0x100000001B3ull;
  return hash;
}

}  // namespace folidex

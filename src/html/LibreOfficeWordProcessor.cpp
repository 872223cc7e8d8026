#include "html/LibreOfficeWordProcessor.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "common/ChildProcess.h"
#include "common/FileSystem.h"

namespace folidex {
namespace {

// A file URL for a native absolute path: every byte outside the unreserved set and "/" is
// percent-encoded.
std::string FileUrl(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : path) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '/' || c == '-' ||
        c == '_' || c == '.' || c == '~') {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 0xF];
    }
  }
  return url;
}

bool IsOleDocument(const std::string& bytes) {
  return bytes.size() >= 512 && bytes.compare(0, 4, "\xD0\xCF\x11\xE0") == 0;
}

class TemporaryFolder {
 public:
  explicit TemporaryFolder(const char* stem) : path_(MakeTemporaryFolder(stem)) {}
  ~TemporaryFolder() {
    if (!path_.empty()) RemoveFolderTree(path_);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

std::string MakeTemporaryFolder(const char* stem) {
  const char* root = std::getenv("TMPDIR");
  std::string pattern = (root && *root == '/') ? root : "/tmp";
  if (pattern.back() != '/') pattern += '/';
  pattern += stem;
  pattern += "-XXXXXX";
  return ::mkdtemp(pattern.data()) ? pattern : std::string();
}

void RemoveFolderTree(const std::string& folder) {
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

WordProcessorStatus LibreOfficeWordProcessor::Convert(const std::vector<std::string>& arguments,
                                                      std::string& detail) const {
  TemporaryFolder profile("folidex-office-profile");
  if (profile.path().empty()) {
    detail = std::string("cannot create a temporary folder: ") + std::strerror(errno);
    return WordProcessorStatus::Failed;
  }
  std::vector<std::string> argv = {program_,      "-env:UserInstallation=" + FileUrl(profile.path()),
                                   "--headless",  "--invisible",
                                   "--nologo",    "--norestore",
                                   "--nodefault", "--nolockcheck"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  ProgramOptions options;
  options.timeLimit = timeLimit_;
  options.captureLimit = 1 << 20;
  ProgramResult run = RunProgram(argv, options);
  if (!run.started) {
    detail = program_ + ": " + std::strerror(run.startError);
    return (run.startError == ENOENT || run.startError == EACCES || run.startError == ENOTDIR)
               ? WordProcessorStatus::Missing
               : WordProcessorStatus::Failed;
  }
  detail = run.errors.empty() ? run.output : run.errors;
  if (run.timedOut) {
    detail = program_ + ": stopped after the time limit\n" + detail;
    return WordProcessorStatus::Failed;
  }
  if (run.exitStatus != 0) {
    detail = program_ + ": exit status " + std::to_string(run.exitStatus) + "\n" + detail;
    return WordProcessorStatus::Failed;
  }
  return WordProcessorStatus::Done;
}

WordProcessorStatus LibreOfficeWordProcessor::MakeWordDocument(WordInput kind, std::string_view utf8,
                                                               std::string& document, std::string& detail) {
  document.clear();
  TemporaryFolder work("folidex-word");
  if (work.path().empty()) {
    detail = std::string("cannot create a temporary folder: ") + std::strerror(errno);
    return WordProcessorStatus::Failed;
  }
  const bool html = kind == WordInput::Html;
  const std::string input = work.path() + (html ? "/document.html" : "/document.txt");
  const std::string outFolder = work.path() + "/out";
  std::string bytes;
  // The byte-order mark makes the page's encoding certain whatever its head says.
  if (html && utf8.substr(0, 3) != "\xEF\xBB\xBF") bytes = "\xEF\xBB\xBF";
  bytes += utf8;
  if (!WriteFileAtomic(input, bytes)) {
    detail = "cannot write " + input;
    return WordProcessorStatus::Failed;
  }
  WordProcessorStatus status = Convert({html ? "--infilter=HTML (StarWriter)" : "--infilter=Text (encoded):UTF8,CRLF",
                                        "--convert-to", "doc:MS Word 97", "--outdir", outFolder, input},
                                       detail);
  if (status != WordProcessorStatus::Done) return status;
  const std::string output = outFolder + "/document.doc";
  if (!IsFile(output) || !ReadFileBytes(output, document) || !IsOleDocument(document)) {
    document.clear();
    detail = program_ + " made no Word document\n" + detail;
    return WordProcessorStatus::Failed;
  }
  return WordProcessorStatus::Done;
}

}  // namespace folidex

// A recognition worker serving a faked recognizer, for the tests of WorkerTextRecognizer. The
// first byte of a page image decides how it behaves: 'h' allocates until it fails, 's' never
// answers, 'c' dies, 'g' answers what does not decode; any other page is read as
// "page P by PID #N", its first byte, the worker's process and how many pages it has read. With
// the argument "slow" every page reports 10 % and then never answers; with "slowcheck" the check
// never answers (an engine that takes long to load its models).

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pdf/RecognitionWorker.h"
#include "pdf/WorkerEngine.h"

namespace {

class ScriptedRecognizer : public folidex::TextRecognizer {
 public:
  ScriptedRecognizer(bool slow, bool slowCheck) : slow_(slow), slowCheck_(slowCheck) {}
  folidex::RecognizerCheck Check() override {
    while (slowCheck_) ::pause();
    return {folidex::RecognizerState::Ready, "fake " + std::to_string(::getpid())};
  }
  folidex::RecognitionStatus Recognize(const folidex::PageImage& page, folidex::RecognitionMonitor& monitor,
                                       std::u16string& text) override {
    monitor.PageProgress(10);
    const char kind = static_cast<char>(page.bytes.at(0));
    if (slow_ || kind == 's') {
      for (;;) ::pause();
    }
    if (kind == 'h') {
      std::vector<std::vector<char>> held;
      for (;;) held.emplace_back(std::size_t{16} << 20, 'x');  // touched: counted as used
    }
    if (kind == 'c') std::abort();
    if (kind == 'g') {
      (void)!::write(1, "\x02\x00\x00\x00\x43\xFF", 6);  // a Progress of 255 %
      for (;;) ::pause();
    }
    const std::string said = "page " + std::to_string(static_cast<int>(page.bytes[0])) + " by " +
                             std::to_string(::getpid()) + " #" + std::to_string(++pages_);
    text.assign(said.begin(), said.end());
    return folidex::RecognitionStatus::Done;
  }

 private:
  bool slow_;
  bool slowCheck_;
  int pages_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  const char* mode = argc > 1 ? argv[1] : "";
  ScriptedRecognizer recognizer(std::strcmp(mode, "slow") == 0, std::strcmp(mode, "slowcheck") == 0);
  return folidex::ServeRecognition(recognizer, 0, 1);
}

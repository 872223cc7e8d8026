// A worker serving a faked engine, for the tests of the worker pool: the file name of an Open
// decides how the engine behaves. "loop" never answers, "hog" allocates until it fails, "crash"
// dies, "half" dies in the middle of its reply; any other file opens with two pages.

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pdf/WorkerEngine.h"
#include "pdf/WorkerProtocol.h"

namespace {

class ScriptedEngine : public folidex::PdfEngine {
 public:
  folidex::PdfOpenResult Open(const std::string& path) override {
    const std::string name = path.substr(path.rfind('/') + 1);
    if (name.starts_with("loop")) {
      for (;;) asm volatile("" ::: "memory");  // spins, as the engine did on a damaged form
    }
    if (name.starts_with("hog")) {
      std::vector<std::vector<char>> held;
      for (;;) held.emplace_back(std::size_t{16} << 20, 'x');  // touched: counted as used
    }
    if (name.starts_with("crash")) std::abort();
    if (name.starts_with("half")) {
      folidex::WorkerReply reply;
      reply.op = folidex::WorkerOp::Open;
      const std::string frame = folidex::EncodeFrame(folidex::EncodeReply(reply));
      (void)!::write(1, frame.data(), frame.size() - 1);
      ::_exit(1);
    }
    if (name.starts_with("slowpage")) slowPages_ = true;
    open_ = true;
    return folidex::PdfOpenResult::Opened;
  }
  void Close() override { open_ = false; }
  int PageCount() override { return open_ ? 2 : 0; }
  std::u16string PageText(int page) override {
    if (slowPages_) ::sleep(1000);
    return open_ ? u"page " + std::u16string(1, static_cast<char16_t>(u'1' + page)) : u"";
  }
  folidex::PdfMetaData MetaData() override { return {u"Title", u"Author", {}, {}, {}, {}}; }
  bool RenderPage(int, int dpi, folidex::PageImage& image) override {
    image = folidex::PageImage{4, 2, 4, dpi, std::vector<std::uint8_t>(8, 255)};
    return open_;
  }

 private:
  bool open_ = false;
  bool slowPages_ = false;
};

}  // namespace

int main() {
  ScriptedEngine engine;
  return folidex::ServeWorker(engine, 0, 1);
}

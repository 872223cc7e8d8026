#include "cli/Cli.h"

#include "common/Cp932.h"

namespace folidex::cli {

Answer CliPrompter::Show(MessageKind kind, const std::string& text) {
  ++shown;
  std::cerr << Cp932ToUtf8(text) << '\n';
  switch (kind) {
    case MessageKind::Error:
    case MessageKind::Information:
      return Answer::Ok;
    case MessageKind::RetryCancel:
      return Answer::Cancel;
    default:
      return answerNo ? Answer::No : Answer::Yes;
  }
}

std::string Out(const std::string& cp932) { return Cp932ToUtf8(cp932); }

int Fail(const std::string& utf8Message, int status) {
  std::cerr << "folidex-cli: " << utf8Message << '\n';
  return status;
}

}  // namespace folidex::cli

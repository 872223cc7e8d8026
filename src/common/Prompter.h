#pragma once
// The Prompter port: message boxes by message number with an optional prefix, captioned
// "Folidex". The prefix (a path and a line break, a name, a label such as "(自) ", a count)
// stands directly in front of the message text.

#include <string>

#include "common/Messages.h"

namespace folidex {

enum class MessageKind {
  Error,        // stop icon, OK
  Information,  // information icon, OK
  YesNo,        // question icon
  YesNoSafe,    // question icon, いいえ the default button (a question whose はい loses something)
  YesNoCancel,  // question icon
  RetryCancel,  // the text capture's question
};

enum class Answer { Ok, Yes, No, Cancel, Retry };

class Prompter {
 public:
  virtual ~Prompter() = default;

  // Shows a CP932 text and returns the button chosen.
  virtual Answer Show(MessageKind kind, const std::string& text) = 0;

  Answer Message(MessageKind kind, Msg id, const std::string& prefix = {}) {
    return Show(kind, prefix + MessageText(id));
  }
  void Error(Msg id, const std::string& prefix = {}) { Message(MessageKind::Error, id, prefix); }
  void Information(Msg id, const std::string& prefix = {}) { Message(MessageKind::Information, id, prefix); }
  Answer AskYesNo(Msg id, const std::string& prefix = {}) { return Message(MessageKind::YesNo, id, prefix); }
  Answer AskYesNoSafe(Msg id, const std::string& prefix = {}) { return Message(MessageKind::YesNoSafe, id, prefix); }
  Answer AskYesNoCancel(Msg id, const std::string& prefix = {}) {
    return Message(MessageKind::YesNoCancel, id, prefix);
  }
};

}  // namespace folidex

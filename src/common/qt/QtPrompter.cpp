#include "common/qt/QtPrompter.h"

#include "common/qt/Modal.h"
#include "common/qt/QtText.h"

namespace folidex {

Answer QtPrompter::Show(MessageKind kind, const std::string& text) {
  return Modal::ShowMessage(owner_, kind, ToQString(text));
}

}  // namespace folidex

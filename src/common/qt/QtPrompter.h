#pragma once
// The Prompter port on message boxes: caption "Folidex", the icon and buttons of each kind,
// Japanese button texts from the Qt translations. The boxes run through Modal, which tests
// answer beforehand.

#include "common/Prompter.h"

class QWidget;

namespace folidex {

class QtPrompter : public Prompter {
 public:
  explicit QtPrompter(QWidget* owner = nullptr) : owner_(owner) {}
  void SetOwner(QWidget* owner) { owner_ = owner; }

  Answer Show(MessageKind kind, const std::string& text) override;

 private:
  QWidget* owner_;
};

}  // namespace folidex

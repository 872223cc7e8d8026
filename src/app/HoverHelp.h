#pragma once
// The ribbon's hover help: the text of every ribbon element that has one, by command
// identifier. Some texts are built at the moment of hovering from the current state.

#include <string>

namespace folidex {

struct HoverState {
  std::string pageType;  // PageType of the HTML area (CP932; empty when unknown)
  long optWord = 1;      // Last/OptWord
};

// The UTF-8 hover text of the element `id` (ID_NOW_DSP, ID_GET_PDF, ...), or empty for an
// element without a text of its own.
std::string HoverHelpText(const std::string& id, const HoverState& state);

}  // namespace folidex

#pragma once
// Pictures of the program for its documentation: when FOLIDEX_SCREENSHOT_DIR names a folder,
// the started program shows the search tab, runs a search with the conditions it has, then the home tab, opens
// the settings sheet and the About box, writes a PNG of each into that folder and ends.
// Message boxes are answered by script meanwhile, so the tour never waits for a person.

namespace folidex {

class CShelfApp;

class ScreenshotTour {
 public:
  static void StartIfRequested(CShelfApp& app);
};

}  // namespace folidex

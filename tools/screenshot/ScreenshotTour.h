#pragma once
// Pictures of the program for its documentation: the started program shows the search tab,
// runs a search with the conditions it has, then the home tab, opens the settings sheet and the
// About box, writes a PNG of each into a folder and ends. Message boxes are answered
// beforehand, so the tour never waits for a person.

#include <QString>

namespace folidex {

class CShelfApp;

class ScreenshotTour {
 public:
  // Starts the tour on a running program; the pictures go into `folder`.
  static void Start(CShelfApp& app, const QString& folder);
};

}  // namespace folidex

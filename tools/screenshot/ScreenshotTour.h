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
  // A hit followed to its places, as a user would: the search with the conditions the program
  // has (a body term), the mouse over the first hit's title, its PDF in the HTML area at the
  // term's first place, F3 to the next place, and its text dialog at the first place.
  static void StartPlaces(CShelfApp& app, const QString& folder);
};

}  // namespace folidex

#pragma once
// What the widgets of the desktop program share: the ports and the core data, owned by the
// application object and handed to each view and dialog explicitly.

namespace folidex {

class Settings;
class Prompter;
class Clock;
class Progress;
class Store;
class ListRows;
class HtmlArea;

struct Services {
  Settings& settings;
  Prompter& prompter;
  Clock& clock;
  Progress& progress;
  Store& store;              // the storage location and the one WorkingRecord
  ListRows& list;            // the list area's rows
  HtmlArea* html = nullptr;  // the HTML area, once it exists
};

}  // namespace folidex

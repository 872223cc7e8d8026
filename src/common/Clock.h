#pragma once
// The Clock port: the current time, so tests can fix the date (acquisition dates, elapsed
// search time, today's date in the search edits).

#include <ctime>
#include <string>

namespace folidex {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::time_t Now() const = 0;
};

class SystemClock : public Clock {
 public:
  std::time_t Now() const override { return std::time(nullptr); }
};

// strftime of a moment in local time ("%Y/%m/%d %H:%M" and the like).
std::string FormatLocalTime(std::time_t moment, const char* format);

}  // namespace folidex

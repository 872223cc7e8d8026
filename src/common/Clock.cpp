#include "common/Clock.h"

namespace folidex {

std::string FormatLocalTime(std::time_t moment, const char* format) {
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &moment);
#else
  localtime_r(&moment, &local);
#endif
  char buffer[128];
  std::size_t n = std::strftime(buffer, sizeof buffer, format, &local);
  return std::string(buffer, n);
}

}  // namespace folidex

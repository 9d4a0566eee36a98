#include "common/ChatException.h"

namespace tessra {

std::string FormatMessage(const char* pattern, std::initializer_list<std::string> args) {
  std::string result;
  auto next = args.begin();
  for (const char* p = pattern; *p != '\0'; ++p) {
    if (p[0] == '%' && (p[1] == 's' || p[1] == 'd') && next != args.end()) {
      result += *next++;
      ++p;
    } else {
      result += *p;
    }
  }
  return result;
}

} // namespace tessra

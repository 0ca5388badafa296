// CP932 to UTF-8 through the C library's iconv(3).
#include "cli/utf8_text.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

bool Cp932ToUtf8(const char* text, std::string& out) {
  out.clear();
  iconv_t converter = iconv_open("UTF-8", "CP932");
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  char* in = const_cast<char*>(text);  // iconv's interface takes char**; it does not write the input
  size_t inLeft = std::strlen(text);
  char buffer[4096];
  while (inLeft > 0) {
    char* outAt = buffer;
    size_t outLeft = sizeof(buffer);
    const size_t result = iconv(converter, &in, &inLeft, &outAt, &outLeft);
    out.append(buffer, static_cast<size_t>(outAt - buffer));
    if (result == static_cast<size_t>(-1) && errno != E2BIG) {
      // An invalid or cut-off character: mark it and go on after its first byte.
      out.append("\xEF\xBF\xBD");
      ++in;
      --inLeft;
      iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(converter);
  return true;
}

std::string PrintAsUtf8(const char* text) {
  std::string utf8;
  if (!Cp932ToUtf8(text, utf8)) return "this system cannot convert Shift-JIS text";
  if (std::fwrite(utf8.data(), 1, utf8.size(), stdout) != utf8.size() || std::fflush(stdout) != 0) {
    return "writing to standard output failed";
  }
  return "";
}

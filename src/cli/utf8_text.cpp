// CP932 and UTF-8 converted both ways through the C library's iconv(3).
#include "cli/utf8_text.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "records/text_encoding.h"

namespace {

// Converts size bytes from one encoding to the other into out. At a byte
// that can't be converted (invalid, cut off, or with no form in the target)
// `stuck` gets its offset and returns how many bytes to skip, 0 to stop
// there. False when the system lacks the converter or the conversion stopped.
template <class Stuck>
bool Convert(const char* to, const char* from, const char* text, size_t size, std::string& out, Stuck stuck) {
  out.clear();
  iconv_t converter = iconv_open(to, from);
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  char* in = const_cast<char*>(text);  // iconv's interface takes char**; it does not write the input
  size_t inLeft = size;
  char buffer[4096];
  bool complete = true;
  while (inLeft > 0) {
    char* outAt = buffer;
    size_t outLeft = sizeof(buffer);
    const size_t result = iconv(converter, &in, &inLeft, &outAt, &outLeft);
    out.append(buffer, static_cast<size_t>(outAt - buffer));
    if (result == static_cast<size_t>(-1) && errno != E2BIG) {
      const size_t skip = std::min(stuck(static_cast<size_t>(in - text), out), inLeft);
      if (skip == 0) {
        complete = false;
        break;
      }
      in += skip;
      inLeft -= skip;
      iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(converter);
  return complete;
}

}  // namespace

bool Cp932ToUtf8(const char* text, std::string& out) {
  // An invalid or cut-off character: marked, and the conversion goes on
  // after its first byte.
  const bool converted = Convert("UTF-8", "CP932", text, std::strlen(text), out, [](size_t, std::string& done) {
    done.append("\xEF\xBF\xBD");
    return size_t{1};
  });
  if (!converted) out.clear();
  return converted;
}

bool PastedTextToSjis(const std::string& bytes, std::string& sjis, std::string& error) {
  error.clear();
  if (!HasNonAscii(bytes.data(), bytes.size()) || !IsValidUtf8(bytes.data(), bytes.size(), false)) {
    sjis = bytes;  // Shift-JIS already (or plain ASCII)
    return true;
  }
  // The byte-order mark some editors put first has no Shift-JIS form and
  // is no part of the text.
  const size_t start = StartsWithUtf8Bom(bytes.data(), bytes.size()) ? 3 : 0;
  size_t failedAt = std::string::npos;
  const bool converted = Convert("CP932", "UTF-8", bytes.data() + start, bytes.size() - start, sjis,
                                 [&failedAt](size_t offset, std::string&) {
                                   failedAt = offset;
                                   return size_t{0};
                                 });
  if (converted) return true;
  if (failedAt == std::string::npos) {  // only on a C library without the CP932 converter
    error = "this system cannot convert UTF-8 text to Shift-JIS";
    return false;
  }
  const size_t at = start + failedAt;
  const size_t lineStart = bytes.rfind('\n', at) == std::string::npos ? 0 : bytes.rfind('\n', at) + 1;
  size_t length = 1;
  while (at + length < bytes.size() && (static_cast<unsigned char>(bytes[at + length]) & 0xC0) == 0x80) ++length;
  const long line = 1 + std::count(bytes.begin(), bytes.begin() + static_cast<long>(at), '\n');
  error = "standard input:" + std::to_string(line) + ": '" + bytes.substr(at, length) +
          "' has no Shift-JIS form (column " + std::to_string(at - lineStart + 1) + ")";
  return false;
}

std::string PrintAsUtf8(const char* text) {
  std::string utf8;
  if (!Cp932ToUtf8(text, utf8)) return "this system cannot convert Shift-JIS text";
  if (std::fwrite(utf8.data(), 1, utf8.size(), stdout) != utf8.size() || std::fflush(stdout) != 0) {
    return "writing to standard output failed";
  }
  return "";
}

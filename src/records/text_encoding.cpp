// Encoding tests for record text.
#include "records/text_encoding.h"

bool StartsWithUtf8Bom(const char* bytes, size_t size) {
  return size >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF && static_cast<unsigned char>(bytes[1]) == 0xBB &&
         static_cast<unsigned char>(bytes[2]) == 0xBF;
}

bool IsValidUtf8(const char* bytes, size_t size, bool cutAtEnd) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes);
  for (size_t at = 0; at < size;) {
    const unsigned char lead = p[at];
    if (lead < 0x80) {
      ++at;
      continue;
    }
    size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    for (size_t i = 1; i < length; ++i) {
      if (at + i >= size) return cutAtEnd;
      const unsigned char next = p[at + i];
      if (i == 1 ? next < low || next > high : next < 0x80 || next > 0xBF) return false;
    }
    at += length;
  }
  return true;
}

bool HasNonAscii(const char* bytes, size_t size) {
  for (size_t at = 0; at < size; ++at) {
    if (static_cast<unsigned char>(bytes[at]) >= 0x80) return true;
  }
  return false;
}

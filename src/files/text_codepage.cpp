#include "files/text_codepage.h"

#include <cstdint>

namespace kelmar {

namespace {

// Bytes 0x80..0x9F; the other bytes equal their code point.
constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one code point at i and advances i; malformed input yields U+FFFD for one byte.
char32_t NextCodePoint(const std::string& s, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
  uint8_t b0 = byte(i);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int extra = 0;
  char32_t c = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1, c = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2, c = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3, c = b0 & 0x07, min = 0x10000;
  } else {
    ++i;
    return 0xFFFD;
  }
  if (i + extra >= s.size()) {
    ++i;
    return 0xFFFD;
  }
  for (int k = 1; k <= extra; ++k) {
    uint8_t b = byte(i + k);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++i;
    return 0xFFFD;
  }
  i += 1 + extra;
  return c;
}

}  // namespace

std::string Utf8ToWindows1252(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    char32_t c = NextCodePoint(utf8, i);
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out += static_cast<char>(c);
      continue;
    }
    char mapped = '?';
    for (int k = 0; k < 32; ++k) {
      if (kHigh[k] == c) {
        mapped = static_cast<char>(0x80 + k);
        break;
      }
    }
    out += mapped;
  }
  return out;
}

std::string Windows1252ToUtf8(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char ch : bytes) {
    uint8_t b = static_cast<uint8_t>(ch);
    AppendUtf8(out, (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : char32_t{b});
  }
  return out;
}

size_t Utf8Length(const std::string& utf8) {
  size_t n = 0;
  for (size_t i = 0; i < utf8.size(); ++n) NextCodePoint(utf8, i);
  return n;
}

bool InWindows1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return true;
  for (char32_t high : kHigh)
    if (high == c) return true;
  return false;
}

size_t Windows1252Size(const std::string& utf8) {
  size_t size = Utf8Length(utf8);
  for (size_t i = 0; i < utf8.size(); ++i)
    if (utf8[i] == '\n' && (i == 0 || utf8[i - 1] != '\r')) ++size;
  return size;
}

std::string FitWindows1252(const std::string& utf8, size_t room) {
  std::string out;
  size_t size = 0;
  for (size_t i = 0; i < utf8.size();) {
    const size_t start = i;
    const char32_t c = NextCodePoint(utf8, i);
    if (!InWindows1252(c)) continue;
    const size_t bytes = (c == '\n' && (out.empty() || out.back() != '\r')) ? 2 : 1;
    if (size + bytes > room) break;
    size += bytes;
    out.append(utf8, start, i - start);
  }
  return out;
}

}  // namespace kelmar

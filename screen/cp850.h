// Code page 850: the program's texts are held as code page 850 bytes so that one
// byte is one screen cell and every column of the layouts holds. Sources keep the
// texts readable as UTF-8 literals with the suffix _cp, turned into code page 850
// bytes at compile time ("Lösung"_cp is 6 bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace term {

// Unicode code point of each byte 128..255 of code page 850.
inline constexpr char16_t kCp850High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,  // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,  // B0
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,  // C8
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,  // D0
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,  // D8
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,  // E0
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,  // E8
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,  // F0
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,  // F8
};

// Unicode code point shown for a code page 850 byte (bytes below 128 are ASCII).
constexpr char32_t Cp850ToUnicode(uint8_t b) {
  return b < 128 ? b : kCp850High[b - 128];
}

// Code page 850 byte of a code point, or 0 when code page 850 has none.
constexpr uint8_t UnicodeToCp850(char32_t c) {
  if (c < 128) return static_cast<uint8_t>(c);
  for (int i = 0; i < 128; ++i)
    if (kCp850High[i] == c) return static_cast<uint8_t>(128 + i);
  return 0;
}

// The next character of the UTF-8 text s from position i, which moves past it:
// its code point, or -1 for a byte that starts no valid sequence (i then moves
// one byte on). Overlong forms, surrogates and values beyond U+10FFFF are invalid.
constexpr int32_t NextUtf8(std::string_view s, size_t& i) {
  const auto b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) {
    ++i;
    return b;
  }
  const size_t more = b >= 0xC2 && b <= 0xDF   ? 1
                      : b >= 0xE0 && b <= 0xEF ? 2
                      : b >= 0xF0 && b <= 0xF4 ? 3
                                               : 0;
  if (more == 0 || s.size() - i <= more) {
    ++i;
    return -1;
  }
  int32_t c = b & (0x3F >> more);
  for (size_t k = 1; k <= more; ++k) {
    const auto f = static_cast<unsigned char>(s[i + k]);
    if ((f & 0xC0) != 0x80) {
      ++i;
      return -1;
    }
    c = (c << 6) | (f & 0x3F);
  }
  const int32_t kleinster = more == 1 ? 0x80 : more == 2 ? 0x800 : 0x10000;
  if (c < kleinster || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++i;
    return -1;
  }
  i += more + 1;
  return c;
}

// Writes the UTF-8 form of the code point c (at most U+10FFFF) to out; returns
// the bytes written (1..4).
constexpr int EncodeUtf8(char32_t c, char* out) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

// Writes the UTF-8 form of a code page 850 byte to out; returns the bytes written (1..3).
inline int Cp850ToUtf8(uint8_t b, char* out) {
  return EncodeUtf8(Cp850ToUnicode(b), out);
}

namespace detail {
template <size_t N>
struct Utf8Literal {
  char s[N];
  constexpr Utf8Literal(const char (&a)[N]) {
    for (size_t i = 0; i < N; ++i) s[i] = a[i];
  }
};

template <size_t N>
struct Cp850Text {
  char data[N]{};
  size_t size = 0;
};

// Not constexpr: calling it during constant evaluation stops the compilation,
// which is how a character outside code page 850 is reported.
inline void CharacterNotInCodePage850() {}

template <Utf8Literal L>
consteval Cp850Text<sizeof(L.s)> ToCp850() {
  Cp850Text<sizeof(L.s)> t;
  const size_t n = sizeof(L.s) - 1;  // without the terminating zero
  for (size_t i = 0; i < n;) {
    auto b = static_cast<unsigned char>(L.s[i]);
    char32_t c;
    if (b < 0x80) {
      c = b;
      i += 1;
    } else if ((b & 0xE0) == 0xC0) {
      c = ((b & 0x1F) << 6) | (static_cast<unsigned char>(L.s[i + 1]) & 0x3F);
      i += 2;
    } else {
      c = ((b & 0x0F) << 12) | ((static_cast<unsigned char>(L.s[i + 1]) & 0x3F) << 6) |
          (static_cast<unsigned char>(L.s[i + 2]) & 0x3F);
      i += 3;
    }
    uint8_t x = UnicodeToCp850(c);
    if (x == 0 && c != 0) CharacterNotInCodePage850();
    t.data[t.size++] = static_cast<char>(x);
  }
  return t;
}

template <Utf8Literal L>
inline constexpr auto kCp850 = ToCp850<L>();
}  // namespace detail

}  // namespace term

// "Größe"_cp: the code page 850 bytes of a UTF-8 literal, as a string_view.
template <term::detail::Utf8Literal L>
constexpr std::string_view operator""_cp() {
  return std::string_view(term::detail::kCp850<L>.data, term::detail::kCp850<L>.size);
}

#include "engine/guess_kernel.h"

#include <immintrin.h>

#include <algorithm>
#include <array>

#include "engine/guess_store.h"

namespace mtspiel {
namespace {

// Codes whose classes are computed in one go for the narrowing.
constexpr int kBlock = 32;

// Asks for the zeilen cache lines from word weit after c on. They may lie past
// the codes' end (a prefetch never faults), so the address is formed as a
// number rather than as a pointer into the array. Always inlined: as a call
// of its own it counts as one without effect, and the compiler dropped it
// where the AVX-512 rounds ask for their lines.
[[gnu::always_inline]] inline void Voraus(const uint64_t* c, int weit, int zeilen) {
  const uintptr_t ab = reinterpret_cast<uintptr_t>(c) + sizeof(uint64_t) * weit;
  for (int z = 0; z < zeilen; ++z)
    _mm_prefetch(reinterpret_cast<const char*>(ab + 64 * z), _MM_HINT_T0);
}

// Answer class of possible code c against the candidate: positions in common
// from the lanes that cancel under xor, signs in common from the count bits.
template <int W>
[[gnu::always_inline]] inline int Klasse(const uint64_t* c, const ZAEHLAUFTRAG& a) {
  const uint64_t gleich = ~((c[0] ^ a.gwort) + kLaneFill) & a.lanes;
  int t = __builtin_popcountll(c[1] & a.gbits[0]);
  for (int w = 1; w < W; ++w) t += __builtin_popcountll(c[1 + w] & a.gbits[w]);
  return t * 16 + __builtin_popcountll(gleich);
}

template <int W>
[[gnu::always_inline]] inline void KlassenSkalar(const ZAEHLAUFTRAG& a, const uint64_t* c, int n,
                                                 uint8_t* k) {
  for (int j = 0; j < n; ++j) k[j] = static_cast<uint8_t>(Klasse<W>(c + j * (1 + W), a));
}

// Four codes of one count word each (8 words from p): the class of each in the
// low byte of a 64-bit element, in the order 0 2 | 1 3. Both population counts
// come from one nibble lookup per byte: the sign overlap's table holds 16 times
// the count, so the bytes add up to 16 T + P.
//
// Up to seven positions (Bis7) each byte of the equal-lane mask holds at most
// one lane's bit, so the bytes' minimum with one counts the positions without
// a lookup.
template <bool Bis7 = false>
[[gnu::target("avx2,popcnt"), gnu::always_inline]] inline __m256i VierAvx2(const uint64_t* p,
                                                                           __m256i g, __m256i lanes,
                                                                           __m256i gb) {
  const __m256i fill = _mm256_set1_epi64x(static_cast<long long>(kLaneFill));
  const __m256i nib = _mm256_set1_epi8(0x0F);
  const __m256i lut1 = _mm256_setr_epi8(0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4,  //
                                        0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4);
  const __m256i lut16 =
      _mm256_setr_epi8(0, 16, 16, 32, 16, 32, 32, 48, 16, 32, 32, 48, 32, 48, 48, 64,  //
                       0, 16, 16, 32, 16, 32, 32, 48, 16, 32, 32, 48, 32, 48, 48, 64);
  const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 4));
  const __m256i code = _mm256_unpacklo_epi64(x, y);
  const __m256i bits = _mm256_and_si256(_mm256_unpackhi_epi64(x, y), gb);
  const __m256i gleich =
      _mm256_andnot_si256(_mm256_add_epi64(_mm256_xor_si256(code, g), fill), lanes);
  const __m256i tl = _mm256_shuffle_epi8(lut16, _mm256_and_si256(bits, nib));
  const __m256i th = _mm256_shuffle_epi8(lut16, _mm256_and_si256(_mm256_srli_epi16(bits, 4), nib));
  __m256i p1;
  if constexpr (Bis7) {
    p1 = _mm256_min_epu8(gleich, _mm256_set1_epi8(1));
  } else {
    const __m256i pl = _mm256_shuffle_epi8(lut1, _mm256_and_si256(gleich, nib));
    p1 = _mm256_add_epi8(
        pl, _mm256_shuffle_epi8(lut1, _mm256_and_si256(_mm256_srli_epi16(gleich, 4), nib)));
  }
  const __m256i summe = _mm256_add_epi8(p1, _mm256_add_epi8(tl, th));
  return _mm256_sad_epu8(summe, _mm256_setzero_si256());
}

// Eight codes into eight class bytes, in code order.
[[gnu::target("avx2,popcnt"), gnu::always_inline]] inline void AchtAvx2(const uint64_t* c,
                                                                        __m256i g, __m256i lanes,
                                                                        __m256i gb, uint8_t* k) {
  const __m256i s1 = VierAvx2(c, g, lanes, gb);      // classes 0 2 | 1 3
  const __m256i s2 = VierAvx2(c + 8, g, lanes, gb);  // classes 4 6 | 5 7
  const char z = -128;
  const __m256i m1 = _mm256_setr_epi8(0, z, 8, z, z, z, z, z, z, z, z, z, z, z, z, z,  //
                                      z, 0, z, 8, z, z, z, z, z, z, z, z, z, z, z, z);
  const __m256i m2 = _mm256_setr_epi8(z, z, z, z, 0, z, 8, z, z, z, z, z, z, z, z, z,  //
                                      z, z, z, z, z, 0, z, 8, z, z, z, z, z, z, z, z);
  const __m256i b = _mm256_or_si256(_mm256_shuffle_epi8(s1, m1), _mm256_shuffle_epi8(s2, m2));
  const __m128i r = _mm_or_si128(_mm256_castsi256_si128(b), _mm256_extracti128_si256(b, 1));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(k), r);
}

[[gnu::target("avx2,popcnt")]] inline void KlassenAvx2(const ZAEHLAUFTRAG& a, const uint64_t* c,
                                                       int n, uint8_t* k) {
  const __m256i g = _mm256_set1_epi64x(static_cast<long long>(a.gwort));
  const __m256i lanes = _mm256_set1_epi64x(static_cast<long long>(a.lanes));
  const __m256i gb = _mm256_set1_epi64x(static_cast<long long>(a.gbits[0]));
  int j = 0;
  for (; j + 8 <= n; j += 8) AchtAvx2(c + 2 * j, g, lanes, gb, k + j);
  for (; j < n; ++j) k[j] = static_cast<uint8_t>(Klasse<1>(c + 2 * j, a));
}

// Stufe selects how the classes of a block are computed; the counting is the same.
template <int W, int Stufe>
[[gnu::always_inline]] inline void BlockKlassen(const ZAEHLAUFTRAG& a, const uint64_t* c, int n,
                                                uint8_t* k) {
  if constexpr (W == 1 && Stufe >= kStufeAvx2) {
    KlassenAvx2(a, c, n, k);
  } else {
    KlassenSkalar<W>(a, c, n, k);
  }
}

// The thread's three further class tables (ZAEHLPLATZ), zero between calls,
// added into the caller's table.
void Sammeln(int32_t* tab, int klassen, ZAEHLPLATZ& z) {
  for (int k = 0; k < klassen; ++k) {
    tab[k] += z.neben[0][k] + z.neben[1][k] + z.neben[2][k];
    z.neben[0][k] = z.neben[1][k] = z.neben[2][k] = 0;
  }
}

// Without vectors, one count word: the plain loop, cut to the fewest
// instructions a code, since the loop is bound by how many it issues. The test looks at the count
// before the increment, so that the branch need not wait for the addition, and the table offset is
// formed in bytes (64 per total, 4 per position) in one step.
[[gnu::target("popcnt")]] inline int64_t BisEinWort(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis,
                                                    int32_t schwelle) {
  char* tab = reinterpret_cast<char*>(a.tab);
  const uint64_t* c = a.erl + 2 * i;
  const uint64_t* const ende = a.erl + 2 * bis;
  const uint64_t g = a.gwort, lanes = a.lanes, gb = a.gbits[0];
  const int32_t vorher = schwelle - 1;  // the caller ensures schwelle > 0
#pragma GCC unroll 8
  for (; c != ende; c += 2) {
    const uint64_t gleich = ~((c[0] ^ g) + kLaneFill) & lanes;
    const uint64_t t = static_cast<uint64_t>(__builtin_popcountll(c[1] & gb)) << 6;
    const uint64_t off = t + 4 * static_cast<uint64_t>(__builtin_popcountll(gleich));
    int32_t* z = reinterpret_cast<int32_t*>(tab + off);
    if (__builtin_expect(*z >= vorher, 0)) {
      ++*z;
      return (c - a.erl) / 2;
    }
    ++*z;
  }
  return bis;
}

constexpr int kMaxLaenge = 9;
constexpr int kLanes = (kMaxLaenge + 1) * (kMaxLaenge + 2) / 2;  // 55

// The table's entry of lane l: T << 4 | P.
constexpr auto kLaneKlasse = [] {
  std::array<uint8_t, kLanes> k{};
  for (int t = 0, l = 0; t <= kMaxLaenge; ++t)
    for (int p = 0; p <= t; ++p) k[l++] = static_cast<uint8_t>(t << 4 | p);
  return k;
}();

// Lanes used by a table of klassen entries (16 per total).
inline int LanesVon(int klassen) {
  const int l = std::clamp(klassen / 16 - 1, 0, kMaxLaenge);
  return (l + 1) * (l + 2) / 2;
}

// ---- Counting with 512-bit vectors, any length and any number of count words.
//
// Eight codes a step. Each code becomes a word with a single one at its class's
// lane, T (T + 1) / 2 + P (0..54 up to length 9), and the words are added up
// bit by bit: the counts of every (lane, element) pair are kept as bit planes
// of weight 1, 2, 4, 8 and 16, into which a round of eight steps goes by seven
// carry-save adders of two three-input logic operations each. After a chunk of
// one or three rounds the planes go into the 32-bit counts: a byte selection
// brings the same byte of the eight elements together, a bit-matrix transpose
// turns each 8 x 8 block, and a byte population count then gives the number of
// elements with the bit set, lane by lane. So a code costs little more than the
// operations that find its class, and nothing waits on a count in memory.
//
// The counts are only seen after a chunk, so the exact stop is found by taking
// chunks back: a chunk that lifts a class to the threshold is counted again in
// steps of eight codes, and the last eight codes one at a time into the table.

// The compiler's 512-bit intrinsics start from an undefined register that it
// then warns of as maybe uninitialised (it never is read): hushed here only.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#define MT_ZIEL512                                                                      \
  "avx512f,avx512bw,avx512vl,avx512vpopcntdq,avx512vbmi,avx512bitalg,gfni,avx2,popcnt," \
  "bmi,bmi2"

struct BREITTAFELN {
  uint64_t tri[16];     // a one at lane T (T + 1) / 2, for T = 0..15
  uint8_t quer[64];     // byte selection: byte b of element j to byte j of element b
  uint8_t einheit[64];  // bit j in byte j of each element: the transpose's matrix
};
alignas(64) constexpr BREITTAFELN kBreit = [] {
  BREITTAFELN t{};
  for (int k = 0; k <= kMaxLaenge; ++k) t.tri[k] = uint64_t{1} << (k * (k + 1) / 2);
  for (int b = 0; b < 8; ++b) {
    for (int j = 0; j < 8; ++j) {
      t.quer[8 * b + j] = static_cast<uint8_t>(8 * j + b);
      t.einheit[8 * b + j] = static_cast<uint8_t>(1 << j);
    }
  }
  return t;
}();

void LanesLaden(const int32_t* tab, int n, int32_t* zahl) {
  for (int l = 0; l < n; ++l) zahl[l] = tab[kLaneKlasse[l]];
}
void LanesZurueck(const int32_t* zahl, int n, int32_t* tab) {
  for (int l = 0; l < n; ++l) tab[kLaneKlasse[l]] = zahl[l];
}

// The candidate's words for eight codes loaded as they lie. One or two count
// words: selections split the code and count words apart, and the candidate's
// words are broadcast. More: each loaded register is worked on as it lies,
// every element with the pattern of its kind (code word or count word k), and
// the per-element population counts are then gathered by byte selections.
template <int W>
struct BREIT {
  static constexpr int S = 1 + W;  // words per code
  static constexpr int R = W <= 2 ? 1 : S;
  __m512i gnicht, fill, lanes, gb[2];  // W <= 2: ~g, kLaneFill, lanes, gbits
  alignas(64) uint64_t mgnicht[R][8];  // W > 2: ~g at code words, 0 elsewhere
  alignas(64) uint64_t mfill[R][8];    // kLaneFill at code words, 0 elsewhere
  alignas(64) uint64_t maske[R][8];    // lanes at code words, gbits[k] at count word k
  alignas(64) uint8_t wahl_p[64];      // byte selection: P of code j to byte 8 j
  alignas(64) uint8_t wahl_t[64];      // count-word bytes of code j to bytes 8 j..8 j + W - 1
  uint64_t nur_p, nur_t;               // bytes the selections keep
};

template <int W>
[[gnu::target(MT_ZIEL512)]] inline void BreitVorbereiten(const ZAEHLAUFTRAG& a, BREIT<W>& b) {
  constexpr int S = BREIT<W>::S;
  if constexpr (W <= 2) {
    b.gnicht = _mm512_set1_epi64(static_cast<long long>(~a.gwort));
    b.fill = _mm512_set1_epi64(static_cast<long long>(kLaneFill));
    b.lanes = _mm512_set1_epi64(static_cast<long long>(a.lanes));
    for (int w = 0; w < W; ++w) b.gb[w] = _mm512_set1_epi64(static_cast<long long>(a.gbits[w]));
  } else {
    for (int r = 0; r < S; ++r) {
      for (int t = 0; t < 8; ++t) {
        const int k = (8 * r + t) % S;
        b.mgnicht[r][t] = k == 0 ? ~a.gwort : 0;
        b.mfill[r][t] = k == 0 ? kLaneFill : 0;
        b.maske[r][t] = k == 0 ? a.lanes : a.gbits[k - 1];
      }
    }
    // Word e of the loaded run (register e / 8, element e % 8) leaves its count
    // in byte e / 8 of element e % 8 once the registers are merged.
    auto byte = [](int e) { return static_cast<uint8_t>(8 * (e % 8) + e / 8); };
    b.nur_p = b.nur_t = 0;
    for (int j = 0; j < 8; ++j) {
      for (int k = 0; k < 8; ++k) {
        b.wahl_p[8 * j + k] = byte(S * j);
        b.wahl_t[8 * j + k] = k < W ? byte(S * j + 1 + k) : 0;
      }
      b.nur_p |= uint64_t{1} << (8 * j);
      b.nur_t |= ((uint64_t{1} << W) - 1) << (8 * j);
    }
  }
}

// Register r of eight codes from c, of which only the first n are read when
// Teil (words past them come as zero, and no memory past them is touched).
template <int S, bool Teil>
[[gnu::target(MT_ZIEL512), gnu::always_inline]] inline __m512i Laden(const uint64_t* c, int r,
                                                                     int n) {
  if constexpr (Teil) {
    const int w = std::clamp(S * n - 8 * r, 0, 8);
    if (w == 0) return _mm512_setzero_si512();
    return _mm512_maskz_loadu_epi64(static_cast<__mmask8>((1u << w) - 1), c + 8 * r);
  } else {
    return _mm512_loadu_si512(c + 8 * r);
  }
}

// Word k of eight codes of three words each (x, y, z loaded from the first):
// word 3 j + k of the run, from the first two registers, the last from the third.
[[gnu::target(MT_ZIEL512), gnu::always_inline]] inline __m512i Wort3(__m512i x, __m512i y,
                                                                     __m512i z, int k) {
  const __m512i idx =
      _mm512_add_epi64(_mm512_setr_epi64(0, 3, 6, 9, 12, 15, 18, 21), _mm512_set1_epi64(k));
  const __mmask8 hinten = k == 0 ? 0xC0 : 0xE0;  // elements from the third
  return _mm512_mask_permutexvar_epi64(_mm512_permutex2var_epi64(x, idx, y), hinten, idx, z);
}

// Positions in common: lanes equal in both codes, ~((c ^ g) + kLaneFill) & lanes,
// with ~(x + f) = ~x - f so that the candidate's word is inverted once.
[[gnu::target(MT_ZIEL512), gnu::always_inline]] inline __m512i Gleich(__m512i code, __m512i gnicht,
                                                                      __m512i fill, __m512i lanes) {
  return _mm512_popcnt_epi64(
      _mm512_and_si512(_mm512_sub_epi64(_mm512_xor_si512(code, gnicht), fill), lanes));
}

// P and T of eight codes from c (the first n when Teil), one per element.
template <int W, bool Teil>
[[gnu::target(MT_ZIEL512), gnu::always_inline]] inline void PT8(const BREIT<W>& b,
                                                                const uint64_t* c, int n,
                                                                __m512i& p, __m512i& t) {
  constexpr int S = BREIT<W>::S;
  if constexpr (W == 1) {
    const __m512i x = Laden<S, Teil>(c, 0, n), y = Laden<S, Teil>(c, 1, n);
    const __m512i code =
        _mm512_permutex2var_epi64(x, _mm512_setr_epi64(0, 2, 4, 6, 8, 10, 12, 14), y);
    const __m512i bits =
        _mm512_permutex2var_epi64(x, _mm512_setr_epi64(1, 3, 5, 7, 9, 11, 13, 15), y);
    p = Gleich(code, b.gnicht, b.fill, b.lanes);
    t = _mm512_popcnt_epi64(_mm512_and_si512(bits, b.gb[0]));
  } else if constexpr (W == 2) {
    const __m512i x = Laden<S, Teil>(c, 0, n), y = Laden<S, Teil>(c, 1, n),
                  z = Laden<S, Teil>(c, 2, n);
    p = Gleich(Wort3(x, y, z, 0), b.gnicht, b.fill, b.lanes);
    t = _mm512_add_epi64(_mm512_popcnt_epi64(_mm512_and_si512(Wort3(x, y, z, 1), b.gb[0])),
                         _mm512_popcnt_epi64(_mm512_and_si512(Wort3(x, y, z, 2), b.gb[1])));
  } else {
    __m512i z = _mm512_setzero_si512();
#pragma GCC unroll 8
    for (int r = 0; r < S; ++r) {
      const __m512i v = Gleich(Laden<S, Teil>(c, r, n), _mm512_load_si512(b.mgnicht[r]),
                               _mm512_load_si512(b.mfill[r]), _mm512_load_si512(b.maske[r]));
      z = _mm512_or_si512(z, _mm512_slli_epi64(v, 8 * r));
    }
    p = _mm512_maskz_permutexvar_epi8(b.nur_p, _mm512_load_si512(b.wahl_p), z);
    t = _mm512_sad_epu8(_mm512_maskz_permutexvar_epi8(b.nur_t, _mm512_load_si512(b.wahl_t), z),
                        _mm512_setzero_si512());
  }
}

// The words with a one at each code's lane, eight codes from c (the first n
// when Teil; the others give zero words).
template <int W, bool Teil>
[[gnu::target(MT_ZIEL512), gnu::always_inline]] inline __m512i Eins8(const BREIT<W>& b,
                                                                     __m512i tri_lo, __m512i tri_hi,
                                                                     const uint64_t* c, int n) {
  __m512i p, t;
  PT8<W, Teil>(b, c, n, p, t);
  const __m512i eins = _mm512_permutex2var_epi64(tri_lo, t, tri_hi);
  if constexpr (Teil) return _mm512_maskz_sllv_epi64(static_cast<__mmask8>((1u << n) - 1), eins, p);
  return _mm512_sllv_epi64(eins, p);
}

// The bit planes of the counts per (lane, element), and the sum of three bits.
struct EBENEN {
  __m512i e1, e2, e4, e8, e16;
};
[[gnu::target(MT_ZIEL512), gnu::always_inline]] inline __m512i Summe3(__m512i a, __m512i b,
                                                                      __m512i c, __m512i& trag) {
  trag = _mm512_ternarylogic_epi64(a, b, c, 0xE8);  // at least two of three
  return _mm512_ternarylogic_epi64(a, b, c, 0x96);  // an odd number of three
}

// Eight steps, 64 codes from c (n when Teil), added into the planes.
template <int W, bool Teil>
[[gnu::target(MT_ZIEL512), gnu::always_inline]] inline void Runde(const BREIT<W>& b,
                                                                  const uint64_t* c, int n,
                                                                  EBENEN& s) {
  constexpr int S = BREIT<W>::S;
  const __m512i lo = _mm512_load_si512(kBreit.tri), hi = _mm512_load_si512(kBreit.tri + 8);
  if constexpr (!Teil) {
    // The hardware's own prefetching falls behind when the codes come from the
    // shared cache: the lines of the round after next are asked for.
    Voraus(c, 2 * 64 * S, 8 * S);
  }
  __m512i h[8];
  for (int j = 0; j < 8; ++j) {
    const int m = std::clamp(n - 8 * j, 0, 8);
    h[j] = Teil && m == 0 ? _mm512_setzero_si512() : Eins8<W, Teil>(b, lo, hi, c + 8 * S * j, m);
  }
  __m512i a2, b2, a4, b4, a8;
  s.e1 = Summe3(s.e1, h[0], h[1], a2);
  s.e1 = Summe3(s.e1, h[2], h[3], b2);
  s.e2 = Summe3(s.e2, a2, b2, a4);
  s.e1 = Summe3(s.e1, h[4], h[5], a2);
  s.e1 = Summe3(s.e1, h[6], h[7], b2);
  s.e2 = Summe3(s.e2, a2, b2, b4);
  s.e4 = Summe3(s.e4, a4, b4, a8);
  // At most three rounds a chunk: the eights never carry twice.
  s.e16 = _mm512_ternarylogic_epi64(s.e16, s.e8, a8, 0xF8);  // e16 | (e8 & a8)
  s.e8 = _mm512_xor_si512(s.e8, a8);
}

// Per lane, the number of elements with the lane's bit set in plane x, as the
// byte at the lane's place.
[[gnu::target(MT_ZIEL512), gnu::always_inline]] inline __m512i Spalten(__m512i x) {
  // Byte b of every element side by side, then each 8 x 8 bit block transposed.
  const __m512i y = _mm512_permutexvar_epi8(_mm512_load_si512(kBreit.quer), x);
  return _mm512_popcnt_epi8(_mm512_gf2p8affine_epi64_epi8(_mm512_load_si512(kBreit.einheit), y, 0));
}

// Eight lanes' worth of byte counts added to the 32-bit counts alt, 16 lanes a
// register.
[[gnu::target(MT_ZIEL512), gnu::always_inline]] inline void Aufaddieren(__m512i x,
                                                                        const __m512i* alt,
                                                                        __m512i* neu) {
  neu[0] = _mm512_add_epi32(alt[0], _mm512_cvtepu8_epi32(_mm512_castsi512_si128(x)));
  neu[1] = _mm512_add_epi32(alt[1], _mm512_cvtepu8_epi32(_mm512_extracti32x4_epi32(x, 1)));
  neu[2] = _mm512_add_epi32(alt[2], _mm512_cvtepu8_epi32(_mm512_extracti32x4_epi32(x, 2)));
  neu[3] = _mm512_add_epi32(alt[3], _mm512_cvtepu8_epi32(_mm512_extracti32x4_epi32(x, 3)));
}

// n codes from c counted onto the counts alt: 192 in three rounds, 64 in one,
// up to eight in a single step, other numbers below 64 in one round in part.
template <int W>
[[gnu::target(MT_ZIEL512), gnu::always_inline]] inline void Stueck(const BREIT<W>& b,
                                                                   const uint64_t* c, int n,
                                                                   const __m512i* alt,
                                                                   __m512i* neu) {
  constexpr int S = BREIT<W>::S;
  if (n <= 8) {
    // One step: each element holds a single one, so one plane is the count.
    const __m512i lo = _mm512_load_si512(kBreit.tri), hi = _mm512_load_si512(kBreit.tri + 8);
    Aufaddieren(Spalten(Eins8<W, true>(b, lo, hi, c, n)), alt, neu);
    return;
  }
  const __m512i null = _mm512_setzero_si512();
  EBENEN s{null, null, null, null, null};
  if (n >= 64) {
    Runde<W, false>(b, c, 64, s);
    if (n == 192) {
      Runde<W, false>(b, c + 64 * S, 64, s);
      Runde<W, false>(b, c + 128 * S, 64, s);
    }
  } else {
    Runde<W, true>(b, c, n, s);
  }
  // At most 192 codes: every lane's sum fits its byte.
  __m512i x = Spalten(s.e16);
  x = _mm512_add_epi8(_mm512_add_epi8(x, x), Spalten(s.e8));
  x = _mm512_add_epi8(_mm512_add_epi8(x, x), Spalten(s.e4));
  x = _mm512_add_epi8(_mm512_add_epi8(x, x), Spalten(s.e2));
  x = _mm512_add_epi8(_mm512_add_epi8(x, x), Spalten(s.e1));
  Aufaddieren(x, alt, neu);
}

// Counts chunks from i while no class reaches the threshold, the counts in
// lane order in zahl. Returns the first code not counted: bis, or a code at
// most eight before the one whose class reaches the threshold. A chunk no
// longer than the distance of the largest count to the threshold cannot reach
// it; only closer to it are chunks counted on trial and taken back.
template <int W>
[[gnu::target(MT_ZIEL512)]] int64_t BisBreitStuecke(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis,
                                                    int32_t schwelle, int32_t* zahl) {
  constexpr int S = 1 + W;
  BREIT<W> b;
  BreitVorbereiten<W>(a, b);
  __m512i cnt[4];
  for (int q = 0; q < 4; ++q) cnt[q] = _mm512_load_si512(zahl + 16 * q);
  const __m512i thr = _mm512_set1_epi32(schwelle);
  bool schritte = false;  // a trial chunk of 64 failed: steps of eight
  while (i < bis) {
    const int64_t rest = bis - i;
    const int32_t mx = _mm512_reduce_max_epi32(
        _mm512_max_epi32(_mm512_max_epi32(cnt[0], cnt[1]), _mm512_max_epi32(cnt[2], cnt[3])));
    const int64_t abstand = int64_t{schwelle} - 1 - mx;
    int n;
    if (abstand >= 192 && rest >= 192) {
      n = 192;
    } else if (abstand >= 64 && rest >= 64) {
      n = 64;
    } else {
      n = static_cast<int>(std::min<int64_t>(schritte ? 8 : 64, rest));
    }
    __m512i neu[4];
    Stueck<W>(b, a.erl + i * S, n, cnt, neu);
    if (abstand < n) {
      // A class reached the threshold when its count rose and now stands at
      // it or above (a count that stood there before is reached by the next
      // code of its class).
      __mmask16 voll = 0;
      for (int q = 0; q < 4; ++q)
        voll |= _mm512_mask_cmpgt_epi32_mask(_mm512_cmpge_epi32_mask(neu[q], thr), neu[q], cnt[q]);
      if (__builtin_expect(voll != 0, 0)) {
        if (n <= 8) break;
        schritte = true;
        continue;
      }
    }
    for (int q = 0; q < 4; ++q) cnt[q] = neu[q];
    i += n;
  }
  for (int q = 0; q < 4; ++q) _mm512_store_si512(zahl + 16 * q, cnt[q]);
  return i;
}

template <int W>
[[gnu::target(MT_ZIEL512)]] int64_t BisBreit(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis,
                                             int32_t schwelle) {
  alignas(64) int32_t zahl[64] = {};
  const int n = LanesVon(a.klassen);
  LanesLaden(a.tab, n, zahl);
  i = BisBreitStuecke<W>(a, i, bis, schwelle, zahl);
  LanesZurueck(zahl, n, a.tab);
  // The eight codes in which a class reached the threshold, one at a time.
  int32_t* tab = a.tab;
  for (; i < bis; ++i) {
    if (++tab[Klasse<W>(a.erl + i * (1 + W), a)] >= schwelle) return i;
  }
  return bis;
}

template <int W>
[[gnu::target(MT_ZIEL512)]] void KlassenBreit(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis,
                                              uint8_t* klasse) {
  constexpr int S = 1 + W;
  BREIT<W> b;
  BreitVorbereiten<W>(a, b);
  for (; i < bis; i += 8, klasse += 8) {
    const int n = static_cast<int>(std::min<int64_t>(8, bis - i));
    __m512i p, t;
    if (n == 8) {
      PT8<W, false>(b, a.erl + i * S, 8, p, t);
    } else {
      PT8<W, true>(b, a.erl + i * S, n, p, t);
    }
    _mm512_mask_cvtepi64_storeu_epi8(klasse, static_cast<__mmask8>((1u << n) - 1),
                                     _mm512_or_si512(_mm512_slli_epi64(t, 4), p));
  }
}
#pragma GCC diagnostic pop

// ---- Counting with 256-bit vectors (machines without the wider ones).
//
// The classes of a block of codes come from the vectors (one count word) or
// from the population count instruction (more words), and are counted into the
// caller's table and the thread's three further tables in turn, so that codes
// of the same class do not wait for each other's store to one counter. No count
// is looked at meanwhile: a bound on the largest count (its value at the last
// look plus the codes counted since) tells how far the counting may run. When
// the bound comes within a block of the threshold, the largest count is summed
// from the four tables; once that too is within a block, the tables are
// gathered and the rest is counted one code at a time with the test.
constexpr int kBlockMittel = 64;

// The largest count of the classes (T, P), P <= T <= laenge, over the four
// tables. Only those entries: the caller need not clear the others.
[[gnu::target("avx2,popcnt,bmi,bmi2")]] inline int32_t Groesste(const int32_t* const* t,
                                                                int laenge) {
  const __m256i iota = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  __m256i mx = _mm256_setzero_si256();
  for (int zeile = 0; zeile <= laenge; ++zeile) {
    for (int h = 0; h < 16; h += 8) {
      const int k = zeile * 16 + h;
      const __m256i* z[4];
      for (int q = 0; q < 4; ++q) z[q] = reinterpret_cast<const __m256i*>(t[q] + k);
      const __m256i summe =
          _mm256_add_epi32(_mm256_add_epi32(_mm256_loadu_si256(z[0]), _mm256_loadu_si256(z[1])),
                           _mm256_add_epi32(_mm256_loadu_si256(z[2]), _mm256_loadu_si256(z[3])));
      // P = h + lane must not exceed T = zeile.
      const __m256i gilt = _mm256_cmpgt_epi32(_mm256_set1_epi32(zeile + 1),
                                              _mm256_add_epi32(iota, _mm256_set1_epi32(h)));
      mx = _mm256_max_epi32(mx, _mm256_and_si256(summe, gilt));
    }
  }
  alignas(32) int32_t m[8];
  _mm256_store_si256(reinterpret_cast<__m256i*>(m), mx);
  return *std::max_element(m, m + 8);
}

template <int W>
[[gnu::target("avx2,popcnt,bmi,bmi2")]] int64_t BisMittel(const ZAEHLAUFTRAG& auftrag, int64_t i,
                                                          int64_t bis, int32_t schwelle) {
  constexpr int S = 1 + W;
  // A copy the stores below cannot touch, so that the candidate's words stay
  // in registers.
  const ZAEHLAUFTRAG a = auftrag;
  int32_t* const t[4] = {a.tab, a.platz->neben[0], a.platz->neben[1], a.platz->neben[2]};
  const int laenge = std::clamp(a.klassen / 16 - 1, 0, kMaxLaenge);
  const __m256i g = _mm256_set1_epi64x(static_cast<long long>(a.gwort));
  const __m256i lanes = _mm256_set1_epi64x(static_cast<long long>(a.lanes));
  const __m256i gb = _mm256_set1_epi64x(static_cast<long long>(a.gbits[0]));
  alignas(32) uint64_t kq[kBlockMittel];  // classes of a block in any order
  int64_t schranke = Groesste(t, laenge);
  while (bis - i >= kBlockMittel) {
    if (int64_t{schwelle} - 1 - schranke < kBlockMittel) {
      schranke = Groesste(t, laenge);
      if (int64_t{schwelle} - 1 - schranke < kBlockMittel) break;
    }
    const uint64_t* c = a.erl + i * S;
    // The codes come from the shared cache faster when asked for ahead.
    Voraus(c, 2 * kBlockMittel * S, 8 * S);
    if constexpr (W == 1) {
      auto* z = reinterpret_cast<__m256i*>(kq);
      if (laenge <= 7) {
        for (int j = 0; j < kBlockMittel; j += 4)
          z[j / 4] = VierAvx2<true>(c + 2 * j, g, lanes, gb);
      } else {
        for (int j = 0; j < kBlockMittel; j += 4) z[j / 4] = VierAvx2(c + 2 * j, g, lanes, gb);
      }
      for (int j = 0; j < kBlockMittel; j += 4) {
        ++t[0][kq[j]];
        ++t[1][kq[j + 1]];
        ++t[2][kq[j + 2]];
        ++t[3][kq[j + 3]];
      }
    } else {
      for (int j = 0; j < kBlockMittel; j += 4) {
        ++t[0][Klasse<W>(c + j * S, a)];
        ++t[1][Klasse<W>(c + (j + 1) * S, a)];
        ++t[2][Klasse<W>(c + (j + 2) * S, a)];
        ++t[3][Klasse<W>(c + (j + 3) * S, a)];
      }
    }
    schranke += kBlockMittel;
    i += kBlockMittel;
  }
  Sammeln(a.tab, a.klassen, *a.platz);
  int32_t* tab = a.tab;
  if constexpr (W == 1) {
    alignas(32) uint8_t k[kBlockMittel];
    while (i < bis) {
      const int n = static_cast<int>(std::min<int64_t>(kBlockMittel, bis - i));
      KlassenAvx2(a, a.erl + i * S, n, k);
      for (int j = 0; j < n; ++j) {
        if (__builtin_expect(++tab[k[j]] >= schwelle, 0)) return i + j;
      }
      i += n;
    }
  } else {
    for (; i < bis; ++i) {
      if (__builtin_expect(++tab[Klasse<W>(a.erl + i * S, a)] >= schwelle, 0)) return i;
    }
  }
  return bis;
}

// The first code whose class reaches the threshold, by the instruction set
// chosen. Without vectors the classes are computed and counted one code at a
// time.
template <int W, int Stufe>
[[gnu::always_inline]] inline int64_t BisRumpf(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis,
                                               int32_t schwelle) {
  if constexpr (Stufe >= kStufeAvx512) {
    return BisBreit<W>(a, i, bis, schwelle);
  } else if constexpr (Stufe == kStufeAvx2) {
    return BisMittel<W>(a, i, bis, schwelle);
  } else {
    if constexpr (W == 1 && Stufe == kStufePopcnt) {
      if (schwelle > 0) return BisEinWort(a, i, bis, schwelle);
    }
    const uint64_t* e = a.erl;
    int32_t* tab = a.tab;
    for (; i < bis; ++i) {
      const int32_t z = ++tab[Klasse<W>(e + i * (1 + W), a)];
      if (__builtin_expect(z >= schwelle, 0)) return i;
    }
    return bis;
  }
}

template <int W>
[[gnu::always_inline]] inline int64_t FeinRumpf(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis,
                                                int32_t bestmax, int64_t bestsq, int64_t letzter,
                                                int64_t& quadrat) {
  const uint64_t* e = a.erl;
  int32_t* tab = a.tab;
  int64_t q = quadrat;
  for (; i < bis; ++i) {
    const int32_t z = ++tab[Klasse<W>(e + i * (1 + W), a)];
    q += 2 * int64_t{z} - 1;
    if (z > bestmax || q > bestsq || (q == bestsq && i != letzter)) {
      quadrat = q;
      return i;
    }
  }
  quadrat = q;
  return bis;
}

template <int W, int Stufe>
[[gnu::always_inline]] inline void KlassenRumpf(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis,
                                                uint8_t* klasse) {
  for (int64_t j = i; j < bis; j += kBlock) {
    const int n = static_cast<int>(std::min<int64_t>(kBlock, bis - j));
    BlockKlassen<W, Stufe>(a, a.erl + j * (1 + W), n, klasse + (j - i));
  }
}

#define MT_VARIANTE(NAME, STUFE, ATTR)                                                           \
  template <int W>                                                                               \
  ATTR int64_t Bis##NAME(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis, int32_t s) {             \
    return BisRumpf<W, STUFE>(a, i, bis, s);                                                     \
  }                                                                                              \
  template <int W>                                                                               \
  ATTR int64_t Fein##NAME(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis, int32_t bm, int64_t bs, \
                          int64_t letzter, int64_t& q) {                                         \
    return FeinRumpf<W>(a, i, bis, bm, bs, letzter, q);                                          \
  }                                                                                              \
  template <int W>                                                                               \
  ATTR void Klassen##NAME(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis, uint8_t* k) {           \
    KlassenRumpf<W, STUFE>(a, i, bis, k);                                                        \
  }

MT_VARIANTE(Avx512, kStufeAvx512, [[gnu::target(MT_ZIEL512)]])
MT_VARIANTE(Avx2, kStufeAvx2, [[gnu::target("avx2,popcnt,bmi,bmi2")]])
MT_VARIANTE(Pop, kStufePopcnt, [[gnu::target("popcnt,bmi,bmi2")]])
MT_VARIANTE(Allg, kStufeAllg, )
#undef MT_VARIANTE

template <template <int> class F, typename... Args>
auto NachWorten(int worte, Args&&... args) {
  switch (worte) {
    case 1:
      return F<1>::run(args...);
    case 2:
      return F<2>::run(args...);
    case 3:
      return F<3>::run(args...);
    case 4:
      return F<4>::run(args...);
    case 5:
      return F<5>::run(args...);
    default:
      return F<6>::run(args...);
  }
}

template <int W>
struct BisF {
  static int64_t run(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis, int32_t s) {
    switch (ZAEHLSTUFE) {
      case kStufeAvx512:
        return BisAvx512<W>(a, i, bis, s);
      case kStufeAvx2:
        return BisAvx2<W>(a, i, bis, s);
      case kStufePopcnt:
        return BisPop<W>(a, i, bis, s);
      default:
        return BisAllg<W>(a, i, bis, s);
    }
  }
};
template <int W>
struct FeinF {
  static int64_t run(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis, int32_t bm, int64_t bs,
                     int64_t letzter, int64_t& q) {
    // The fine test needs every count as it happens: no block of classes
    // ahead, so the vector variant is no faster here.
    return ZAEHLSTUFE >= kStufePopcnt ? FeinPop<W>(a, i, bis, bm, bs, letzter, q)
                                      : FeinAllg<W>(a, i, bis, bm, bs, letzter, q);
  }
};
template <int W>
struct KlassenF {
  static int run(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis, uint8_t* k) {
    switch (ZAEHLSTUFE) {
      case kStufeAvx512:
        KlassenBreit<W>(a, i, bis, k);
        break;
      case kStufeAvx2:
        KlassenAvx2<W>(a, i, bis, k);
        break;
      case kStufePopcnt:
        KlassenPop<W>(a, i, bis, k);
        break;
      default:
        KlassenAllg<W>(a, i, bis, k);
    }
    return 0;
  }
};

}  // namespace

int ZAEHLSTUFE_MASCHINE() {
  // May run before the library's own start-up code has looked at the processor.
  __builtin_cpu_init();
  if (!__builtin_cpu_supports("popcnt")) return kStufeAllg;
  if (!__builtin_cpu_supports("avx2")) return kStufePopcnt;
  const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                      __builtin_cpu_supports("avx512vl") &&
                      __builtin_cpu_supports("avx512vpopcntdq") &&
                      __builtin_cpu_supports("avx512vbmi") &&
                      __builtin_cpu_supports("avx512bitalg") && __builtin_cpu_supports("gfni");
  return avx512 ? kStufeAvx512 : kStufeAvx2;
}

int64_t ZAEHLEN_BIS(const ZAEHLAUFTRAG& a, int worte, int64_t von, int64_t bis, int32_t schwelle) {
  return NachWorten<BisF>(worte, a, von, bis, schwelle);
}

int64_t ZAEHLEN_FEIN(const ZAEHLAUFTRAG& a, int worte, int64_t von, int64_t bis, int32_t bestmax,
                     int64_t bestsq, int64_t letzter, int64_t& quadrat) {
  return NachWorten<FeinF>(worte, a, von, bis, bestmax, bestsq, letzter, quadrat);
}

void KLASSEN(const ZAEHLAUFTRAG& a, int worte, int64_t von, int64_t bis, uint8_t* klasse) {
  NachWorten<KlassenF>(worte, a, von, bis, klasse);
}

}  // namespace mtspiel

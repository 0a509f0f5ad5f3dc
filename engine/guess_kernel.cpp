#include "engine/guess_kernel.h"

#include <immintrin.h>

#include <algorithm>
#include <array>

#include "engine/guess_store.h"

namespace mtspiel {
namespace {

// Codes whose classes are computed before they are counted. Small, because the
// classes of the codes after an early abandon are computed in vain.
constexpr int kBlock = 32;

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
  const __m256i pl = _mm256_shuffle_epi8(lut1, _mm256_and_si256(gleich, nib));
  const __m256i ph = _mm256_shuffle_epi8(lut1, _mm256_and_si256(_mm256_srli_epi16(gleich, 4), nib));
  const __m256i tl = _mm256_shuffle_epi8(lut16, _mm256_and_si256(bits, nib));
  const __m256i th = _mm256_shuffle_epi8(lut16, _mm256_and_si256(_mm256_srli_epi16(bits, 4), nib));
  const __m256i summe = _mm256_add_epi8(_mm256_add_epi8(pl, ph), _mm256_add_epi8(tl, th));
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

// Three further class tables (the thread's ZAEHLPLATZ). Codes in a row count
// into different tables, so that codes of the same class do not wait for each
// other's store to the same counter. Zero between calls: a call adds them into
// the caller's table before it returns.
constexpr int kTafeln = 4;
constexpr int32_t kMehrereTafelnAb = 512;

void Sammeln(int32_t* tab, int klassen, ZAEHLPLATZ& z) {
  for (int k = 0; k < klassen; ++k) {
    tab[k] += z.neben[0][k] + z.neben[1][k] + z.neben[2][k];
    z.neben[0][k] = z.neben[1][k] = z.neben[2][k] = 0;
  }
}

// One count word and a threshold the single table suits: the plain loop, cut to
// the fewest instructions a code, since at a few hundred codes a candidate the
// loop is bound by how many it issues. The test looks at the count before the
// increment, so that the branch need not wait for the addition, and the table
// offset is formed in bytes (64 per total, 4 per position) in one step.
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

// Codes of at most six positions with one count word: eight codes a step, all
// in vector registers. Every answer class (T, P) has a lane of its own,
// T (T + 1) / 2 + P (0..27, since P <= T), which keeps a 32-bit count in one
// of two registers and a 4-bit count in one of two 64-bit words: each code
// sets a one in its class's nibble, the eight codes' words are added up (at
// most 8 a nibble) and spread to the count lanes. Nothing waits on a count in
// memory, and a code costs a handful of instructions. When a step would lift
// a count to the threshold, the counts before it go back to the table and the
// single table loop finds the exact code from the step's first. Up to length
// 4 all lanes fit one word (Hoch false), and the upper half is left out.
constexpr int kKurzLaenge = 6;   // longest code counted this way
constexpr int kKurzEinWort = 4;  // longest code whose lanes fit one nibble word
constexpr int kKurzLanes = 32;   // count lanes in registers (two of 16 or four of 8)

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

// Lanes in use: one per class (T, P) with P <= T <= the longest length.
constexpr int KurzLanes(bool hoch) {
  const int l = hoch ? kKurzLaenge : kKurzEinWort;
  return (l + 1) * (l + 2) / 2;
}

void KurzLaden(const int32_t* tab, bool hoch, int32_t* zahl) {
  for (int l = 0; l < KurzLanes(hoch); ++l) zahl[l] = tab[kLaneKlasse[l]];
}
void KurzZurueck(const int32_t* zahl, bool hoch, int32_t* tab) {
  for (int l = 0; l < KurzLanes(hoch); ++l) tab[kLaneKlasse[l]] = zahl[l];
}

// The compiler's 512-bit intrinsics start from an undefined register that it
// then warns of as maybe uninitialised (it never is read): hushed here only.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
template <bool Hoch>
[[gnu::target("avx512f,avx512bw,avx512vl,avx512vpopcntdq,avx512vbmi,popcnt")]] int64_t BisKurz512(
    const ZAEHLAUFTRAG& a, int64_t i, int64_t bis, int32_t schwelle) {
  alignas(64) int32_t zahl[kKurzLanes] = {};
  KurzLaden(a.tab, Hoch, zahl);
  __m512i cnt0 = _mm512_load_si512(zahl);
  __m512i cnt1 = _mm512_load_si512(zahl + 16);
  const __m512i thr = _mm512_set1_epi32(schwelle);
  const __m512i g = _mm512_set1_epi64(static_cast<long long>(a.gwort));
  const __m512i lanes = _mm512_set1_epi64(static_cast<long long>(a.lanes));
  const __m512i gb = _mm512_set1_epi64(static_cast<long long>(a.gbits[0]));
  const __m512i fill = _mm512_set1_epi64(static_cast<long long>(kLaneFill));
  const __m512i eins = _mm512_set1_epi64(1);
  const __m512i vierundsechzig = _mm512_set1_epi64(64);
  const __m512i dreieck4 = _mm512_setr_epi64(0, 4, 12, 24, 40, 60, 84, 0);  // 4 T (T + 1) / 2
  const __m512i codes = _mm512_setr_epi64(0, 2, 4, 6, 8, 10, 12, 14);
  const __m512i bitsw = _mm512_setr_epi64(1, 3, 5, 7, 9, 11, 13, 15);
  const __m128i nibbles =
      _mm_setr_epi8(0, 4, 8, 12, 16, 20, 24, 28, 32, 36, 40, 44, 48, 52, 56, 60);
  const __m128i vier = _mm_set1_epi8(0x0F);
  const uint64_t* c = a.erl + 2 * i;
  for (; i + 8 <= bis; i += 8, c += 16) {
    const __m512i x = _mm512_loadu_si512(c);
    const __m512i y = _mm512_loadu_si512(c + 8);
    const __m512i code = _mm512_permutex2var_epi64(x, codes, y);
    const __m512i bits = _mm512_permutex2var_epi64(x, bitsw, y);
    const __m512i gleich =
        _mm512_andnot_si512(_mm512_add_epi64(_mm512_xor_si512(code, g), fill), lanes);
    const __m512i p = _mm512_popcnt_epi64(gleich);
    const __m512i t = _mm512_popcnt_epi64(_mm512_and_si512(bits, gb));
    const __m512i schiebe =
        _mm512_add_epi64(_mm512_permutexvar_epi64(t, dreieck4), _mm512_slli_epi64(p, 2));
    // Shifts of 64 and more give 0: a one lands in exactly one of the words.
    const __m512i eine = _mm512_sllv_epi64(eins, schiebe);
    __m256i s4 = _mm256_add_epi64(_mm512_castsi512_si256(eine), _mm512_extracti64x4_epi64(eine, 1));
    __m128i s2 = _mm_add_epi64(_mm256_castsi256_si128(s4), _mm256_extracti128_si256(s4, 1));
    // The sum in both halves, so that one byte selection spreads all 16 nibbles.
    const __m128i s1 = _mm_add_epi64(s2, _mm_shuffle_epi32(s2, 0x4E));
    __m512i neu1 = cnt1;
    if constexpr (Hoch) {
      const __m512i hohe = _mm512_sllv_epi64(eins, _mm512_sub_epi64(schiebe, vierundsechzig));
      s4 = _mm256_add_epi64(_mm512_castsi512_si256(hohe), _mm512_extracti64x4_epi64(hohe, 1));
      s2 = _mm_add_epi64(_mm256_castsi256_si128(s4), _mm256_extracti128_si256(s4, 1));
      const __m128i h1 = _mm_add_epi64(s2, _mm_shuffle_epi32(s2, 0x4E));
      const __m128i je1 = _mm_and_si128(_mm_multishift_epi64_epi8(nibbles, h1), vier);
      neu1 = _mm512_add_epi32(cnt1, _mm512_cvtepu8_epi32(je1));
    }
    const __m128i je0 = _mm_and_si128(_mm_multishift_epi64_epi8(nibbles, s1), vier);
    const __m512i neu0 = _mm512_add_epi32(cnt0, _mm512_cvtepu8_epi32(je0));
    const __mmask16 voll = _mm512_cmpge_epi32_mask(neu0, thr) | _mm512_cmpge_epi32_mask(neu1, thr);
    if (__builtin_expect(voll != 0, 0)) break;
    cnt0 = neu0;
    cnt1 = neu1;
  }
  _mm512_store_si512(zahl, cnt0);
  _mm512_store_si512(zahl + 16, cnt1);
  KurzZurueck(zahl, Hoch, a.tab);
  return i < bis ? BisEinWort(a, i, bis, schwelle) : bis;
}
#pragma GCC diagnostic pop

// The same counting with 256-bit vectors, for machines without the wider ones:
// the population counts come from nibble lookups, 4 P already scaled by the
// table and 4 T (T + 1) / 2 by a byte lookup on T, and the summed nibbles are
// spread to bytes by masking and interleaving.
struct KURZ2 {
  __m256i g, lanes, gb, fill, nib, lut1, lut4, dreieck4;
};

// Shift amounts of four codes (from p): 4 P + 4 T (T + 1) / 2, one per 64-bit element.
[[gnu::target("avx2,popcnt"), gnu::always_inline]] inline __m256i SchiebeAvx2(const KURZ2& k,
                                                                              const uint64_t* p) {
  const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 4));
  const __m256i code = _mm256_unpacklo_epi64(x, y);
  const __m256i bits = _mm256_and_si256(_mm256_unpackhi_epi64(x, y), k.gb);
  const __m256i gleich =
      _mm256_andnot_si256(_mm256_add_epi64(_mm256_xor_si256(code, k.g), k.fill), k.lanes);
  const __m256i pl = _mm256_shuffle_epi8(k.lut4, _mm256_and_si256(gleich, k.nib));
  const __m256i ph =
      _mm256_shuffle_epi8(k.lut4, _mm256_and_si256(_mm256_srli_epi16(gleich, 4), k.nib));
  const __m256i tl = _mm256_shuffle_epi8(k.lut1, _mm256_and_si256(bits, k.nib));
  const __m256i th =
      _mm256_shuffle_epi8(k.lut1, _mm256_and_si256(_mm256_srli_epi16(bits, 4), k.nib));
  const __m256i p4 = _mm256_sad_epu8(_mm256_add_epi8(pl, ph), _mm256_setzero_si256());
  const __m256i t = _mm256_sad_epu8(_mm256_add_epi8(tl, th), _mm256_setzero_si256());
  return _mm256_add_epi64(p4, _mm256_shuffle_epi8(k.dreieck4, t));
}

// The nibble words of eight codes summed; the sum in both halves of the result.
[[gnu::target("avx2,popcnt"), gnu::always_inline]] inline __m128i SummeAvx2(__m256i e0,
                                                                            __m256i e1) {
  const __m256i e = _mm256_add_epi64(e0, e1);
  const __m128i s2 = _mm_add_epi64(_mm256_castsi256_si128(e), _mm256_extracti128_si256(e, 1));
  return _mm_add_epi64(s2, _mm_shuffle_epi32(s2, 0x4E));
}

// Sixteen nibbles to sixteen 32-bit lanes, added to two count registers.
[[gnu::target("avx2,popcnt"), gnu::always_inline]] inline void SpreizenAvx2(__m128i w, __m256i& z0,
                                                                            __m256i& z1) {
  const __m128i nib = _mm_set1_epi8(0x0F);
  const __m128i b =
      _mm_unpacklo_epi8(_mm_and_si128(w, nib), _mm_and_si128(_mm_srli_epi16(w, 4), nib));
  z0 = _mm256_add_epi32(z0, _mm256_cvtepu8_epi32(b));
  z1 = _mm256_add_epi32(z1, _mm256_cvtepu8_epi32(_mm_srli_si128(b, 8)));
}

template <bool Hoch>
[[gnu::target("avx2,popcnt")]] int64_t BisKurzAvx2(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis,
                                                   int32_t schwelle) {
  alignas(32) int32_t zahl[kKurzLanes] = {};
  KurzLaden(a.tab, Hoch, zahl);
  __m256i cnt[4];
  for (int r = 0; r < 4; ++r) cnt[r] = _mm256_load_si256(reinterpret_cast<__m256i*>(zahl + 8 * r));
  KURZ2 k;
  k.g = _mm256_set1_epi64x(static_cast<long long>(a.gwort));
  k.lanes = _mm256_set1_epi64x(static_cast<long long>(a.lanes));
  k.gb = _mm256_set1_epi64x(static_cast<long long>(a.gbits[0]));
  k.fill = _mm256_set1_epi64x(static_cast<long long>(kLaneFill));
  k.nib = _mm256_set1_epi8(0x0F);
  k.lut1 = _mm256_setr_epi8(0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4,  //
                            0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4);
  k.lut4 = _mm256_slli_epi16(k.lut1, 2);
  k.dreieck4 = _mm256_setr_epi8(0, 4, 12, 24, 40, 60, 84, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
                                0, 4, 12, 24, 40, 60, 84, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  const __m256i vorher = _mm256_set1_epi32(schwelle - 1);
  const __m256i eins = _mm256_set1_epi64x(1);
  const __m256i vierundsechzig = _mm256_set1_epi64x(64);
  const uint64_t* c = a.erl + 2 * i;
  for (; i + 8 <= bis; i += 8, c += 16) {
    const __m256i s0 = SchiebeAvx2(k, c), s1 = SchiebeAvx2(k, c + 8);
    __m256i neu[4] = {cnt[0], cnt[1], cnt[2], cnt[3]};
    SpreizenAvx2(SummeAvx2(_mm256_sllv_epi64(eins, s0), _mm256_sllv_epi64(eins, s1)), neu[0],
                 neu[1]);
    __m256i voll =
        _mm256_or_si256(_mm256_cmpgt_epi32(neu[0], vorher), _mm256_cmpgt_epi32(neu[1], vorher));
    if constexpr (Hoch) {
      const __m256i h0 = _mm256_sllv_epi64(eins, _mm256_sub_epi64(s0, vierundsechzig));
      const __m256i h1 = _mm256_sllv_epi64(eins, _mm256_sub_epi64(s1, vierundsechzig));
      SpreizenAvx2(SummeAvx2(h0, h1), neu[2], neu[3]);
      voll = _mm256_or_si256(voll, _mm256_or_si256(_mm256_cmpgt_epi32(neu[2], vorher),
                                                   _mm256_cmpgt_epi32(neu[3], vorher)));
    }
    if (__builtin_expect(!_mm256_testz_si256(voll, voll), 0)) break;
    for (int r = 0; r < 4; ++r) cnt[r] = neu[r];
  }
  for (int r = 0; r < 4; ++r) _mm256_store_si256(reinterpret_cast<__m256i*>(zahl + 8 * r), cnt[r]);
  KurzZurueck(zahl, Hoch, a.tab);
  return i < bis ? BisEinWort(a, i, bis, schwelle) : bis;
}

// ---- Counting with 512-bit vectors, any length and any number of count words.
//
// Eight codes a step. Each code becomes a word with a single one at its class's
// lane, T (T + 1) / 2 + P (0..54 up to length 9), and the eight words of a step
// are added up bit by bit: the counts of every (lane, element) pair are kept as
// bit planes of weight 1, 2, 4, 8 and 16, and eight steps are added into them
// by seven carry-save adders of two three-input logic operations each. After
// one or three rounds of eight steps the planes go into the 32-bit counts: a
// byte selection brings the eight elements' bytes of each lane group together,
// a bit-matrix transpose turns them so that a byte population count gives the
// number of elements with the bit set. So a code costs a little over one vector
// operation, and nothing waits on a count in memory.
//
// The counts are only seen after a round, so the exact stop is found by taking
// a round back: when a round lifts a class to the threshold, the counts before
// it go to the table and the codes of that round are counted one at a time.
// Three rounds are tried at a time, one once three have failed.
// The compiler's 512-bit intrinsics start from an undefined register that it
// then warns of as maybe uninitialised (it never is read): hushed here only.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#define MT_ZIEL512                                                                      \
  "avx512f,avx512bw,avx512vl,avx512vpopcntdq,avx512vbmi,avx512bitalg,gfni,avx2,popcnt," \
  "bmi,bmi2"

void LanesLaden(const int32_t* tab, int n, int32_t* zahl) {
  for (int l = 0; l < n; ++l) zahl[l] = tab[kLaneKlasse[l]];
}
void LanesZurueck(const int32_t* zahl, int n, int32_t* tab) {
  for (int l = 0; l < n; ++l) tab[kLaneKlasse[l]] = zahl[l];
}

// The candidate's words laid out for the element order of the loaded codes.
// One count word: the code and count words of eight codes are split apart by
// two selections. More count words: each loaded register is worked on as it
// lies, every element with the pattern of its kind (code or count word k), and
// the per-element population counts are then gathered by a byte selection.
template <int W>
struct BREIT {
  static constexpr int S = 1 + W;     // words per code
  alignas(64) uint64_t gnicht[S][8];  // ~g at code words, 0 elsewhere
  alignas(64) uint64_t fill[S][8];    // kLaneFill at code words, 0 elsewhere
  alignas(64) uint64_t maske[S][8];   // lanes at code words, gbits[k] at count word k
  alignas(64) uint8_t wahl_p[64];     // byte selection: P of code j to byte 8 j
  alignas(64) uint8_t wahl_t[64];     // count-word bytes of code j to bytes 8 j..8 j + W - 1
  uint64_t nur_p = 0, nur_t = 0;      // bytes the selections keep
};

template <int W>
void BreitVorbereiten(const ZAEHLAUFTRAG& a, BREIT<W>& b) {
  constexpr int S = BREIT<W>::S;
  for (int r = 0; r < S; ++r) {
    for (int t = 0; t < 8; ++t) {
      // One or two count words: the selections have split the words already.
      const int k = W <= 2 ? r : (8 * r + t) % S;
      b.gnicht[r][t] = k == 0 ? ~a.gwort : 0;
      b.fill[r][t] = k == 0 ? kLaneFill : 0;
      b.maske[r][t] = k == 0 ? a.lanes : a.gbits[k - 1];
    }
  }
  // Element e of the loaded run (register e / 8, place e % 8) leaves its count
  // in byte e / 8 of element e % 8 once the registers are merged.
  auto byte = [](int e) { return static_cast<uint8_t>(8 * (e % 8) + e / 8); };
  b.nur_p = b.nur_t = 0;
  for (int j = 0; j < 8; ++j) {
    for (int k = 0; k < 8; ++k) {
      b.wahl_p[8 * j + k] = byte(S * j);
      b.wahl_t[8 * j + k] = k < W ? byte(S * j + 1 + k) : 0;
      if (k == 0) b.nur_p |= uint64_t{1} << (8 * j);
      if (k < W) b.nur_t |= uint64_t{1} << (8 * j + k);
    }
  }
}

// Word k of eight codes of three words each (x, y, z loaded from the first):
// element 3 j + k, from the first two registers, the last ones from the third.
[[gnu::target(MT_ZIEL512), gnu::always_inline]] inline __m512i Wort3(__m512i x, __m512i y,
                                                                     __m512i z, int k) {
  const __m512i idx =
      _mm512_add_epi64(_mm512_setr_epi64(0, 3, 6, 9, 12, 15, 18, 21), _mm512_set1_epi64(k));
  const __mmask8 hinten = k == 0 ? 0xC0 : 0xE0;
  return _mm512_mask_permutexvar_epi64(_mm512_permutex2var_epi64(x, idx, y), hinten, idx, z);
}

// P and T of eight codes from c, one per 64-bit element.
template <int W>
[[gnu::target(MT_ZIEL512), gnu::always_inline]] inline void PT8(const BREIT<W>& b,
                                                                const uint64_t* c, __m512i& p,
                                                                __m512i& t) {
  if constexpr (W == 1) {
    const __m512i x = _mm512_loadu_si512(c);
    const __m512i y = _mm512_loadu_si512(c + 8);
    const __m512i code =
        _mm512_permutex2var_epi64(x, _mm512_setr_epi64(0, 2, 4, 6, 8, 10, 12, 14), y);
    const __m512i bits =
        _mm512_permutex2var_epi64(x, _mm512_setr_epi64(1, 3, 5, 7, 9, 11, 13, 15), y);
    const __m512i gleich =
        _mm512_and_si512(_mm512_sub_epi64(_mm512_xor_si512(code, _mm512_load_si512(b.gnicht[0])),
                                          _mm512_load_si512(b.fill[0])),
                         _mm512_load_si512(b.maske[0]));
    p = _mm512_popcnt_epi64(gleich);
    t = _mm512_popcnt_epi64(_mm512_and_si512(bits, _mm512_load_si512(b.maske[1])));
  } else if constexpr (W == 2) {
    const __m512i x = _mm512_loadu_si512(c);
    const __m512i y = _mm512_loadu_si512(c + 8);
    const __m512i z = _mm512_loadu_si512(c + 16);
    const __m512i gleich = _mm512_and_si512(
        _mm512_sub_epi64(_mm512_xor_si512(Wort3(x, y, z, 0), _mm512_load_si512(b.gnicht[0])),
                         _mm512_load_si512(b.fill[0])),
        _mm512_load_si512(b.maske[0]));
    p = _mm512_popcnt_epi64(gleich);
    t = _mm512_add_epi64(
        _mm512_popcnt_epi64(_mm512_and_si512(Wort3(x, y, z, 1), _mm512_load_si512(b.maske[1]))),
        _mm512_popcnt_epi64(_mm512_and_si512(Wort3(x, y, z, 2), _mm512_load_si512(b.maske[2]))));
  } else {
    constexpr int S = BREIT<W>::S;
    __m512i z = _mm512_setzero_si512();
#pragma GCC unroll 8
    for (int r = 0; r < S; ++r) {
      const __m512i x = _mm512_loadu_si512(c + 8 * r);
      const __m512i v =
          _mm512_and_si512(_mm512_sub_epi64(_mm512_xor_si512(x, _mm512_load_si512(b.gnicht[r])),
                                            _mm512_load_si512(b.fill[r])),
                           _mm512_load_si512(b.maske[r]));
      z = _mm512_or_si512(z, _mm512_slli_epi64(_mm512_popcnt_epi64(v), 8 * r));
    }
    p = _mm512_maskz_permutexvar_epi8(b.nur_p, _mm512_load_si512(b.wahl_p), z);
    t = _mm512_sad_epu8(_mm512_maskz_permutexvar_epi8(b.nur_t, _mm512_load_si512(b.wahl_t), z),
                        _mm512_setzero_si512());
  }
}

// The bit planes of the counts per (lane, element) and the sum of three bits.
struct EBENEN {
  __m512i e1, e2, e4, e8, e16;
};
[[gnu::target(MT_ZIEL512), gnu::always_inline]] inline __m512i Summe3(__m512i a, __m512i b,
                                                                      __m512i c,
                                                                      __m512i& uebertrag) {
  uebertrag = _mm512_ternarylogic_epi64(a, b, c, 0xE8);  // at least two of three
  return _mm512_ternarylogic_epi64(a, b, c, 0x96);       // odd number of three
}

struct EINSEN {
  __m512i tri_lo, tri_hi;  // one at lane T (T + 1) / 2, for T = 0..15
};

// The words with a one at each code's lane, eight codes from c.
template <int W>
[[gnu::target(MT_ZIEL512), gnu::always_inline]] inline __m512i Eins8(const BREIT<W>& b,
                                                                     const EINSEN& e,
                                                                     const uint64_t* c) {
  __m512i p, t;
  PT8<W>(b, c, p, t);
  return _mm512_sllv_epi64(_mm512_permutex2var_epi64(e.tri_lo, t, e.tri_hi), p);
}

// Eight steps, 64 codes from c, added into the planes.
template <int W>
[[gnu::target(MT_ZIEL512), gnu::always_inline]] inline void Runde(const BREIT<W>& b,
                                                                  const EINSEN& e,
                                                                  const uint64_t* c, EBENEN& s) {
  constexpr int S = BREIT<W>::S;
  // The hardware's own prefetching falls behind when the codes come from the
  // shared cache: the lines of the round after next are asked for.
  for (int z = 0; z < 8 * S; ++z)
    _mm_prefetch(reinterpret_cast<const char*>(c + 2 * 64 * S + 8 * z), _MM_HINT_T0);
  __m512i a2, b2, a4, b4, a8;
  s.e1 = Summe3(s.e1, Eins8<W>(b, e, c), Eins8<W>(b, e, c + 8 * S), a2);
  s.e1 = Summe3(s.e1, Eins8<W>(b, e, c + 16 * S), Eins8<W>(b, e, c + 24 * S), b2);
  s.e2 = Summe3(s.e2, a2, b2, a4);
  s.e1 = Summe3(s.e1, Eins8<W>(b, e, c + 32 * S), Eins8<W>(b, e, c + 40 * S), a2);
  s.e1 = Summe3(s.e1, Eins8<W>(b, e, c + 48 * S), Eins8<W>(b, e, c + 56 * S), b2);
  s.e2 = Summe3(s.e2, a2, b2, b4);
  s.e4 = Summe3(s.e4, a4, b4, a8);
  // At most three rounds: the eights never carry twice.
  s.e16 = _mm512_ternarylogic_epi64(s.e16, s.e8, a8, 0xF8);  // e16 | (e8 & a8)
  s.e8 = _mm512_xor_si512(s.e8, a8);
}

struct SPALTEN {
  __m512i quer, einheit;
};

// Per lane, the number of elements with the lane's bit set in plane x, as the
// byte at the lane's place.
[[gnu::target(MT_ZIEL512), gnu::always_inline]] inline __m512i Spalten(const SPALTEN& k,
                                                                       __m512i x) {
  // Byte b of every element side by side, then each 8 x 8 bit block transposed.
  const __m512i y = _mm512_permutexvar_epi8(k.quer, x);
  return _mm512_popcnt_epi8(_mm512_gf2p8affine_epi64_epi8(k.einheit, y, 0));
}

// The counts of a chunk added to the 32-bit counts: 16 lanes per register.
[[gnu::target(MT_ZIEL512), gnu::always_inline]] inline void Ausschuetten(const SPALTEN& k,
                                                                         const EBENEN& s,
                                                                         const __m512i* alt,
                                                                         __m512i* neu) {
  // At most 192 codes a chunk: the bytes hold the sums.
  __m512i x = Spalten(k, s.e16);
  x = _mm512_add_epi8(_mm512_add_epi8(x, x), Spalten(k, s.e8));
  x = _mm512_add_epi8(_mm512_add_epi8(x, x), Spalten(k, s.e4));
  x = _mm512_add_epi8(_mm512_add_epi8(x, x), Spalten(k, s.e2));
  x = _mm512_add_epi8(_mm512_add_epi8(x, x), Spalten(k, s.e1));
  neu[0] = _mm512_add_epi32(alt[0], _mm512_cvtepu8_epi32(_mm512_castsi512_si128(x)));
  neu[1] = _mm512_add_epi32(alt[1], _mm512_cvtepu8_epi32(_mm512_extracti32x4_epi32(x, 1)));
  neu[2] = _mm512_add_epi32(alt[2], _mm512_cvtepu8_epi32(_mm512_extracti32x4_epi32(x, 2)));
  neu[3] = _mm512_add_epi32(alt[3], _mm512_cvtepu8_epi32(_mm512_extracti32x4_epi32(x, 3)));
}

struct BREITLAUF {
  EINSEN e;
  SPALTEN k;
};

[[gnu::target(MT_ZIEL512)]] inline void LaufVorbereiten(BREITLAUF& l) {
  alignas(64) uint64_t tri[16] = {};
  for (int t = 0; t <= kMaxLaenge; ++t) tri[t] = uint64_t{1} << (t * (t + 1) / 2);
  l.e.tri_lo = _mm512_load_si512(tri);
  l.e.tri_hi = _mm512_load_si512(tri + 8);
  alignas(64) uint8_t quer[64], einheit[64];
  for (int b = 0; b < 8; ++b) {
    for (int j = 0; j < 8; ++j) {
      quer[8 * b + j] = static_cast<uint8_t>(8 * j + b);
      einheit[8 * b + j] = static_cast<uint8_t>(1 << j);
    }
  }
  l.k.quer = _mm512_load_si512(quer);
  l.k.einheit = _mm512_load_si512(einheit);
}

// Codes from i in chunks of rounds while no class reaches the threshold; the
// counts are kept in lane order in zahl. Returns the first code not counted.
template <int W>
[[gnu::target(MT_ZIEL512)]] int64_t BisBreitRunden(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis,
                                                   int32_t schwelle, int32_t* zahl) {
  constexpr int S = 1 + W;
  BREIT<W> b;
  BreitVorbereiten<W>(a, b);
  BREITLAUF l;
  LaufVorbereiten(l);
  __m512i cnt[4];
  for (int q = 0; q < 4; ++q) cnt[q] = _mm512_load_si512(zahl + 16 * q);
  const __m512i thr = _mm512_set1_epi32(schwelle);
  int runden = 3;
  while (bis - i >= 64) {
    if (bis - i < 64 * runden) runden = 1;
    EBENEN s{};
    const uint64_t* c = a.erl + i * S;
    Runde<W>(b, l.e, c, s);
    if (runden == 3) {
      Runde<W>(b, l.e, c + 64 * S, s);
      Runde<W>(b, l.e, c + 128 * S, s);
    }
    __m512i neu[4];
    Ausschuetten(l.k, s, cnt, neu);
    // A class reached the threshold in this chunk when its count rose and now
    // stands at the threshold or above (a count already there before counts
    // as reached by the next code of its class).
    __mmask16 voll = 0;
    for (int q = 0; q < 4; ++q)
      voll |= _mm512_mask_cmpgt_epi32_mask(_mm512_cmpge_epi32_mask(neu[q], thr), neu[q], cnt[q]);
    if (__builtin_expect(voll != 0, 0)) {
      if (runden == 1) break;
      runden = 1;
      continue;
    }
    for (int q = 0; q < 4; ++q) cnt[q] = neu[q];
    i += 64 * runden;
  }
  for (int q = 0; q < 4; ++q) _mm512_store_si512(zahl + 16 * q, cnt[q]);
  return i;
}

template <int W>
[[gnu::target(MT_ZIEL512)]] int64_t BisBreit(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis,
                                             int32_t schwelle) {
  if (bis - i >= 64) {
    alignas(64) int32_t zahl[64] = {};
    const int n = LanesVon(a.klassen);
    LanesLaden(a.tab, n, zahl);
    i = BisBreitRunden<W>(a, i, bis, schwelle, zahl);
    LanesZurueck(zahl, n, a.tab);
  }
  // The rest, or the chunk in which a class reached the threshold: one code at a time.
  int32_t* tab = a.tab;
  for (; i < bis; ++i) {
    if (__builtin_expect(++tab[Klasse<W>(a.erl + i * (1 + W), a)] >= schwelle, 0)) return i;
  }
  return bis;
}

#pragma GCC diagnostic pop

// The early abandon must name exactly the first code whose class reaches the
// threshold. Counting into four tables, the sum of the four tables' largest
// counts bounds every class from above; while that bound stays below the
// threshold no code can have reached it, and nothing needs checking. Once a
// block lifts the bound to the threshold, the block is taken back and the rest
// is counted one code at a time in the caller's table.
template <int W, int Stufe>
[[gnu::always_inline]] inline int64_t BisRumpf(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis,
                                               int32_t schwelle) {
  // Without vectors the classes cost too much to be computed ahead, and with a
  // low threshold the bound reaches it after a few blocks: then one table,
  // classes computed and counted in one go. Either way the result is the same.
  if constexpr (Stufe >= kStufeAvx512) {
    return BisBreit<W>(a, i, bis, schwelle);
  } else if constexpr (W == 1 && Stufe == kStufeAvx2) {
    if (schwelle > 0 && a.klassen <= (kKurzEinWort + 1) * 16)
      return BisKurzAvx2<false>(a, i, bis, schwelle);
    if (schwelle > 0 && a.klassen <= (kKurzLaenge + 1) * 16)
      return BisKurzAvx2<true>(a, i, bis, schwelle);
  }
  if constexpr (W == 1 && Stufe >= kStufePopcnt) {
    if (schwelle > 0 && schwelle < kMehrereTafelnAb) return BisEinWort(a, i, bis, schwelle);
  }
  if (W != 1 || Stufe < kStufeAvx2 || schwelle < kMehrereTafelnAb) {
    const uint64_t* e = a.erl;
    int32_t* tab = a.tab;
    for (; i < bis; ++i) {
      const int32_t z = ++tab[Klasse<W>(e + i * (1 + W), a)];
      if (__builtin_expect(z >= schwelle, 0)) return i;
    }
    return bis;
  }
  int32_t* t0 = a.tab;
  int32_t* t1 = a.platz->neben[0];
  int32_t* t2 = a.platz->neben[1];
  int32_t* t3 = a.platz->neben[2];
  int32_t m0 = 0, m1 = 0, m2 = 0, m3 = 0;
  for (int k = 0; k < a.klassen; ++k) m0 = std::max(m0, t0[k]);
  bool einzeln = m0 >= schwelle;
  alignas(32) uint8_t k[kBlock];
  while (i < bis) {
    const int n = static_cast<int>(std::min<int64_t>(kBlock, bis - i));
    BlockKlassen<W, Stufe>(a, a.erl + i * (1 + W), n, k);
    if (!einzeln) {
      if (n == kBlock) {
        int32_t n0 = m0, n1 = m1, n2 = m2, n3 = m3;
        for (int j = 0; j < kBlock; j += kTafeln) {
          n0 = std::max(n0, ++t0[k[j]]);
          n1 = std::max(n1, ++t1[k[j + 1]]);
          n2 = std::max(n2, ++t2[k[j + 2]]);
          n3 = std::max(n3, ++t3[k[j + 3]]);
        }
        if (int64_t{n0} + n1 + n2 + n3 < schwelle) {
          m0 = n0, m1 = n1, m2 = n2, m3 = n3;
          i += n;
          continue;
        }
        for (int j = 0; j < kBlock; j += kTafeln) {
          --t0[k[j]];
          --t1[k[j + 1]];
          --t2[k[j + 2]];
          --t3[k[j + 3]];
        }
      }
      Sammeln(t0, a.klassen, *a.platz);
      einzeln = true;
    }
    for (int j = 0; j < n; ++j) {
      if (__builtin_expect(++t0[k[j]] >= schwelle, 0)) return i + j;
    }
    i += n;
  }
  if (!einzeln) Sammeln(t0, a.klassen, *a.platz);
  return bis;
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

MT_VARIANTE(Avx512, kStufeAvx512,
            [[gnu::target("avx512f,avx512bw,avx512vl,avx512vpopcntdq,avx512vbmi,avx2,popcnt,bmi,"
                          "bmi2")]])
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

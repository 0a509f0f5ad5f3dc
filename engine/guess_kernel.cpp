#include "engine/guess_kernel.h"

#include "engine/guess_store.h"

namespace mtspiel {
namespace {

// Answer class of possible code c against the candidate: positions in common
// from the lanes that cancel under xor, signs in common from the count bits.
template <int W>
[[gnu::always_inline]] inline int Klasse(const uint64_t* c, const ZAEHLAUFTRAG& a) {
  const uint64_t gleich = ~((c[0] ^ a.gwort) + kLaneFill) & a.lanes;
  int t = __builtin_popcountll(c[1] & a.gbits[0]);
  for (int w = 1; w < W; ++w) t += __builtin_popcountll(c[1 + w] & a.gbits[w]);
  return t << 4 | __builtin_popcountll(gleich);
}

template <int W>
[[gnu::always_inline]] inline int64_t BisRumpf(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis,
                                               int32_t schwelle) {
  const uint64_t* e = a.erl;
  int32_t* tab = a.tab;
  for (; i < bis; ++i) {
    const int32_t z = ++tab[Klasse<W>(e + i * (1 + W), a)];
    if (__builtin_expect(z >= schwelle, 0)) return i;
  }
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

template <int W>
[[gnu::always_inline]] inline void KlassenRumpf(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis,
                                                uint8_t* klasse) {
  for (int64_t j = i; j < bis; ++j)
    klasse[j - i] = static_cast<uint8_t>(Klasse<W>(a.erl + j * (1 + W), a));
}

#define MT_VARIANTE(NAME, ATTR)                                                                  \
  template <int W>                                                                               \
  ATTR int64_t Bis##NAME(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis, int32_t s) {             \
    return BisRumpf<W>(a, i, bis, s);                                                            \
  }                                                                                              \
  template <int W>                                                                               \
  ATTR int64_t Fein##NAME(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis, int32_t bm, int64_t bs, \
                          int64_t letzter, int64_t& q) {                                         \
    return FeinRumpf<W>(a, i, bis, bm, bs, letzter, q);                                          \
  }                                                                                              \
  template <int W>                                                                               \
  ATTR void Klassen##NAME(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis, uint8_t* k) {           \
    KlassenRumpf<W>(a, i, bis, k);                                                               \
  }

MT_VARIANTE(Pop, [[gnu::target("popcnt,bmi,bmi2")]])
MT_VARIANTE(Allg, )
#undef MT_VARIANTE

const bool kPopcnt = __builtin_cpu_supports("popcnt");

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
    return kPopcnt ? BisPop<W>(a, i, bis, s) : BisAllg<W>(a, i, bis, s);
  }
};
template <int W>
struct FeinF {
  static int64_t run(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis, int32_t bm, int64_t bs,
                     int64_t letzter, int64_t& q) {
    return kPopcnt ? FeinPop<W>(a, i, bis, bm, bs, letzter, q)
                   : FeinAllg<W>(a, i, bis, bm, bs, letzter, q);
  }
};
template <int W>
struct KlassenF {
  static int run(const ZAEHLAUFTRAG& a, int64_t i, int64_t bis, uint8_t* k) {
    if (kPopcnt) {
      KlassenPop<W>(a, i, bis, k);
    } else {
      KlassenAllg<W>(a, i, bis, k);
    }
    return 0;
  }
};

}  // namespace

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

// The guessing set-up: every code the computer may play, in a random order made
// with the shuffle buckets, and the codes that may be the secret.
#include "engine/guess_store.h"

#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cassert>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "clock/game_clock.h"
#include "engine/engine_state.h"
#include "engine/guess_evaluate.h"
#include "engine/guessing.h"
#include "engine/memory_budget.h"
#include "engine/open_codes.h"
#include "game/input.h"
#include "game/signs.h"
#include "screen/terminal.h"

namespace mtspiel {

void PERMUTATION_ZIEHEN(uint8_t* perm, uint8_t* liste, uint8_t& hilf, int m);

namespace {

// Decoding a record number into its code word: the odometer value splits into
// a low and a high half, each looked up in a table built from the permutations.
struct DEKODER {
  uint64_t* tief = nullptr;
  uint64_t* hoch = nullptr;
  size_t tief_n = 0, hoch_n = 0;
  uint32_t teiler = 1;
  uint64_t kehrwert = 0;  // ceil(2^64 / teiler): exact division of 32-bit values by a multiply
  uint32_t versatz = 0;   // 1 with the vacant sign: the all-vacant code is skipped
  // For the sign counts of the possible codes: the halb low digits' signs of
  // each low half, and how often each sign came at an earlier digit of it.
  int halb = 0;
  uint8_t* tief_zeichen = nullptr;  // 4 per low half
  uint8_t* tief_vorher = nullptr;   // 4 per low half
  uint32_t basis = 1;               // values of a digit
  uint8_t ziffer[37] = {};          // the value of the fastest digit that stands for a sign
};

void DekoderBauen(DEKODER& d, int laenge, int basis, bool leer) {
  const int halb = laenge / 2;
  size_t t = 1, h = 1;
  for (int k = 0; k < halb; ++k) t *= static_cast<size_t>(basis);
  for (int k = halb; k < laenge; ++k) h *= static_cast<size_t>(basis);
  d.tief_n = t;
  d.hoch_n = h;
  d.teiler = static_cast<uint32_t>(t);
  d.kehrwert = t == 1 ? 0 : UINT64_MAX / t + 1;
  d.versatz = leer ? 1 : 0;
  d.halb = halb;
  d.tief = new uint64_t[t];
  d.hoch = new uint64_t[h];
  d.tief_zeichen = new uint8_t[t * 4]();
  d.tief_vorher = new uint8_t[t * 4]();
  const int lo = leer ? 0 : 1;
  // Digit k of the odometer (k = 1 turns fastest) goes to position PERMZTM[k]
  // with the sign PERMFTM[digit].
  auto fill = [&](uint64_t* tab, size_t count, int k0, int k1, uint8_t* zeichen, uint8_t* vorher) {
    for (size_t v = 0; v < count; ++v) {
      size_t rest = v;
      uint64_t w = 0;
      for (int k = k0; k <= k1; ++k) {
        const int digit = static_cast<int>(rest % static_cast<size_t>(basis)) + lo;
        rest /= static_cast<size_t>(basis);
        const uint8_t s = PERMFTM[digit];
        w |= uint64_t{s} << (7 * (PERMZTM[k] - 1));
        if (zeichen) {
          uint8_t* z = zeichen + v * 4;
          z[k - k0] = s;
          for (int j = 0; j < k - k0; ++j) vorher[v * 4 + (k - k0)] += z[j] == s;
        }
      }
      tab[v] = w;
    }
  };
  fill(d.tief, t, 1, halb, d.tief_zeichen, d.tief_vorher);
  d.basis = static_cast<uint32_t>(basis);
  if (halb >= 1)
    for (int z1 = 0; z1 < basis; ++z1) d.ziffer[d.tief_zeichen[z1 * 4]] = static_cast<uint8_t>(z1);
  fill(d.hoch, h, halb + 1, laenge, nullptr, nullptr);
}

void DekoderFrei(DEKODER& d) {
  delete[] d.tief;
  delete[] d.hoch;
  delete[] d.tief_zeichen;
  delete[] d.tief_vorher;
  d = DEKODER{};
}

inline uint64_t Dekodieren(const DEKODER& d, uint32_t r) {
  const uint32_t v = r + d.versatz;
  if (d.teiler == 1) return d.tief[0] | d.hoch[v];
  const uint32_t q = static_cast<uint32_t>((static_cast<unsigned __int128>(v) * d.kehrwert) >> 64);
  return d.tief[v - q * d.teiler] | d.hoch[q];
}

void SterneZeigen() {
  if (ZAHL_DER_VERSUCHE <= 0) return;
  QU_10_2 = static_cast<int32_t>(int64_t{GERATENE_VERSUCHE} * 10 / ZAHL_DER_VERSUCHE);
  STERNE_ZEIGEN(QU_10_2, WX, WY);
}

// Clock, stars and keyboard during set-up; true when the user broke off.
// erledigt is the share of the whole set-up done, in records of the store: it
// stays below the store's size until the set-up is over, so that the tenth star
// and an estimate of zero wait for the end.
bool Bedienen(ABFRAGE& a, int64_t arbeit, int64_t erledigt) {
  if (!ABFRAGE_FAELLIG(a, arbeit)) return false;
  GERATENE_VERSUCHE =
      static_cast<int32_t>(std::clamp<int64_t>(erledigt, 0, int64_t{ZAHL_DER_VERSUCHE} - 1));
  SterneZeigen();
  UHR_BEDIENEN();
  return TASTEN_LESEN(false);
}

// Every record is counted against the budget in blocks, so that a budget or a
// machine that runs out stops the set-up cleanly wherever that happens. The
// budget counts the record size of the configuration page; the machine limit
// the bytes the set-up really occupies (resident, for all `anzahl` records),
// shared out over the blocks.
constexpr uint32_t kBlock = 1 << 16;

struct RESERVIERUNG {
  int64_t block_nr = 0;
  uint64_t groesse = 0;   // budget bytes per record
  uint64_t resident = 0;  // resident bytes of the whole set-up
  uint64_t anzahl = 1;    // records
  uint64_t verteilt = 0;  // records reserved so far
};
uint64_t RESIDENT_RESERVIERT = 0;  // the store's share of SPEICHER_BELEGT

bool BlockReservieren(RESERVIERUNG& rv, uint32_t records) {
  const uint64_t bytes = uint64_t{records} * rv.groesse;
  const auto anteil = [&](uint64_t n) {
    return static_cast<uint64_t>((static_cast<unsigned __int128>(rv.resident) * n + rv.anzahl - 1) /
                                 rv.anzahl);
  };
  const uint64_t resident = anteil(rv.verteilt + records) - anteil(rv.verteilt);
  const bool fehlschlag = FEHLSCHLAG_BEI_STOREBLOCK == rv.block_nr++;
  if (fehlschlag || !SPEICHER_RESERVIEREN(bytes, resident)) return false;
  rv.verteilt += records;
  RS.reserviert += bytes;
  RESIDENT_RESERVIERT += resident;
  return true;
}

// The sign-count words of a code word (see WORT_ZAEHLBITS).
inline void Zaehlbits(uint64_t wort, int laenge, int kmax, int worte, uint64_t* bits) {
  // The k-th copy of sign s (k <= KMAX) sets bit (s-1)*KMAX + k-1. This runs
  // once for every possible code of a set-up, so k comes from comparing all
  // lower lanes at once instead of from counters in memory.
  constexpr uint64_t kLaneEins = 0x0102040810204081ULL;  // 1 in every lane
  uint64_t acc[kMaxWorte] = {};
  uint64_t einzel = 0;
  for (int i = 0; i < laenge; ++i) {
    const uint64_t s = wort >> (7 * i) & 0x7F;
    if (s == 0) continue;
    const uint64_t tiefer = (uint64_t{1} << (7 * i)) - 1;  // the lanes before i
    const uint64_t gleich =
        ~((wort ^ s * kLaneEins) + kLaneFill) & (kLaneFill + kLaneEins) & tiefer;
    const int k = static_cast<int>(((gleich >> 6) * kLaneEins) >> 56 & 0x7F);  // lane sum
    if (k >= kmax) continue;
    const int bit = (static_cast<int>(s) - 1) * kmax + k;
    if (worte == 1) {
      einzel |= uint64_t{1} << bit;
    } else {
      acc[bit >> 6] |= uint64_t{1} << (bit & 63);
    }
  }
  if (worte == 1) {
    bits[0] = einzel;
    return;
  }
  for (int w = 0; w < worte; ++w) bits[w] = acc[w];
}

// Stores that bypass the cache: the store's arrays are written once here and
// read only by the search, so reading their lines in before writing them
// would only double the traffic. A fence before the writer reports its unit done.
inline void Streamen(uint64_t* ziel, uint64_t wert) {
#if defined(__x86_64__)
  _mm_stream_si64(reinterpret_cast<long long*>(ziel), static_cast<long long>(wert));
#else
  *ziel = wert;
#endif
}
inline void StreamenAbschliessen() {
#if defined(__x86_64__)
  _mm_sfence();
#endif
}

// ---- The possible secret codes ----------------------------------------------
// Newest record first (the highest record number heads the chain): no vacant
// sign, and no sign twice when the code may not repeat signs. The set-up only
// counts them; they are made from the record numbers when a turn needs them
// (MOEGLICHE_HOLEN), a stretch of records at a time.

struct ERLBAU {
  const DEKODER* dek = nullptr;
  int laenge = 0, kmax = 1, worte = 1;
  bool leer = false, wdhg = true;
  uint64_t lanes = 0;
  uint64_t* erl = nullptr;
  int64_t moeglich = 0;  // slots of erl
};

// Whether some records are not possible codes (the vacant sign is in use, or
// signs may not repeat), so that the possible codes must be sifted and counted.
inline bool Gesiebt(const ERLBAU& e) {
  return e.leer || !e.wdhg;
}

inline bool Doppelt(uint64_t w, int laenge) {
  uint64_t menge = 0;
  bool doppelt = false;
  for (int i = 0; i < laenge; ++i) {
    const uint64_t bit = uint64_t{1} << (w >> (7 * i) & 0x7F);
    doppelt |= (menge & bit) != 0;
    menge |= bit;
  }
  return doppelt;
}

// The possible codes among records r1-1 down to r0, written from slot m on when
// schreiben; returns how many there are. Records that share the high half of
// their digits come together: its signs are counted once, and each record adds
// only the signs of its low half. kSieben: some records are not possible codes.
template <bool kSieben, int kWorte>
int64_t ErlStueckMit(const ERLBAU& e, uint32_t r0, uint32_t r1, int64_t m, bool schreiben) {
  const DEKODER& d = *e.dek;
  constexpr int stride = 1 + kWorte;
  const int halb = d.halb;
  const int kmax = e.kmax;
  int64_t k = 0;
  const uint32_t v0 = r0 + d.versatz;
  for (uint32_t v = r1 + d.versatz; v > v0;) {
    const uint32_t hi = (v - 1) / d.teiler;
    const uint32_t null = hi * d.teiler;  // the value whose low half is 0
    const uint32_t von = std::max(v0, null);
    const uint64_t hw = d.hoch[hi];
    uint8_t anzahl[37] = {};  // signs of the high half; [0] also counts the halb low lanes
    for (int i = 0; i < e.laenge; ++i) ++anzahl[hw >> (7 * i) & 0x7F];
    if (kSieben) {
      bool moeglich = !(e.leer && anzahl[0] > halb);
      if (!e.wdhg)
        for (int s = 1; s <= 36; ++s) moeglich &= anzahl[s] <= 1;
      if (!moeglich) {
        v = von;
        continue;
      }
    }
    uint64_t hb[kMaxWorte] = {};
    if (schreiben) Zaehlbits(hw, e.laenge, kmax, kWorte, hb);
    if (!kSieben && schreiben && halb >= 1) {
      // Every record is a possible code (so no sign reaches kmax copies).
      // Records that share all their digits but the fastest come together
      // too: only that digit's sign is left to add, at the bit the sign's
      // other copies in the code leave for it.
      const uint32_t basis = d.basis;
      uint32_t bit_hoch[37];  // per value of the fastest digit: its bit after the high half
      for (uint32_t z1 = 0; z1 < basis; ++z1) {
        const int s = d.tief_zeichen[size_t{z1} * 4];
        bit_hoch[z1] = static_cast<uint32_t>((s - 1) * kmax + anzahl[s]);
      }
      for (uint32_t x = v; x > von && m + k < e.moeglich;) {
        const uint32_t mitte = (x - 1 - null) / basis * basis;  // its fastest digit 0
        const uint32_t unten = std::max(von, null + mitte);
        const uint8_t* z = d.tief_zeichen + size_t{mitte} * 4;
        uint64_t mb[kWorte];
        for (int w = 0; w < kWorte; ++w) mb[w] = hb[w];
        uint32_t bit_rest[37];
        for (uint32_t z1 = 0; z1 < basis; ++z1) bit_rest[z1] = bit_hoch[z1];
        for (int i = 1; i < halb; ++i) {
          const int s = z[i];
          int c = anzahl[s];
          for (int j = 1; j < i; ++j) c += z[j] == s;
          const int bit = (s - 1) * kmax + c;
          assert(c < kmax);
          mb[bit >> 6] |= uint64_t{1} << (bit & 63);
          ++bit_rest[d.ziffer[s]];
        }
        for (; x > unten && m + k < e.moeglich; --x) {
          const uint32_t lo = x - 1 - null;
          uint64_t* ziel = e.erl + (m + k) * stride;
          ziel[0] = d.tief[lo] | hw;
          const uint32_t bit = bit_rest[lo - mitte];
          for (int w = 0; w < kWorte; ++w)
            ziel[1 + w] = mb[w] | (static_cast<int>(bit >> 6) == w ? uint64_t{1} << (bit & 63) : 0);
          ++k;
        }
      }
      if (m + k >= e.moeglich) break;
      v = von;
      continue;
    }
    for (uint32_t x = v; x-- > von;) {
      const uint32_t lo = x - null;
      const uint8_t* z = d.tief_zeichen + size_t{lo} * 4;
      const uint8_t* vorher = d.tief_vorher + size_t{lo} * 4;
      if (kSieben) {
        bool raus = false;
        for (int i = 0; i < halb; ++i) {
          raus |= e.leer && z[i] == 0;
          raus |= !e.wdhg && anzahl[z[i]] + vorher[i] > 0;
        }
        if (raus) continue;
      }
      if (schreiben) {
        if (m + k >= e.moeglich) break;
        uint64_t* ziel = e.erl + (m + k) * stride;
        ziel[0] = d.tief[lo] | hw;
        // The low half's signs add their copies after those of the high half;
        // each word is built in a register.
        uint64_t bits[kWorte];
        for (int w = 0; w < kWorte; ++w) bits[w] = hb[w];
        for (int i = 0; i < halb; ++i) {
          const int s = z[i];
          const int c = anzahl[s] + vorher[i];  // earlier copies of s in the code
          const int bit = (s - 1) * kmax + c;
          const uint64_t eins = s != 0 && c < kmax ? uint64_t{1} << (bit & 63) : 0;
          for (int w = 0; w < kWorte; ++w) bits[w] |= (bit >> 6) == w ? eins : 0;
        }
        for (int w = 0; w < kWorte; ++w) ziel[1 + w] = bits[w];
      }
      ++k;
    }
    if (schreiben && m + k >= e.moeglich) break;
    v = von;
  }
  return k;
}

template <bool kSieben>
int64_t ErlStueckSieben(const ERLBAU& e, uint32_t r0, uint32_t r1, int64_t m, bool schreiben) {
  switch (e.worte) {
    case 1:
      return ErlStueckMit<kSieben, 1>(e, r0, r1, m, schreiben);
    case 2:
      return ErlStueckMit<kSieben, 2>(e, r0, r1, m, schreiben);
    case 3:
      return ErlStueckMit<kSieben, 3>(e, r0, r1, m, schreiben);
    case 4:
      return ErlStueckMit<kSieben, 4>(e, r0, r1, m, schreiben);
    case 5:
      return ErlStueckMit<kSieben, 5>(e, r0, r1, m, schreiben);
    default:
      return ErlStueckMit<kSieben, kMaxWorte>(e, r0, r1, m, schreiben);
  }
}

int64_t ErlStueck(const ERLBAU& e, uint32_t r0, uint32_t r1, int64_t m, bool schreiben) {
  return Gesiebt(e) ? ErlStueckSieben<true>(e, r0, r1, m, schreiben)
                    : ErlStueckSieben<false>(e, r0, r1, m, schreiben);
}

// What the open possible codes are made from: the set-up's decoder, kept until
// the store is released, and its records 0..ende-1.
struct QUELLE {
  DEKODER dek;
  ERLBAU eb;
  uint32_t ende = 0;
};
QUELLE MOEGLICHE_QUELLE;

void QuelleFrei() {
  DekoderFrei(MOEGLICHE_QUELLE.dek);
  MOEGLICHE_QUELLE = QUELLE{};
}

// ---- Shuffle of a small store: the bucket rings themselves -----------------

struct AUFBAU {
  uint32_t* nach = nullptr;  // bucket ring: next record
  uint32_t* vor = nullptr;   // bucket ring: previous record
  size_t bytes = 0;
};

void AufbauFrei(AUFBAU& b) {
  if (b.nach) SEITEN_ABGEBEN(b.nach, b.bytes);
  if (b.vor) SEITEN_ABGEBEN(b.vor, b.bytes);
  b.nach = b.vor = nullptr;
}

// The bucket table of a small store: a hash table over the 2^25 bucket numbers,
// so that a small set-up touches no pages of the big tables.
struct KLEINE_TABELLE {
  static constexpr uint32_t kLeer = UINT32_MAX;
  uint32_t* schluessel = nullptr;
  uint32_t* kopf = nullptr;
  uint8_t* zaehler = nullptr;
  uint32_t maske = 0;
  size_t bytes = 0;

  bool Anlegen(size_t anzahl) {
    size_t n = 1024;
    while (n < 2 * anzahl) n *= 2;
    maske = static_cast<uint32_t>(n - 1);
    bytes = n * 9;
    char* p = static_cast<char*>(SEITEN_HOLEN(bytes));
    if (!p) return false;
    schluessel = reinterpret_cast<uint32_t*>(p);
    kopf = reinterpret_cast<uint32_t*>(p + n * 4);
    zaehler = reinterpret_cast<uint8_t*>(p + n * 8);
    std::memset(schluessel, 0xFF, n * 4);
    return true;
  }
  void Frei() {
    if (schluessel) SEITEN_ABGEBEN(schluessel, bytes);
    schluessel = nullptr;
  }
  uint32_t Suchen(uint32_t h, bool& neu) {
    uint32_t i = (h * 2654435761u) & maske;
    while (schluessel[i] != kLeer && schluessel[i] != h) i = (i + 1) & maske;
    neu = schluessel[i] == kLeer;
    if (neu) {
      schluessel[i] = h;
      zaehler[i] = 0;
    }
    return i;
  }
  uint32_t& Kopf(uint32_t s) { return kopf[s]; }
  uint8_t& Zaehler(uint32_t s) { return zaehler[s]; }
};

// Links record r into the ring of c records that starts at kopf, so that p of
// them stand before it (p = 0 and p = c both put it between the last and kopf;
// the caller decides which of the two becomes the head). Walks from the nearer
// end: the draws put most records near an end.
inline void InRingEinfuegen(uint32_t* nach, uint32_t* vor, uint32_t kopf, uint32_t c, uint32_t p,
                            uint32_t r) {
  uint32_t davor, danach;  // r goes between these two
  if (p == 0 || p == c) {
    davor = vor[kopf];
    danach = kopf;
  } else if (p <= c / 2) {
    davor = kopf;
    for (uint32_t j = 1; j < p; ++j) davor = nach[davor];
    danach = nach[davor];
  } else {
    danach = vor[kopf];
    for (uint32_t j = c - 1; j > p; --j) danach = vor[danach];
    davor = vor[danach];
  }
  nach[davor] = r;
  vor[r] = davor;
  nach[r] = danach;
  vor[danach] = r;
}

// Puts record r into a random bucket at a uniformly drawn place of its ring.
template <typename T>
inline void InsMischfeld(T& tab, AUFBAU& b, uint32_t r, uint32_t buckets) {
  const uint32_t h = term::Random(buckets);
  bool neu;
  const uint32_t slot = tab.Suchen(h, neu);
  if (neu) {
    tab.Kopf(slot) = r + 1;
    b.nach[r] = b.vor[r] = r;
    return;
  }
  uint8_t& zaehler = tab.Zaehler(slot);
  const uint32_t c = uint32_t{zaehler} + 1;
  const uint32_t p = term::Random(c + 1);
  InRingEinfuegen(b.nach, b.vor, tab.Kopf(slot) - 1, c, p, r);
  if (p == 0) tab.Kopf(slot) = r + 1;
  // Beyond 256 records the counter stops tracking the size: new records then
  // land near the ends, which keeps every insertion cheap.
  zaehler = zaehler == 255 ? 254 : static_cast<uint8_t>(zaehler + 1);
}

// Appends the ring of a bucket to the candidate chain.
inline size_t RingAnhaengen(const AUFBAU& b, const DEKODER& dek, uint32_t kopf, uint8_t zaehler,
                            size_t k) {
  if (zaehler == 0) {
    RS.kand[k++] = Dekodieren(dek, kopf);
    return k;
  }
  uint32_t e = kopf;
  do {
    RS.kand[k++] = Dekodieren(dek, e);
    e = b.nach[e];
  } while (e != kopf);
  return k;
}

// The store of up to MISCH_KLEIN_BIS records, on the main thread alone: the
// rings, the chain, then the count of the possible codes. False when the user broke off or
// memory ran out.
bool KleinAufbauen(uint32_t ende, RESERVIERUNG& rv, uint32_t buckets, const ERLBAU& eb,
                   ABFRAGE& abfrage) {
  AUFBAU b;
  KLEINE_TABELLE kleintab;
  b.bytes = size_t{ende} * 4;
  b.nach = static_cast<uint32_t*>(SEITEN_HOLEN(b.bytes));
  b.vor = static_cast<uint32_t*>(SEITEN_HOLEN(b.bytes));
  bool abbruch = !(b.nach && b.vor && kleintab.Anlegen(ende));
  rv.resident += 2 * b.bytes + kleintab.bytes;
  // Progress: the rings are the work, but for the count of the possible codes
  // where it is needed, which takes about a quarter of the time.
  const bool zaehlen = Gesiebt(eb);
  const int64_t ringe = zaehlen ? int64_t{ende} * 3 / 4 : ende;
  for (uint32_t r = 0; r < ende && !abbruch; r += kBlock) {
    const uint32_t bis = ende - r < kBlock ? ende : r + kBlock;
    if (!BlockReservieren(rv, bis - r)) {
      abbruch = true;
      break;
    }
    for (uint32_t s = r; s < bis && !abbruch; s += 1024) {
      const uint32_t t = bis - s < 1024 ? bis : s + 1024;
      if (Bedienen(abfrage, ABFRAGE_VERGLEICHE == 0 ? 1 : 1024, int64_t{s} * ringe / ende)) {
        abbruch = true;
        break;
      }
      for (uint32_t q = s; q < t; ++q) InsMischfeld(kleintab, b, q, buckets);
    }
  }
  if (!abbruch) {
    // The buckets in index order make the candidate chain.
    std::vector<uint64_t> belegt;  // bucket number << 32 | slot
    for (uint32_t i = 0; i <= kleintab.maske; ++i)
      if (kleintab.schluessel[i] != KLEINE_TABELLE::kLeer)
        belegt.push_back(uint64_t{kleintab.schluessel[i]} << 32 | i);
    std::sort(belegt.begin(), belegt.end());
    size_t k = 0;
    for (uint64_t e : belegt) {
      const uint32_t slot = static_cast<uint32_t>(e);
      k = RingAnhaengen(b, *eb.dek, kleintab.kopf[slot] - 1, kleintab.zaehler[slot], k);
    }
    RS.kand_n = static_cast<int64_t>(k);
  }
  kleintab.Frei();
  AufbauFrei(b);
  if (abbruch) return false;
  // The possible codes are counted; every record is one when repetitions are
  // allowed and the vacant sign is not in use.
  int64_t m = ende;
  if (zaehlen) {
    m = 0;
    for (uint32_t bis = ende; bis > 0;) {
      const uint32_t von = bis > kBlock ? bis - kBlock : 0;
      m += ErlStueck(eb, von, bis, 0, false);
      bis = von;
      if (Bedienen(abfrage, kBlock, ringe + (ende - von) / 4)) return false;
    }
  }
  RS.erl_n = std::min(m, eb.moeglich);
  return true;
}

// ---- Shuffle of a big store --------------------------------------------------
// Building the rings of a big store walks memory at random for every record.
// Instead the draws are made in record order exactly as the ring insertions
// would consume them: the bucket; then, only when the bucket already holds
// records, the place among its counter + 2 gaps. Which raw number is a bucket
// and which a place depends only on whether the bucket was empty, so the one
// part that must run in order, on the main thread, needs just a bit per bucket
// (or two or four, counting its first 3 or 15 records, where buckets fill),
// and hands each draw on through rings: its bucket and that count, and its
// place's raw number. A worker files the draws behind it, counting the records
// beyond: each draw becomes an item of 8 bytes in one of a few thousand
// parts, chosen by the high bits of its bucket, holding its record, its bucket
// and its place's residue (see POSTEN). Once all draws are filed, each part is
// sorted by bucket, keeping each bucket's items in the order they came: an
// item's rank in its bucket gives the counter its insertion saw, hence its
// place, and the bucket's ring is replayed straight into the part's own
// stretch of the chain, by all threads at once. Meanwhile the other threads
// fault in the pages that come next and count the possible codes, which do
// not depend on the draws.

constexpr int kLokalBits = 14;  // bucket bits sorted within a part
// Stores with fewer records sort more bucket bits within a part, up to the
// bucket field of an item, while a part keeps no more than kTeilKlein items
// on average: fewer parts keep the filing's lines of items within the first-
// level cache (512 parts, 32 KB) and open fewer pages at once, and the filing
// paces the draws. On 7 positions with 9 signs (4.8 million records), 16
// bits instead of 14 took the filing from 15.7 to 11.3 ns a record, and the
// whole set-up from 47-51 to 42-45 ns of processor time a record (four runs
// each, taken in turn); 17 bits was no better and 18 worse. 8 positions with
// 9 signs keep 14 bits: 15 was slower.
constexpr int kLokalBitsHoechstens = 16;
constexpr uint64_t kTeilKlein = 24576;
// A part replayed after a counting sort gathers its items in scratch of 8
// bytes an item, in random order: up to kTeilGross items it stays within a
// core's second-level cache. Only the biggest stores have larger parts; they
// sort one bucket bit fewer within a part and so have twice as many parts.
// The filing then keeps twice as many lines open and costs about a sixth
// more, on the thread that paces the draws; the replay, on all threads, costs
// about a tenth less. On 6 positions with 26 signs that came to a few
// per cent; two bits fewer, or one fewer on the smaller parts of 8 positions
// with 9 signs, was slower.
constexpr uint64_t kTeilGross = uint64_t{1} << 17;
// RandomBound of the place draws, bounds 0..257.
constexpr auto kPlatzGrenze = [] {
  std::array<uint64_t, 258> g{};
  for (uint64_t n = 1; n < g.size(); ++n) g[n] = term::RandomBound(n);
  return g;
}();
// A raw number below this bound is a valid place for every counter (the
// rejection bound RandomBound(c + 1) of c + 1 <= 257 gaps is never lower).
constexpr uint64_t kPlatzSicher = UINT64_MAX - 256;

// A filed item, one word. Bits 0..31 hold its record, bits 32..47 its bucket
// within its part, bits 48..52 its place: 0 when its bucket was empty, else
// 1 + the place's residue modulo 1 + the records already there, when fewer
// than kVoll. A place drawn into a fuller bucket needs its whole raw number:
// the item then holds bit 63 and in bits 0..31 the index of its record and raw
// number among the exceptions (AUSNAHME), which come only where buckets hold
// many records.
constexpr uint64_t kAusnahme = uint64_t{1} << 63;
constexpr int kPlatzBit = 48;
static_assert(32 + kLokalBitsHoechstens <= kPlatzBit, "a part's bucket fits its field");
constexpr uint32_t kVoll = 15;  // records before a place from which it keeps its whole number

struct AUSNAHME {
  uint64_t satz;
  uint64_t zug;
};

// An item as the replay reads it: kopf holds the record number in bits 0..31,
// the bucket within its part in bits 32..47, kMitPlatz when a place was drawn
// and kGanz when zug is the place's whole raw number rather than its residue.
struct POSTEN {
  uint64_t kopf;
  uint64_t zug;
};
constexpr uint64_t kMitPlatz = uint64_t{1} << 63;
constexpr uint64_t kGanz = uint64_t{1} << 62;

inline uint32_t PostenSatz(const POSTEN& p) {
  return static_cast<uint32_t>(p.kopf);
}
inline uint32_t PostenEimer(uint64_t posten) {
  return static_cast<uint32_t>(posten >> 32) & 0xFFFF;
}
inline uint32_t PostenEimer(const POSTEN& p) {
  return PostenEimer(p.kopf);
}

// An item that is not an exception.
[[gnu::always_inline]] inline POSTEN PostenGewoehnlich(uint64_t w) {
  const uint64_t platz = w >> kPlatzBit & 31;
  return POSTEN{(w & 0xFFFFFFFFFFFF) | (platz != 0 ? kMitPlatz : 0), platz - 1};
}

[[gnu::always_inline]] inline POSTEN PostenLesen(const AUSNAHME* ausnahmen, uint64_t w) {
  if (w & kAusnahme) [[unlikely]] {
    const AUSNAHME& e = ausnahmen[static_cast<uint32_t>(w)];
    return POSTEN{e.satz | (w & 0xFFFF00000000) | kMitPlatz | kGanz, e.zug};
  }
  return PostenGewoehnlich(w);
}

// The counter a bucket holding j >= 1 records has: it counts up from 0 with
// the second record, and beyond 255 swings between 254 and 255, so that it no
// longer tracks the size and new records land near the ends.
inline uint32_t Zaehlerstand(size_t j) {
  return j <= 256 ? static_cast<uint32_t>(j - 1) : (j - 257) % 2 == 0 ? 254u : 255u;
}

// Where the j-th record of a bucket (j >= 1 before it) goes in its ring: the
// index among the j records there, 0 being the head.
inline size_t PostenStelle(uint64_t zug, size_t j) {
  const uint32_t c = Zaehlerstand(j) + 1;
  const uint32_t p = static_cast<uint32_t>(zug % (c + 1));
  // p = 0 is the head, p = c after the last; the ring walks from the nearer
  // end, so a place beyond the middle counts from the end (which no longer
  // means the same once the counter stops tracking the size).
  return p <= c / 2 ? p : j - (c - p);
}

// The same for an item as filed: below kVoll records the counter tracks the
// size (c = j), so the index is the residue itself. False when the item does
// not fit a bucket holding j records before it (a part read while the set-up
// was broken off).
inline bool StelleVon(const POSTEN& p, size_t j, size_t& stelle) {
  if (p.kopf & kGanz) {
    stelle = PostenStelle(p.zug, j);
    return j >= kVoll;
  }
  stelle = p.zug;
  return j < kVoll && p.zug <= j;
}

// x mod m for x < 2^19 and 2 <= m <= 16 without a division: the quotient from
// a 32-bit reciprocal M = ceil(2^32 / m): exact while x (M m - 2^32) < 2^32.
constexpr auto kKehrwert = [] {
  std::array<uint64_t, 17> k{};
  for (uint64_t m = 1; m < k.size(); ++m) k[m] = ((uint64_t{1} << 32) + m - 1) / m;
  return k;
}();
constexpr uint32_t KleinerRest(uint32_t x, uint32_t m) {
  const uint32_t q = static_cast<uint32_t>((uint64_t{x} * kKehrwert[m]) >> 32);
  return x - q * m;
}
// A place's raw number modulo lcm(2..15) (a division by a constant, cheap),
// which gives its residue for any bucket of up to 14 records before it.
constexpr uint64_t kRestModul = 360360;
// The reciprocal's error x (M m - 2^32) / (m 2^32) grows with x; checked
// while compiling where it is largest, below kRestModul, and at the start.
constexpr bool KleinerRestStimmt() {
  for (uint32_t m = 2; m <= kVoll; ++m)
    for (uint32_t x = 0; x < 4096; ++x)
      if (KleinerRest(x, m) != x % m ||
          KleinerRest(kRestModul - 1 - x, m) != (kRestModul - 1 - x) % m)
        return false;
  return true;
}
static_assert(KleinerRestStimmt());

constexpr size_t kFaultBytes = size_t{2} << 20;       // pages faulted in per unit
constexpr size_t kVorratVorsprung = 4 * kFaultBytes;  // the pool's pages faulted ahead of use
// The chain's memory from which, with huge pages, it is faulted in before the
// draws begin (see GrossAufbauen): smaller, it would keep them waiting for a
// third of a second at most where the host provides it afresh.
constexpr size_t kVorabAb = size_t{64} << 20;

// The items of all parts, in the order they were drawn: each part's in a home
// region of its own within the chain's memory, where its rings will go, and
// in chunks handed out in turn from one pool: its first chunk unless its
// region is in memory by then, and those after its region is full. The
// chain is thus written over the items it is made from, and a set-up touches
// about half the memory it would with the items apart: fresh memory is what
// a big set-up waits on most (on a virtual machine the host provides every
// page anew).
struct TEILUNG {
  int lokal_bits = 0;
  uint32_t teile = 1;
  size_t stueck = 4096;  // items per chunk
  uint64_t* vorrat = nullptr;
  size_t vorrat_bytes = 0;
  bool geliehen = false;                  // the pool lies at the start of the possible codes' array
  std::atomic<size_t> vorrat_genutzt{0};  // bytes of the pool handed out, for its faulting
  // The home regions: part t's holds heim_n items from heim + t * heim_n,
  // which lies luecke words into the chain's memory (see HEIMPLAN). A chunk
  // number from stuecke_max on stands for part (number - stuecke_max)'s region.
  uint64_t* heim = nullptr;
  size_t heim_n = 0;
  size_t luecke = 0;
  std::vector<uint8_t> heim_frei;  // per part: its region not yet taken
  // Whether a part's region is in memory: when the workers fault the chain's
  // memory in, a part's first chunk goes to its region only once they have,
  // to the pool (whose first chunks they fault in before the draws begin)
  // otherwise, so that they get ahead of the filing, which paces the draws.
  // Its next chunk goes to its region in any case: a page of the pool would
  // be as fresh, and would come on top.
  const std::atomic<bool>* heim_gefaultet = nullptr;
  size_t heim_einheiten = 0;
  // Where the chain goes: the home regions' memory, or when some part's
  // stretch would run into a later part's region (which its replay could
  // wait for forever), memory apart (getrennt), which the set-up then owns.
  uint64_t* aus = nullptr;
  size_t aus_bytes = 0;  // when getrennt
  bool getrennt = false;
  // Per part: its items are read (its region may be written over).
  std::unique_ptr<std::atomic<bool>[]> gelesen;
  // The exceptions in the order filed: address room for one per record, of
  // which only the few used are ever touched.
  AUSNAHME* ausnahmen = nullptr;
  size_t ausnahmen_bytes = 0;
  uint32_t ausnahmen_n = 0;
  size_t stuecke_max = 0, stuecke_belegt = 0;
  // The chunks of each part in order, as a list through the chunks: the main
  // thread allocates nothing while it draws (taking memory from the kernel
  // could wait on a worker faulting pages in).
  static constexpr uint32_t kKein = UINT32_MAX;
  std::unique_ptr<uint32_t[]> folge;      // per chunk: the part's next chunk
  std::vector<uint32_t> erstes, letztes;  // per part: first and last chunk (kKein: none)
  std::vector<uint32_t> stueckzahl;       // per part: chunks
  std::vector<uint64_t> voll;             // per part: items in its chunks before its last
  std::vector<uint64_t*> schreib, ende;   // per part: next item, end of its chunk
  std::vector<uint64_t> anzahl, start;    // per part: items, first slot of the chain
  std::vector<uint64_t> zeilen;           // per part: a cache line of items gathered
  std::vector<uint8_t> zeilen_n;          // per part: items gathered
};

inline uint64_t* StueckAnfang(const TEILUNG& tz, uint32_t s) {
  return s < tz.stuecke_max ? tz.vorrat + size_t{s} * tz.stueck
                            : tz.heim + (s - tz.stuecke_max) * tz.heim_n;
}
inline size_t StueckGroesse(const TEILUNG& tz, uint32_t s) {
  return s < tz.stuecke_max ? tz.stueck : tz.heim_n;
}

// Whether bytes von..bis-1 of memory faulted in by units of kFaultBytes lie
// in units whose flags (einheiten of them) are set.
bool EinheitenGefaultet(const std::atomic<bool>* flaggen, size_t einheiten, size_t von,
                        size_t bis) {
  if (bis <= von) return true;
  for (size_t u = von / kFaultBytes; u <= (bis - 1) / kFaultBytes; ++u)
    if (u >= einheiten || !flaggen[u].load(std::memory_order_acquire)) return false;
  return true;
}

// Whether part teil's home region is in memory.
bool HeimBereit(const TEILUNG& tz, uint32_t teil) {
  if (!tz.heim_gefaultet) return true;
  const size_t von = (tz.luecke + size_t{teil} * tz.heim_n) * sizeof(uint64_t);
  return EinheitenGefaultet(tz.heim_gefaultet, tz.heim_einheiten, von,
                            von + tz.heim_n * sizeof(uint64_t));
}

uint64_t* NeuesStueck(TEILUNG& tz, uint32_t teil) {
  // Every part's chunks but its last are full, so stuecke_max (records / stueck
  // + parts) chunks always suffice.
  uint32_t s;
  const bool erstes = tz.stueckzahl[teil] == 0;
  if (tz.heim_frei[teil] && (!erstes || HeimBereit(tz, teil))) {
    tz.heim_frei[teil] = 0;
    s = static_cast<uint32_t>(tz.stuecke_max + teil);
  } else {
    s = static_cast<uint32_t>(tz.stuecke_belegt++);
    tz.vorrat_genutzt.store(tz.stuecke_belegt * tz.stueck * sizeof(uint64_t),
                            std::memory_order_relaxed);
  }
  tz.folge[s] = TEILUNG::kKein;
  if (tz.letztes[teil] == TEILUNG::kKein) {
    tz.erstes[teil] = s;
  } else {
    tz.folge[tz.letztes[teil]] = s;
    tz.voll[teil] += StueckGroesse(tz, tz.letztes[teil]);
  }
  tz.letztes[teil] = s;
  ++tz.stueckzahl[teil];
  uint64_t* p = StueckAnfang(tz, s);
  tz.ende[teil] = p + StueckGroesse(tz, s);
  return p;
}

// Appends an item to its part. Each part gathers a cache line of items first
// and then streams the whole line out, so that the pool's lines are neither
// read in before they are written nor written in pieces.
constexpr size_t kZeile = 64 / sizeof(uint64_t);

inline void Ablegen(TEILUNG& tz, uint32_t teil, uint64_t posten) {
  uint64_t* zeile = tz.zeilen.data() + size_t{teil} * kZeile;
  uint8_t& k = tz.zeilen_n[teil];
  zeile[k] = posten;
  if (++k < kZeile) return;
  uint64_t* w = tz.schreib[teil];
  if (w == tz.ende[teil]) w = NeuesStueck(tz, teil);
  for (size_t j = 0; j < kZeile; ++j) Streamen(w + j, zeile[j]);
  tz.schreib[teil] = w + kZeile;
  k = 0;
}

// After the last draw: the items still gathered go to their parts.
void ZeilenLeeren(TEILUNG& tz) {
  for (uint32_t teil = 0; teil < tz.teile; ++teil) {
    const uint8_t k = tz.zeilen_n[teil];
    if (k == 0) continue;
    uint64_t* w = tz.schreib[teil];
    if (w == tz.ende[teil]) w = NeuesStueck(tz, teil);
    std::copy(tz.zeilen.begin() + teil * kZeile, tz.zeilen.begin() + teil * kZeile + k, w);
    tz.schreib[teil] = w + k;
    tz.zeilen_n[teil] = 0;
  }
}

// The records already in bucket h among the filed items: for the rare raw
// place number so close to 2^64 that whether it is rejected depends on the
// bucket's counter.
size_t EimerZaehlen(const TEILUNG& tz, uint32_t h) {
  const uint32_t teil = h >> tz.lokal_bits;
  const uint32_t eimer = h & ((uint32_t{1} << tz.lokal_bits) - 1);
  size_t j = 0;
  for (uint32_t s = tz.erstes[teil]; s != TEILUNG::kKein; s = tz.folge[s]) {
    const uint64_t* p = StueckAnfang(tz, s);
    const uint64_t* e = s == tz.letztes[teil] ? tz.schreib[teil] : p + StueckGroesse(tz, s);
    for (; p < e; ++p) j += PostenEimer(*p) == eimer;
  }
  const uint64_t* zeile = tz.zeilen.data() + size_t{teil} * kZeile;
  for (uint8_t k = 0; k < tz.zeilen_n[teil]; ++k) j += PostenEimer(zeile[k]) == eimer;
  return j;
}

// The place of a record whose bucket held j records already, from its first
// raw number y: drawn again, as Random(counter + 2) would, while y is at or
// above the bound for the bucket's counter. Below kPlatzSicher y always stands.
template <typename ROH>
uint64_t PlatzNachziehen(uint64_t y, size_t j, ROH&& roh) {
  const uint64_t grenze = kPlatzGrenze[Zaehlerstand(j) + 2];
  while (y >= grenze) y = roh();
  return y;
}

// The raw numbers drawn and not yet used, kept from one slice of draws to the
// next so that the occupied bits of coming buckets can always be fetched well
// ahead. Never more are drawn than the records still to come will use (each
// uses at least one), so that after the last record the generator stands
// exactly where the ring insertions would have left it.
struct ZUEGE {
  static constexpr size_t kPlatz = 1024;
  static constexpr size_t kVorlauf = 64;  // raw numbers whose buckets are fetched ahead
  uint64_t puf[kPlatz];
  size_t i = 0, n = 0;
  uint32_t ende = 0;  // records of the store

  // Tops the buffer up when kVorlauf or fewer numbers are left; q is the
  // record about to be drawn.
  void Auffuellen(uint32_t q) {
    const size_t rest = n - i;
    if (rest > kVorlauf) return;
    const size_t erlaubt = ende - q > rest ? ende - q - rest : 0;
    const size_t neu = std::min(kPlatz - rest, erlaubt);
    if (neu == 0) return;
    std::memmove(puf, puf + i, rest * sizeof(uint64_t));
    term::RandomRaw(puf + rest, neu);
    i = 0;
    n = rest + neu;
  }
};

// ---- Work shared by the threads of a big set-up ------------------------------
// The main thread draws; every other piece of work is cut into units that any
// thread takes in turn from a counter. The workers see only this record, read
// what the main thread wrote before it started them or before it set the flag
// that opens a kind of work, and write disjoint parts of the store.

enum ARBEITSART {
  kAnfangFaulten,
  kAblegen,
  kVorratFaulten,
  kErlZaehlen,
  kKandFaulten,
  kTeile,
  kArten
};
// Taken in this order: the pages the first draws need, the filing of the
// draws (one unit, which follows the main thread's draws to their end), the
// pool's pages just ahead of the filing, the chain's pages (the home
// regions), then the parts, the count of the possible codes last. The
// workers fault the memory in first, so that the main thread, which writes
// only where they have been (see Gefaultet), always finds work once the
// draws are over.
constexpr ARBEITSART kReihenfolge[] = {kAnfangFaulten, kAblegen, kVorratFaulten,
                                       kKandFaulten,   kTeile,   kErlZaehlen};

struct ARBEIT {
  int64_t stuecke = 0;  // units
  std::atomic<int64_t> naechstes{0};
  std::atomic<int64_t> fertig{0};
};

constexpr size_t Einheiten(size_t bytes) {
  return (bytes + kFaultBytes - 1) / kFaultBytes;
}
constexpr uint32_t kErlStueck = 1 << 16;  // records per unit of the count of possible codes

// Relative cost per record of each kind of work, for the progress stars and the
// estimate of the time still needed. The unit is a record's share of the
// draws' wall time with two threads (the draws on one, their filing on the
// other). As measured on the big stores: replaying a part through links took
// about 1.2 units of processor time a record, replaying it after a counting
// sort (big parts) about 1.5, and counting the possible codes about a third.
constexpr double kKostenZiehen = 1.0;
constexpr double kKostenTeil = 1.2;
constexpr double kKostenTeilSortiert = 1.5;
constexpr double kKostenZaehlen = 0.3;
// A unit's wall time, for weighing the work against memory faulted in ahead of
// it (whose time is measured as it goes): about 15 ns on the big stores of
// the machine the costs were measured on.
constexpr double kSekundenJeEinheit = 15e-9;

// The draws on their way from the main thread to the filing: per record its
// bucket and from bit kStandBit on the records its bucket held before it (up
// to the occupancy table's top, read as that many or more; a place was drawn
// when there were any), and per place its raw number, each in a ring of kRing.
constexpr size_t kRing = size_t{1} << 16;
constexpr int kStandBit = 28;
constexpr uint32_t kEimerMaske = (uint32_t{1} << kStandBit) - 1;

// The occupancy table holds B bits a bucket (1, 2 or 4), 64 / B buckets a
// word: the records bucket h got so far, up to StandVoll(B).
constexpr uint32_t StandVoll(int B) {
  return (uint32_t{1} << B) - 1;
}
template <int B>
inline size_t StandWort(uint32_t h) {
  static_assert(B == 1 || B == 2 || B == 4);
  return h / (64 / B);
}
template <int B>
inline int StandSchub(uint32_t h) {
  return static_cast<int>(h % (64 / B)) * B;
}
static_assert(StandVoll(4) < (uint32_t{1} << (32 - kStandBit)), "a count fits the ring");
static_assert(StandVoll(1) + 15 >= kVoll, "the counts tell every place below kVoll");
// Words of the occupancy table for 2^bits buckets of B bits: B for every 64
// buckets, so that BelegtBits can read any 64 whole.
inline size_t BelegtWorte(int bits, int B) {
  return ((size_t{1} << bits) + 63) / 64 * static_cast<size_t>(B);
}
// Buckets 64 w .. 64 w + 63, a bit each: set when the bucket got a record.
inline uint64_t BelegtBits(const uint64_t* belegt, size_t w, int B) {
  if (B == 1) return belegt[w];
  if (B == 4) {
    auto viertel = [](uint64_t x) {
      // A bit for each nibble that is not 0, packed into the low quarter.
      x |= x >> 1;
      x = (x | x >> 2) & 0x1111111111111111;
      x = (x | x >> 3) & 0x0303030303030303;
      x = (x | x >> 6) & 0x000F000F000F000F;
      x = (x | x >> 12) & 0x000000FF000000FF;
      return (x | x >> 24) & 0xFFFF;
    };
    return viertel(belegt[4 * w]) | viertel(belegt[4 * w + 1]) << 16 |
           viertel(belegt[4 * w + 2]) << 32 | viertel(belegt[4 * w + 3]) << 48;
  }
  auto halb = [](uint64_t x) {
    // A bit for each pair of bits that is not 0, packed into the low half.
    x = (x | x >> 1) & 0x5555555555555555;
    x = (x | x >> 1) & 0x3333333333333333;
    x = (x | x >> 2) & 0x0F0F0F0F0F0F0F0F;
    x = (x | x >> 4) & 0x00FF00FF00FF00FF;
    x = (x | x >> 8) & 0x0000FFFF0000FFFF;
    return (x | x >> 16) & 0x00000000FFFFFFFF;
  };
  return halb(belegt[2 * w]) | halb(belegt[2 * w + 1]) << 32;
}

// The filing's position: the next record, and the next place.
struct ABLEGER {
  uint32_t q = 0;
  uint64_t p = 0;
};

struct AUFTRAG {
  ERLBAU eb;
  TEILUNG* tz = nullptr;
  size_t anfang_bytes = 0;  // the part of the pool the first draws open chunks in
  uint64_t* kand = nullptr;
  size_t kand_bytes = 0;
  uint32_t anzahl = 0;  // records
  uint32_t maske = 0;   // bucket numbers
  // Per bucket stand_bits bits (1, 2 or 4): the records it got, up to
  // StandVoll(stand_bits) (read as that many or more): the main thread's (see
  // StandWort).
  uint64_t* belegt = nullptr;
  size_t belegt_bytes = 0;
  int stand_bits = 1;
  // Per bucket four bits: the records it got after its first
  // StandVoll(stand_bits), up to 15 (read as 15 or more): the filing's. Only
  // records into a bucket that held that many already touch them.
  uint64_t* zaehler = nullptr;
  size_t zaehler_bytes = 0;
  // The rings of draws (see kRing), in one mapping: written by the main
  // thread, read by the filing for the records below wasserstand.
  uint32_t* eimer_ring = nullptr;
  uint64_t* platz_ring = nullptr;
  void* ringe = nullptr;
  size_t ringe_bytes = 0;
  std::atomic<uint32_t> wasserstand{0};       // records drawn and their draws in the rings
  std::atomic<uint32_t> abgelegt{0};          // records filed
  std::atomic<uint64_t> plaetze_abgelegt{0};  // places filed
  ABLEGER ablage;
  // Held by whoever files: by the main thread only for a slice at a time while
  // no worker has come for the filing, by the worker for good once it has.
  std::mutex ablage_sperre;
  std::atomic<bool> ableger_da{false};  // a thread has taken the filing's unit
  int64_t ablage_ab = 0;                // AUFBAU_ABLAGE_AB, for the workers
  bool zaehlen = false;                 // not every record is a possible code: they are counted
  std::vector<int64_t> erl;             // per unit: possible codes (zaehlen)
  int64_t erl_summe = 0;                // possible codes in all (zaehlen), once the count is done
  ARBEIT arbeit[kArten];
  // Per unit of a faulting kind: set once its pages are in memory.
  std::unique_ptr<std::atomic<bool>[]> gefaultet[kArten];
  std::atomic<bool> halt{false};           // break off: every thread stops after its unit
  std::atomic<bool> ohne_speicher{false};  // no memory for the chain apart: the set-up fails
  std::atomic<bool> gezogen{false};        // all draws are made: the parts are complete
  std::atomic<bool> faulten{true};         // the kernel can fault pages in on request
  // The chain's memory is faulted in before the draws begin (set before the
  // workers start): the filing waits for no page of it.
  bool vorab = false;
  std::atomic<uint32_t> ereignis{0};  // changes whenever a kind of work opens or ends
  std::atomic<int64_t> teil_erledigt{0}, gezaehlt{0};  // records done
  std::atomic<int> laufend{0};  // workers that have started and not yet ended
  // Progress, kept by the main thread alone: the share of the set-up's time
  // the draws take, and the other work done and left when they were over.
  double ziehen_anteil = 1;
  double kosten_teil = kKostenTeil;  // per record of a part, as its parts are replayed
  bool nach_ziehen = false;
  double arbeit_beim_ziehen = 0, arbeit_danach = 0;
  // With memory faulted in ahead (see Fortschritt): when the set-up began,
  // when and after how many seconds the faulting was over (its time so far
  // while it runs), the share shown so far, and the time reckoned for the
  // work after it.
  std::chrono::steady_clock::time_point beginn{}, vorab_ende{};
  bool vorab_fertig = false;
  double vorab_s = 0, gezeigt = 0, danach_s = 0;
};

// All the chain's memory is faulted in (or taken to be, when the kernel cannot
// fault pages in on request); with fertig, also finished.
bool VorabFertig(const AUFTRAG& a, bool fertig) {
  const ARBEIT& w = a.arbeit[kKandFaulten];
  return !a.vorab || !a.faulten.load(std::memory_order_relaxed) ||
         (fertig ? w.fertig.load(std::memory_order_acquire)
                 : w.naechstes.load(std::memory_order_relaxed)) >= w.stuecke;
}

void Melden(AUFTRAG& a) {
  a.ereignis.fetch_add(1, std::memory_order_acq_rel);
  a.ereignis.notify_all();
}

bool Offen(const AUFTRAG& a, ARBEITSART art) {
  switch (art) {
    case kAnfangFaulten:
      return true;
    case kAblegen:
      // The worker that takes the filing follows the draws to their end: it
      // faults memory in with the others first, when that comes ahead.
      return VorabFertig(a, false);
    case kVorratFaulten:
      // Useful only while the draws are filed, and only a little ahead of the
      // chunks handed out: past their first chunks, the parts need the pool
      // only when their home regions are full.
      return a.faulten.load(std::memory_order_relaxed) &&
             !a.gezogen.load(std::memory_order_acquire) &&
             static_cast<size_t>(
                 a.arbeit[kVorratFaulten].naechstes.load(std::memory_order_relaxed)) *
                     kFaultBytes <
                 a.tz->vorrat_genutzt.load(std::memory_order_relaxed) + kVorratVorsprung;
    case kKandFaulten:
      return a.faulten.load(std::memory_order_relaxed);
    case kErlZaehlen:
      return true;
    case kTeile:
      return a.gezogen.load(std::memory_order_acquire);
    case kArten:
      break;
  }
  return false;
}

uint32_t ErlVon(int64_t u) {
  return static_cast<uint32_t>(u * kErlStueck);
}
uint32_t ErlBis(const AUFTRAG& a, int64_t u) {
  return static_cast<uint32_t>(std::min<int64_t>(a.anzahl, (u + 1) * int64_t{kErlStueck}));
}

void Faulten(AUFTRAG& a, ARBEITSART art, char* basis, size_t bytes, int64_t stueck) {
  if (!a.faulten.load(std::memory_order_relaxed)) return;
  const size_t von = static_cast<size_t>(stueck) * kFaultBytes;
  if (von >= bytes) return;
  // Populating never changes what a page holds, so it is safe next to another
  // thread writing the same pages.
  if (madvise(basis + von, std::min(kFaultBytes, bytes - von), MADV_POPULATE_WRITE) != 0) {
    a.faulten.store(false, std::memory_order_relaxed);
    return;
  }
  if (a.gefaultet[art]) a.gefaultet[art][stueck].store(true, std::memory_order_release);
}

// Whether the workers have faulted in bytes von..bis-1 of a faulting kind's
// memory. A first touch of a page can keep a thread in the kernel for tens of
// milliseconds (a huge page to be cleared; on a virtual machine, memory the
// host has yet to provide), and meanwhile any thread that changes the mappings
// (even to grow the heap) waits, and every fault behind it. So while workers
// fault memory in, the main thread writes only where they have been, and
// neither maps nor asks the kernel about memory itself.
bool Gefaultet(const AUFTRAG& a, ARBEITSART art, size_t von, size_t bis) {
  return EinheitenGefaultet(a.gefaultet[art].get(), static_cast<size_t>(a.arbeit[art].stuecke), von,
                            bis);
}

// An item of a part once its record is decoded, in a part replayed through
// links. The first item of a bucket counts the bucket's records (stelle) and
// names the last of the others (vorher: 1 + its index, 0 for none); each of
// the others holds its place in the ring (the index among the records before
// it there) and names the one of its bucket drawn before it the same way.
struct EINTRAG {
  uint64_t wort;
  uint32_t stelle;
  uint32_t vorher;
};

// A thread's scratch for replaying the rings of a part. Uninitialised where
// every element is written before it is read.
struct PLATZ {
  // A part replayed through links: the first items by bucket, the others in
  // the order drawn.
  std::unique_ptr<EINTRAG[]> a, b;
  size_t platz = 0;
  std::vector<EINTRAG> ring;  // a long ring's items in the order drawn
  // A part replayed after a counting sort: its items gathered bucket by
  // bucket (record | place in the ring << 32), and per occupied bucket its
  // next slot and its first.
  std::unique_ptr<uint64_t[]> sortiert;
  size_t sortiert_platz = 0;
  std::unique_ptr<uint32_t[]> eimer, start;
  std::vector<uint32_t> nach, vor;  // a long ring's links
  // The main thread's look at the clock and the keyboard within a unit: true
  // when the user broke off; the unit is then left unfinished.
  bool (*pruefen)(void*) = nullptr;
  void* kontext = nullptr;
  bool abgebrochen = false;
};

constexpr size_t kPruefSchritt = 8192;  // records or items between two looks within a unit

inline bool Abgebrochen(PLATZ& p) {
  if (p.pruefen && p.pruefen(p.kontext)) p.abgebrochen = true;
  return p.abgebrochen;
}

constexpr size_t kKleinerRing = 64;

// An item of a bucket being replayed: its code word and its place in the ring.
inline uint64_t RingWort(const DEKODER&, const EINTRAG& e) {
  return e.wort;
}
inline uint32_t RingStelle(const EINTRAG& e) {
  return e.stelle;
}
inline uint64_t RingWort(const DEKODER& dek, uint64_t e) {
  return Dekodieren(dek, static_cast<uint32_t>(e));
}
inline uint32_t RingStelle(uint64_t e) {
  return static_cast<uint32_t>(e >> 32);
}

// A ring of at most sizeof(W) items, held in a register as one byte per item
// (its index), so that an insertion is a few shifts rather than a loop of
// moves (which the compiler makes a call to memmove, costlier than the
// moves themselves for the few items most buckets hold).
template <typename W, typename T>
[[gnu::always_inline]] inline size_t KurzNachspielen(const DEKODER& dek, const T* e, size_t k,
                                                     uint64_t* aus, size_t o) {
  W ring = 0;  // byte i: the index of the ring's i-th item
  for (size_t j = 1; j < k; ++j) {
    const int schub = 8 * static_cast<int>(RingStelle(e[j]));
    const W unten = ring & ((W{1} << schub) - 1);
    ring = unten | (ring ^ unten) << 8 | W{j} << schub;
  }
  for (size_t j = 0; j < k; ++j, ring >>= 8)
    Streamen(aus + o++, RingWort(dek, e[static_cast<uint8_t>(ring)]));
  return o;
}

// Replays the insertions into one bucket (its k items in the order they were
// drawn) and writes the codes of the finished ring from aus[o] on.
template <typename T>
size_t RingNachspielen(const DEKODER& dek, const T* e, size_t k, PLATZ& p, uint64_t* aus,
                       size_t o) {
  if (k <= 8) return KurzNachspielen<uint64_t>(dek, e, k, aus, o);
  if (k <= 16) return KurzNachspielen<unsigned __int128>(dek, e, k, aus, o);
  if (k <= kKleinerRing) {
    uint8_t ring[kKleinerRing];  // the items' indices
    ring[0] = 0;
    for (size_t j = 1; j < k; ++j) {
      const size_t an = RingStelle(e[j]);
      for (size_t t = j; t > an; --t) ring[t] = ring[t - 1];
      ring[an] = static_cast<uint8_t>(j);
    }
    for (size_t j = 0; j < k; ++j) Streamen(aus + o++, RingWort(dek, e[ring[j]]));
    return o;
  }
  // A long ring (only with few buckets): linked, walked from the nearer end as
  // the insertions themselves do, since places lie within 128 of an end.
  p.nach.resize(k);
  p.vor.resize(k);
  uint32_t* nach = p.nach.data();
  uint32_t* vor = p.vor.data();
  uint32_t kopf = 0;
  nach[0] = vor[0] = 0;
  for (size_t j = 1; j < k; ++j) {
    const uint32_t neu = static_cast<uint32_t>(j);
    const uint32_t an = RingStelle(e[j]);
    InRingEinfuegen(nach, vor, kopf, neu, an, neu);
    if (an == 0) kopf = neu;
  }
  uint32_t x = kopf;
  for (size_t j = 0; j < k; ++j, x = nach[x]) Streamen(aus + o++, RingWort(dek, e[x]));
  return o;
}

// Occupancy words of a part.
constexpr size_t kTeilWorte = (size_t{1} << kLokalBitsHoechstens) / 64 + 1;

// A part's stretch of the occupancy table, without the bits of other parts
// that share its words, and the occupied buckets before each word. The table
// holds exactly the buckets that got records, so a bucket's rank among the
// part's occupied buckets says where its ring goes.
struct TEILBITS {
  uint64_t anfang = 0;  // the part's first bucket
  size_t w0 = 0;        // its first word
  uint64_t bits[kTeilWorte];
  uint32_t davor[kTeilWorte + 1];
  uint32_t belegt_n = 0;  // occupied buckets

  [[gnu::always_inline]] void Lesen(const AUFTRAG& a, uint32_t teil) {
    const int lokal_bits = a.tz->lokal_bits;
    anfang = uint64_t{teil} << lokal_bits;
    const uint64_t schluss = anfang + (uint64_t{1} << lokal_bits);
    w0 = static_cast<size_t>(anfang >> 6);
    const size_t worte = static_cast<size_t>((schluss - 1) >> 6) - w0 + 1;
    davor[0] = 0;
    for (size_t w = 0; w < worte; ++w) {
      uint64_t x = BelegtBits(a.belegt, w0 + w, a.stand_bits);
      if (w == 0) x &= ~uint64_t{0} << (anfang & 63);
      if (w == worte - 1 && (schluss & 63) != 0) x &= ~(~uint64_t{0} << (schluss & 63));
      bits[w] = x;
      davor[w + 1] = davor[w] + static_cast<uint32_t>(__builtin_popcountll(x));
    }
    belegt_n = davor[worte];
  }
  // The rank of the item's bucket; belegt: whether the table has it.
  [[gnu::always_inline]] uint32_t Rang(const POSTEN& posten, bool& belegt) const {
    return Rang(posten.kopf, belegt);
  }
  // The same from the item as filed or as read (the bucket sits in the same bits).
  [[gnu::always_inline]] uint32_t Rang(uint64_t posten, bool& belegt) const {
    const uint64_t g = anfang + PostenEimer(posten);
    const size_t w = static_cast<size_t>(g >> 6) - w0;
    belegt = (bits[w] >> (g & 63) & 1) != 0;
    const uint64_t unter = (uint64_t{1} << (g & 63)) - 1;
    return davor[w] + static_cast<uint32_t>(__builtin_popcountll(bits[w] & unter));
  }
};

// A part's items as filed, in the order drawn, chunk by chunk: stueck(q, m)
// gets the m items from q on. The steps handed to this, to the two below and
// to RingeSchreiben run once per item or per bucket: they are inlined, since a
// call each cost more than their work (the replay of 8 positions with 9 signs
// took over a third longer with calls).
template <typename F>
[[gnu::always_inline]] inline void StueckeDurchgehen(const TEILUNG& tz, uint32_t teil, size_t n,
                                                     F&& stueck) {
  size_t k = 0;
  for (uint32_t s = tz.erstes[teil]; s != TEILUNG::kKein; s = tz.folge[s]) {
    const size_t m = std::min(StueckGroesse(tz, s), n - k);
    stueck(StueckAnfang(tz, s), m);
    k += m;
  }
}

// An exception lies anywhere in its array (the exceptions of all parts come
// mixed, in the order filed), so each is fetched kAusnahmeVorlauf items ahead,
// behind a branch that is rarely taken rather than through an address made
// for every item (with this and with its ordinary items placed as filed, the
// counting sort of 6 positions with 26 signs got faster: see TeilSortieren).
constexpr size_t kAusnahmeVorlauf = 16;

// The items of a part in the order drawn, as the replay reads them: an item
// that is not an exception goes to gewoehnlich as filed (it holds all there
// is to know), an exception to ausnahme as read (see PostenLesen).
template <typename G, typename F>
[[gnu::always_inline]] inline void PostenDurchgehen(const TEILUNG& tz, uint32_t teil, size_t n,
                                                    G&& gewoehnlich, F&& ausnahme) {
  StueckeDurchgehen(
      tz, teil, n, [&](const uint64_t* q, size_t m) __attribute__((always_inline)) {
        // Without exceptions (buckets that never fill), nothing is fetched.
        if (tz.ausnahmen_n == 0) {
          for (size_t i = 0; i < m; ++i) gewoehnlich(q[i]);
          return;
        }
        for (size_t i = 0; i < m; ++i) {
          if (i + kAusnahmeVorlauf < m) {
            const uint64_t v = q[i + kAusnahmeVorlauf];
            if (v & kAusnahme) [[unlikely]]
              __builtin_prefetch(&tz.ausnahmen[static_cast<uint32_t>(v)]);
          }
          const uint64_t w = q[i];
          if (w & kAusnahme) [[unlikely]] {
            ausnahme(PostenLesen(tz.ausnahmen, w));
          } else {
            gewoehnlich(w);
          }
        }
      });
}

// The items of a part as filed, for what needs only their buckets: an
// exception's record and raw number are not read. This is the first read of
// the items, streamed out to memory by the filing: their lines are asked for
// a page ahead, which the processor's own prefetching, stopping at every page
// of 4 KB, did not do in time. On 6 positions with 26 signs the work after the
// draws took 1.81 instead of 2.10 s (means of six set-ups each, taken in
// turn); 2 or 8 KB ahead did as well.
constexpr size_t kStromVorlauf = 4096 / sizeof(uint64_t);

template <typename F>
[[gnu::always_inline]] inline void EimerDurchgehen(const TEILUNG& tz, uint32_t teil, size_t n,
                                                   F&& tun) {
  StueckeDurchgehen(
      tz, teil, n, [&](const uint64_t* q, size_t m) __attribute__((always_inline)) {
        for (size_t i = 0; i < m; ++i) {
          // Beyond the chunk's end this asks for a line that may not be
          // used: a prefetch never faults.
          if (i % kZeile == 0) __builtin_prefetch(q + i + kStromVorlauf);
          tun(q[i]);
        }
      });
}

// The parts whose home regions part teil's stretch of the chain covers have
// read their items: waits for them. They come before it, were taken before
// it, and wait only for parts before them, so the first of them never waits.
// False when the set-up is broken off meanwhile.
bool HeimeAbwarten(const AUFTRAG& a, uint32_t teil, PLATZ& p) {
  const TEILUNG& tz = *a.tz;
  if (tz.getrennt) return true;
  const size_t von = tz.start[teil], bis = von + tz.anzahl[teil];
  if (bis <= tz.luecke) return true;
  const size_t u0 = von < tz.luecke ? 0 : (von - tz.luecke) / tz.heim_n;
  const size_t u1 = (bis - 1 - tz.luecke) / tz.heim_n;
  for (size_t u = u0; u <= u1 && u < teil; ++u) {
    while (!tz.gelesen[u].load(std::memory_order_acquire)) {
      if (a.halt.load(std::memory_order_relaxed) || Abgebrochen(p)) return false;
      std::this_thread::yield();
    }
  }
  return true;
}

// Writes the rings of the part's buckets into its stretch of the chain, bucket
// by bucket: ring(r, aus, o) writes bucket r's from aus[o] on and says where
// it ended. Looks at the clock and the keyboard every kPruefSchritt records.
template <typename F>
[[gnu::always_inline]] inline void RingeSchreiben(const AUFTRAG& a, uint32_t teil, PLATZ& p,
                                                  uint32_t belegt_n, F&& ring) {
  a.tz->gelesen[teil].store(true, std::memory_order_release);
  if (!HeimeAbwarten(a, teil, p)) return;
  uint64_t* aus = a.tz->aus + a.tz->start[teil];
  size_t o = 0;
  size_t pruefen_bei = kPruefSchritt;
  for (uint32_t r = 0; r < belegt_n; ++r) {
    o = ring(r, aus, o);
    if (o >= pruefen_bei && p.pruefen) {
      pruefen_bei = o + kPruefSchritt;
      if (Abgebrochen(p)) break;
    }
  }
  StreamenAbschliessen();
}

// A part whose scratch fits the cache. The items are read once, in the order
// drawn: each one's rank in its bucket is the number of its bucket's records
// before it, so its place in the ring is known there, and it is linked to the
// one of its bucket before it; the records come in rising order, so decoding
// them walks the tables forwards.
[[gnu::always_inline]] inline void TeilVerketten(const AUFTRAG& a, uint32_t teil, PLATZ& p,
                                                 const TEILBITS& tb, size_t n) {
  if (p.platz < n) {
    p.platz = n + n / 4;  // parts differ little in size: room for the next ones too
    p.a.reset(new EINTRAG[p.platz]);
    p.b.reset(new EINTRAG[p.platz]);
  }
  const DEKODER& dek = *a.eb.dek;
  EINTRAG* erste = p.b.get();
  EINTRAG* andere = p.a.get();
  uint32_t erste_n = 0, andere_n = 0;
  bool stimmig = true;
  auto einordnen = [&](const POSTEN& posten) __attribute__((always_inline)) {
    bool belegt;
    const uint32_t r = tb.Rang(posten, belegt);
    if (!belegt) {
      stimmig = false;
      return;
    }
    const uint64_t wort = Dekodieren(dek, PostenSatz(posten));
    EINTRAG& kopf = erste[r];
    if (!(posten.kopf & kMitPlatz)) {
      // Only the first of a bucket came without a place.
      kopf = EINTRAG{wort, 1, 0};
      ++erste_n;
      return;
    }
    const uint32_t j = kopf.stelle++;
    size_t stelle;
    stimmig &= StelleVon(posten, j, stelle);
    andere[andere_n] = EINTRAG{wort, static_cast<uint32_t>(stelle), kopf.vorher};
    kopf.vorher = ++andere_n;
  };
  auto gewoehnlich = [&](uint64_t w) __attribute__((always_inline)) {
    einordnen(PostenGewoehnlich(w));
  };
  PostenDurchgehen(*a.tz, teil, n, gewoehnlich, einordnen);
  if (!stimmig || erste_n != tb.belegt_n) return;
  EINTRAG kurz[kKleinerRing];
  RingeSchreiben(
      a, teil, p,
      tb.belegt_n, [&](uint32_t r, uint64_t * aus, size_t o) __attribute__((always_inline)) {
        const EINTRAG& kopf = erste[r];
        if (kopf.stelle == 1) {
          Streamen(aus + o, kopf.wort);
          return o + 1;
        }
        if (kopf.stelle == 2) {
          // The second item went before the first (place 0) or after it.
          const EINTRAG& zweit = andere[kopf.vorher - 1];
          const bool vorn = zweit.stelle == 0;
          Streamen(aus + o, vorn ? zweit.wort : kopf.wort);
          Streamen(aus + o + 1, vorn ? kopf.wort : zweit.wort);
          return o + 2;
        }
        // The bucket's items in the order drawn, from its last one back.
        const size_t zahl = kopf.stelle;
        if (zahl > kKleinerRing) p.ring.resize(zahl);
        EINTRAG* e = zahl > kKleinerRing ? p.ring.data() : kurz;
        e[0] = kopf;
        uint32_t y = kopf.vorher;
        for (size_t j = zahl; j-- > 1;) {
          e[j] = andere[y - 1];
          y = e[j].vorher;
        }
        return RingNachspielen(dek, e, zahl, p, aus, o);
      });
}

// A part too big for the cache, where following links to each bucket's items
// would wait on memory at every step: a counting sort gathers each bucket's
// items first, still in the order drawn, and the rings are replayed from
// there. The items are read twice, in order; an item's rank in its bucket,
// which gives its place in the ring, is where the sort puts it.
[[gnu::always_inline]] inline void TeilSortieren(const AUFTRAG& a, uint32_t teil, PLATZ& p,
                                                 const TEILBITS& tb, size_t n) {
  if (p.sortiert_platz < n) {
    p.sortiert_platz = n + n / 4;
    p.sortiert.reset(new uint64_t[p.sortiert_platz]);
  }
  if (!p.eimer) {
    p.eimer.reset(new uint32_t[size_t{1} << kLokalBitsHoechstens]);
    p.start.reset(new uint32_t[(size_t{1} << kLokalBitsHoechstens) + 1]);
  }
  const uint32_t belegt_n = tb.belegt_n;
  uint32_t* eimer = p.eimer.get();
  uint32_t* start = p.start.get();
  // 1. The records of each bucket.
  std::fill(eimer, eimer + belegt_n, 0u);
  bool stimmig = true;
  EimerDurchgehen(
      *a.tz, teil, n, [&](uint64_t posten) __attribute__((always_inline)) {
        bool belegt;
        const uint32_t r = tb.Rang(posten, belegt);
        stimmig &= belegt;
        ++eimer[belegt ? r : 0];
      });
  if (!stimmig) return;
  // 2. Each bucket's stretch; every occupied bucket has its first record.
  uint32_t summe = 0;
  for (uint32_t r = 0; r < belegt_n; ++r) {
    const uint32_t z = eimer[r];
    if (z == 0) return;
    start[r] = eimer[r] = summe;
    summe += z;
  }
  start[belegt_n] = summe;
  // 3. The items gathered by bucket.
  uint64_t* sortiert = p.sortiert.get();
  auto einordnen = [&](const POSTEN& posten) __attribute__((always_inline)) {
    bool belegt;
    const uint32_t r = tb.Rang(posten, belegt);
    const uint32_t c = eimer[r]++;
    const uint32_t j = c - start[r];
    // Only the first of a bucket came without a place.
    stimmig &= (j == 0) == !(posten.kopf & kMitPlatz);
    size_t stelle = 0;
    if (j != 0) stimmig &= StelleVon(posten, j, stelle);
    sortiert[c] = uint64_t{PostenSatz(posten)} | uint64_t{stelle} << 32;
  };
  // einordnen, written out for an item that holds its place's residue (0 for
  // the first of its bucket, else 1 + the place), without making it a POSTEN
  // first, and checked as StelleVon checks it. On 6 positions with 26 signs
  // the work after the draws took 1.46 instead of 1.76 s (means of eight
  // set-ups each, taken in turn).
  auto gewoehnlich = [&](uint64_t w) __attribute__((always_inline)) {
    bool belegt;
    const uint32_t r = tb.Rang(w, belegt);
    const uint32_t c = eimer[r]++;
    const uint32_t j = c - start[r];
    const uint32_t platz = static_cast<uint32_t>(w >> kPlatzBit) & 31;
    stimmig &= platz == 0 ? j == 0 : j - 1 < kVoll - 1 && platz <= j + 1;
    sortiert[c] = (w & UINT32_MAX) | uint64_t{platz - (platz != 0)} << 32;
  };
  PostenDurchgehen(*a.tz, teil, n, gewoehnlich, einordnen);
  if (!stimmig) return;
  // 4. The rings.
  const DEKODER& dek = *a.eb.dek;
  RingeSchreiben(
      a, teil, p,
      belegt_n, [&](uint32_t r, uint64_t * aus, size_t o) __attribute__((always_inline)) {
        const uint32_t von = start[r], bis = start[r + 1];
        if (bis - von == 1) {
          Streamen(aus + o, RingWort(dek, sortiert[von]));
          return o + 1;
        }
        return RingNachspielen(dek, sortiert + von, bis - von, p, aus, o);
      });
}

// One part: the rings of its buckets in bucket order into the chain.
[[gnu::always_inline]] inline void TeilOrdnenMit(const AUFTRAG& a, uint32_t teil, PLATZ& p) {
  const size_t n = a.tz->anzahl[teil];
  if (n == 0) return;
  TEILBITS tb;
  tb.Lesen(a, teil);
  // Read while the table was cleared (the set-up was broken off and a unit
  // still ran): nothing is written.
  if (tb.belegt_n > n) return;
  if (static_cast<int64_t>(n) <= MISCH_VERKETTET_BIS) {
    TeilVerketten(a, teil, p, tb, n);
  } else {
    TeilSortieren(a, teil, p, tb, n);
  }
}

// A rank costs one instruction where the processor counts bits itself.
#if defined(__x86_64__)
[[gnu::target("popcnt")]] void TeilOrdnenPopcnt(const AUFTRAG& a, uint32_t teil, PLATZ& p) {
  TeilOrdnenMit(a, teil, p);
}
#endif

void TeilOrdnen(const AUFTRAG& a, uint32_t teil, PLATZ& p) {
#if defined(__x86_64__)
  static const bool popcnt = __builtin_cpu_supports("popcnt");
  if (popcnt) {
    TeilOrdnenPopcnt(a, teil, p);
  } else {
    TeilOrdnenMit(a, teil, p);
  }
#else
  TeilOrdnenMit(a, teil, p);
#endif
  // Also a part that wrote nothing (empty, or read while the set-up was broken off).
  a.tz->gelesen[teil].store(true, std::memory_order_release);
}

// After the last block is distributed: each part's size and first slot, and
// where the chain goes. A part's stretch may reach into the home regions
// before its own (those parts are replayed first, and it waits until they
// have read their items), but not into a later one's. The regions leave room
// enough that this comes once in some 10^14 set-ups; the chain is then
// written apart. False when there is no memory for that.
bool TeileAbschliessen(TEILUNG& tz) {
  uint64_t summe = 0;
  bool spaeter = false;
  for (uint32_t t = 0; t < tz.teile; ++t) {
    tz.anzahl[t] = 0;
    if (tz.stueckzahl[t] > 0) {
      const uint64_t* anfang = StueckAnfang(tz, tz.letztes[t]);
      tz.anzahl[t] = tz.voll[t] + static_cast<size_t>(tz.schreib[t] - anfang);
    }
    tz.start[t] = summe;
    summe += tz.anzahl[t];
    spaeter |= summe > tz.luecke + (size_t{t} + 1) * tz.heim_n;
  }
  tz.getrennt = spaeter || MISCH_HEIM_PROBE == 2;
  if (!tz.getrennt) return true;
  tz.aus_bytes = std::max<size_t>(summe, 1) * sizeof(uint64_t);
  tz.aus = static_cast<uint64_t*>(SEITEN_HOLEN(tz.aus_bytes));
  return tz.aus != nullptr;
}

// ---- The draws and their filing ------------------------------------------------
// The main thread makes the draws in record order, which only it can: whether
// a raw number is a bucket or a place depends on whether the bucket was empty.
// It keeps a bit per bucket, or more where buckets fill (see stand_bits), and
// hands the draws on through the rings. The filing (counting the records
// beyond those the main thread counts, and making each draw an item of its
// part) follows on another thread, so that the one thread that cannot be
// shared does little else.

// Files the records from the filing's next one up to bis - 1, all drawn, and
// says how far it got, for the draws (the room in the rings) and the progress row.
void AblegenBis(AUFTRAG& a, uint32_t bis) {
  ABLEGER& ab = a.ablage;
  TEILUNG& tz = *a.tz;
  const uint32_t* eimer_ring = a.eimer_ring;
  const uint64_t* platz_ring = a.platz_ring;
  uint64_t* const zaehler = a.zaehler;
  const int lbits = tz.lokal_bits;
  const uint32_t lmaske = (uint32_t{1} << lbits) - 1;
  const uint32_t voll = StandVoll(a.stand_bits);
  constexpr uint32_t kVorlauf = 32;  // records whose counts are fetched ahead
  uint64_t p = ab.p;
  for (uint32_t q = ab.q; q < bis; ++q) {
    if (q + kVorlauf < bis) {
      const uint32_t vor = eimer_ring[(q + kVorlauf) % kRing];
      if (vor >> kStandBit == voll) __builtin_prefetch(&zaehler[(vor & kEimerMaske) >> 4], 1);
    }
    const uint32_t e = eimer_ring[q % kRing];
    const uint32_t h = e & kEimerMaske;
    uint32_t j = e >> kStandBit;  // the records in the bucket before this one
    uint64_t posten = uint64_t{h & lmaske} << 32;
    if (j == 0) {
      posten |= q;  // the first of its bucket
    } else {
      if (j == voll) {
        uint64_t& wort = zaehler[h >> 4];
        const int schub = static_cast<int>(h & 15) * 4;
        const uint32_t mehr = static_cast<uint32_t>(wort >> schub) & 15;
        if (mehr < 15) wort += uint64_t{1} << schub;
        j += mehr;  // exact below voll + 15, which is at least kVoll
      }
      if (j < kVoll) [[likely]] {
        const uint32_t rest = static_cast<uint32_t>(platz_ring[p++ % kRing] % kRestModul);
        posten |= q | uint64_t{KleinerRest(rest, j + 1) + 1} << kPlatzBit;
      } else {
        tz.ausnahmen[tz.ausnahmen_n] = AUSNAHME{q, platz_ring[p++ % kRing]};
        posten |= kAusnahme | tz.ausnahmen_n++;
      }
    }
    Ablegen(tz, h >> lbits, posten);
  }
  ab.p = p;
  ab.q = std::max(ab.q, bis);
  a.plaetze_abgelegt.store(ab.p, std::memory_order_release);
  a.abgelegt.store(ab.q, std::memory_order_release);
}

// The records in bucket h, which holds StandVoll(stand_bits) at least, before
// the filing's next record: its count, or when that has reached its top, its
// items counted.
size_t ImEimer(const AUFTRAG& a, uint32_t h) {
  const uint32_t n = static_cast<uint32_t>(a.zaehler[h >> 4] >> (h & 15) * 4) & 15;
  return n < 15 ? StandVoll(a.stand_bits) + n : EimerZaehlen(*a.tz, h);
}

// The filing as one unit: it follows the draws to their end and then
// completes the parts. Left unfinished when the set-up is broken off (halt, or
// the main thread's look at the keyboard when it files itself).
void ZuegeAblegen(AUFTRAG& a, PLATZ& p) {
  if (!p.pruefen)
    while (a.wasserstand.load(std::memory_order_acquire) < a.ablage_ab &&
           !a.halt.load(std::memory_order_relaxed))
      std::this_thread::sleep_for(std::chrono::microseconds(100));
  a.ableger_da.store(true, std::memory_order_release);
  const std::lock_guard<std::mutex> sperre(a.ablage_sperre);
  ABLEGER& ab = a.ablage;
  constexpr uint32_t kSchritt = 1024;  // records filed between two looks at the draws
  uint32_t bis_pruefen = 0;
  while (ab.q < a.anzahl) {
    if (a.halt.load(std::memory_order_relaxed)) return;
    if (p.pruefen && ab.q >= bis_pruefen) {
      bis_pruefen = ab.q + static_cast<uint32_t>(kPruefSchritt);
      if (Abgebrochen(p)) return;
    }
    const uint32_t gezogen = a.wasserstand.load(std::memory_order_acquire);
    if (ab.q >= gezogen) {
      std::this_thread::sleep_for(std::chrono::microseconds(20));
      continue;
    }
    AblegenBis(a, std::min(gezogen, ab.q + kSchritt));
  }
  TEILUNG& tz = *a.tz;
  ZeilenLeeren(tz);
  StreamenAbschliessen();
  if (!TeileAbschliessen(tz)) {
    a.ohne_speicher.store(true, std::memory_order_release);
    a.halt.store(true, std::memory_order_release);
  } else {
    a.gezogen.store(true, std::memory_order_release);
  }
  Melden(a);
}

// The main thread's draws of records s..t-1 into the rings, where there is
// room for them, the places' raw numbers from the ring's slot p on; gives the
// next slot. selten(q, h, stand) gives the records already in bucket h before
// record q (stand of them, or B's top or more), for the rare raw place
// number so close to 2^64 that whether it is rejected depends on the bucket's
// counter.
template <int B, typename SELTEN>
uint64_t Ziehen(AUFTRAG& a, ZUEGE& z, uint32_t s, uint32_t t, uint64_t p, SELTEN&& selten) {
  const uint32_t maske = a.maske;
  const uint64_t grenze = term::RandomBound(uint64_t{maske} + 1);
  const uint64_t sicher = MISCH_SELTENER_WEG ? 0 : kPlatzSicher;
  uint64_t* const belegt = a.belegt;
  uint32_t* const eimer_ring = a.eimer_ring;
  uint64_t* const platz_ring = a.platz_ring;
  uint32_t q = s;
  // The count of a coming bucket (whether a number is a bucket or a place is
  // known only when it comes, so every one is treated as a bucket). A record
  // takes one raw number or two, so fetching the two that come kVorlauf ahead
  // fetches every bucket before it is needed, where one would miss the
  // bucket of each record that follows a record of two. Inlined as it is
  // read: a call of its own would count as one without effect, which the
  // compiler drops with the fetches in it.
  auto vorholen = [&](const uint64_t* puf, size_t i) __attribute__((always_inline)) {
    __builtin_prefetch(&belegt[StandWort<B>(puf[i + ZUEGE::kVorlauf - 1] & maske)], 1);
    __builtin_prefetch(&belegt[StandWort<B>(puf[i + ZUEGE::kVorlauf] & maske)], 1);
  };
  auto roh = [&] {
    if (z.i == z.n) z.Auffuellen(q);
    return z.puf[z.i++];
  };
  // Record r into bucket h, whose word w (at wort) held the count stand:
  // handed on, and counted on.
  auto eintragen = [&](uint32_t r, uint32_t h, uint32_t stand, uint64_t & wort, uint64_t w)
      __attribute__((always_inline)) {
    eimer_ring[r % kRing] = h | stand << kStandBit;
    wort = w + (uint64_t{stand < StandVoll(B)} << StandSchub<B>(h));
  };
  while (q < t) {
    z.Auffuellen(q);
    // 1. The records whose raw numbers lie in the buffer, those kVorlauf
    // ahead included, and are neither rejected nor so close to 2^64 that the
    // bucket's counter decides: every record but a few in a thousand. Without
    // a call in the loop everything stays in registers: with the buffer
    // topped up inside it, the loop kept its values on the stack, and its
    // compute alone took longer than fetching the table (on 8 positions with
    // 9 signs, 11-14 ns a record with a table of 32 KB).
    {
      const uint64_t* const puf = z.puf;
      const size_t n = z.n;
      size_t i = z.i;
      uint32_t r = q;
      for (; r < t && i + ZUEGE::kVorlauf + 1 < n; ++r) {
        vorholen(puf, i);
        const uint64_t x = puf[i];
        if (x >= grenze) [[unlikely]]
          break;
        const uint32_t h = static_cast<uint32_t>(x) & maske;
        uint64_t& wort = belegt[StandWort<B>(h)];
        const uint64_t w = wort;
        const uint32_t stand = static_cast<uint32_t>(w >> StandSchub<B>(h)) & StandVoll(B);
        if (stand != 0) {
          const uint64_t y = puf[i + 1];
          if (y >= sicher) [[unlikely]]
            break;
          platz_ring[p++ % kRing] = y;
        }
        i += stand != 0 ? 2 : 1;
        eintragen(r, h, stand, wort, w);
      }
      z.i = i;
      q = r;
    }
    if (q == t) break;
    // 2. One record of any kind: a raw number rejected, a place near 2^64, or
    // the buffer's end.
    if (z.i + ZUEGE::kVorlauf < z.n) vorholen(z.puf, z.i);
    uint64_t x;
    do {
      x = roh();
    } while (x >= grenze);
    const uint32_t h = static_cast<uint32_t>(x) & maske;
    uint64_t& wort = belegt[StandWort<B>(h)];
    const uint64_t w = wort;
    const uint32_t stand = static_cast<uint32_t>(w >> StandSchub<B>(h)) & StandVoll(B);
    if (stand != 0) {
      uint64_t y = roh();
      if (y >= sicher) y = PlatzNachziehen(y, selten(q, h, stand), roh);
      platz_ring[p++ % kRing] = y;
    }
    eintragen(q, h, stand, wort, w);
    ++q;
  }
  return p;
}

void StueckAusfuehren(AUFTRAG& a, ARBEITSART art, int64_t i, PLATZ& p) {
  switch (art) {
    case kAnfangFaulten: {
      // The occupancy table first, then the buckets' counts, then the start
      // of the pool.
      const int64_t bits = static_cast<int64_t>(Einheiten(a.belegt_bytes));
      const int64_t zahlen = static_cast<int64_t>(Einheiten(a.zaehler_bytes));
      if (i < bits) {
        Faulten(a, kAnfangFaulten, reinterpret_cast<char*>(a.belegt), a.belegt_bytes, i);
      } else if (i < bits + zahlen) {
        Faulten(a, kAnfangFaulten, reinterpret_cast<char*>(a.zaehler), a.zaehler_bytes, i - bits);
      } else {
        Faulten(a, kAnfangFaulten, reinterpret_cast<char*>(a.tz->vorrat), a.anfang_bytes,
                i - bits - zahlen);
      }
      break;
    }
    case kAblegen:
      ZuegeAblegen(a, p);
      break;
    case kVorratFaulten:
      Faulten(a, kVorratFaulten, reinterpret_cast<char*>(a.tz->vorrat), a.tz->vorrat_bytes, i);
      break;
    case kKandFaulten:
      Faulten(a, kKandFaulten, reinterpret_cast<char*>(a.kand), a.kand_bytes, i);
      break;
    case kErlZaehlen:
      a.erl[static_cast<size_t>(i)] = ErlStueck(a.eb, ErlVon(i), ErlBis(a, i), 0, false);
      a.gezaehlt.fetch_add(ErlBis(a, i) - ErlVon(i), std::memory_order_relaxed);
      break;
    case kTeile:
      TeilOrdnen(a, static_cast<uint32_t>(i), p);
      a.teil_erledigt.fetch_add(static_cast<int64_t>(a.tz->anzahl[static_cast<size_t>(i)]),
                                std::memory_order_relaxed);
      break;
    case kArten:
      break;
  }
}

void Abgeschlossen(AUFTRAG& a, ARBEITSART art) {
  if (art == kErlZaehlen) {
    int64_t summe = 0;
    for (int64_t z : a.erl) summe += z;
    a.erl_summe = summe;
  }
}

// Whether unit i of a kind writes only into pages the workers have faulted in
// (the faulting kinds fault pages in and never qualify).
bool AusgabeGefaultet(const AUFTRAG& a, ARBEITSART art, int64_t i) {
  switch (art) {
    case kErlZaehlen:
      return true;
    case kTeile: {
      // The chain apart is not faulted in ahead (a set-up in some 10^14).
      if (a.tz->getrennt) return true;
      const size_t teil = static_cast<size_t>(i);
      return Gefaultet(a, kKandFaulten, a.tz->start[teil] * sizeof(uint64_t),
                       (a.tz->start[teil] + a.tz->anzahl[teil]) * sizeof(uint64_t));
    }
    default:
      return false;
  }
}

bool Faultend(ARBEITSART art) {
  return art == kAnfangFaulten || art == kVorratFaulten || art == kKandFaulten;
}

// Takes and does one unit of the first kind of work that is open; false when
// there is none just now. With nur_gefaultet (the main thread, while workers
// fault memory in for it) only a unit whose output pages are all in memory
// is taken, so that the main thread never waits on the kernel for long. With
// nur_faulten only a unit that faults pages in.
bool EinStueck(AUFTRAG& a, PLATZ& p, bool nur_gefaultet = false, bool nur_faulten = false) {
  for (ARBEITSART art : kReihenfolge) {
    if (nur_faulten && !Faultend(art)) continue;
    ARBEIT& w = a.arbeit[art];
    if (w.naechstes.load(std::memory_order_relaxed) >= w.stuecke || !Offen(a, art)) continue;
    int64_t i;
    if (nur_gefaultet) {
      // The unit is claimed only if it is still the next one after the check.
      i = w.naechstes.load(std::memory_order_relaxed);
      bool genommen = false;
      while (!genommen && i < w.stuecke && AusgabeGefaultet(a, art, i))
        genommen = w.naechstes.compare_exchange_weak(i, i + 1, std::memory_order_relaxed);
      if (!genommen) continue;
    } else {
      i = w.naechstes.fetch_add(1, std::memory_order_relaxed);
    }
    if (i >= w.stuecke) continue;
    StueckAusfuehren(a, art, i, p);
    if (p.abgebrochen) return true;  // left unfinished: the set-up ends
    const bool letztes = w.fertig.fetch_add(1, std::memory_order_acq_rel) + 1 == w.stuecke;
    if (letztes) {
      Abgeschlossen(a, art);
      Melden(a);  // the work that waited for this kind opens
    }
    return true;
  }
  return false;
}

bool AllesVergeben(const AUFTRAG& a) {
  for (ARBEITSART art : {kErlZaehlen, kTeile})
    if (a.arbeit[art].naechstes.load(std::memory_order_relaxed) < a.arbeit[art].stuecke)
      return false;
  return true;
}

bool AllesFertig(const AUFTRAG& a) {
  for (ARBEITSART art : {kErlZaehlen, kTeile})
    if (a.arbeit[art].fertig.load(std::memory_order_acquire) < a.arbeit[art].stuecke) return false;
  return true;
}

void Arbeiter(void* kontext) {
  AUFTRAG* a = static_cast<AUFTRAG*>(kontext);
  a->laufend.fetch_add(1, std::memory_order_acq_rel);
  PLATZ p;
  while (!a->halt.load(std::memory_order_acquire)) {
    const uint32_t e = a->ereignis.load(std::memory_order_acquire);
    if (EinStueck(*a, p)) continue;
    if (AllesVergeben(*a)) break;
    a->ereignis.wait(e, std::memory_order_acquire);
  }
  a->laufend.fetch_sub(1, std::memory_order_acq_rel);
}

// A thread beside the workers that only faults memory in, and ends when every
// unit of that is taken. The first touch of fresh memory waits on the machine
// more than on the processor (on a virtual machine the host provides each
// page), and two threads asking at once get it about twice as fast as one:
// this one runs on the core the main thread leaves while it waits for pages,
// and yields it when the main thread wakes. It takes only faulting units, so
// the threads that do the rest stay as many as the cores.
void Faulter(void* kontext) {
  AUFTRAG* a = static_cast<AUFTRAG*>(kontext);
  a->laufend.fetch_add(1, std::memory_order_acq_rel);
  PLATZ p;
  while (!a->halt.load(std::memory_order_acquire) && EinStueck(*a, p, false, true)) {
  }
  a->laufend.fetch_sub(1, std::memory_order_acq_rel);
}

// Work other than the draws: done so far, and in all.
double AndereArbeit(const AUFTRAG& a) {
  return a.kosten_teil * static_cast<double>(a.teil_erledigt.load(std::memory_order_relaxed)) +
         kKostenZaehlen * static_cast<double>(a.gezaehlt.load(std::memory_order_relaxed));
}
double AndereGesamt(const AUFTRAG& a) {
  return (a.kosten_teil + (a.zaehlen ? kKostenZaehlen : 0.0)) * a.anzahl;
}

// The draws run on the main thread and their filing on one worker, while the
// other threads do what does not wait for them (the count of the possible
// codes); the rest runs on all threads afterwards. Their share of the time
// follows.
void FortschrittPlanen(AUFTRAG& a, int faeden) {
  const double ziehen = kKostenZiehen * a.anzahl;
  const double nebenher = a.zaehlen ? kKostenZaehlen * a.anzahl : 0.0;
  // One worker files the draws beside them; the others may count.
  const double waehrend = std::min(nebenher, std::max(0, faeden - 2) * ziehen);
  const double danach = std::max(0.0, AndereGesamt(a) - waehrend) / faeden;
  a.ziehen_anteil = ziehen / (ziehen + danach);
  a.danach_s = (ziehen + danach) * kSekundenJeEinheit;
}

// The share of the whole set-up done, in records of the store.
int64_t Fortschritt(AUFTRAG& a, int64_t gezogen) {
  const double n = a.anzahl;
  // The draws and the work after them, as their costs weigh them.
  double p;
  if (!a.gezogen.load(std::memory_order_relaxed)) {
    p = a.ziehen_anteil * static_cast<double>(gezogen) / n;
  } else {
    if (!a.nach_ziehen) {
      a.nach_ziehen = true;
      a.arbeit_beim_ziehen = AndereArbeit(a);
      a.arbeit_danach = AndereGesamt(a) - a.arbeit_beim_ziehen;
    }
    const double rest =
        a.arbeit_danach > 0 ? (AndereArbeit(a) - a.arbeit_beim_ziehen) / a.arbeit_danach : 1.0;
    p = a.ziehen_anteil + (1 - a.ziehen_anteil) * rest;
  }
  if (!a.vorab) return static_cast<int64_t>(p * n);
  // With memory faulted in ahead, the share is one of time: the time gone
  // against the time gone and still needed, so that the estimate of the time
  // still needed is what the faulting and the work still need. The faulting's
  // time to come is what its units so far took; the work's is reckoned from
  // kSekundenJeEinheit until a twentieth of it is done, and from its own
  // pace since. The faulting counts for half the bar at most: a machine slower
  // than the reckoning (or busy) would otherwise see the bar near its end
  // before the draws begin (the faulting took under half of the slowest set-ups
  // measured). The bar never shrinks: it waits when a reckoning grows.
  const auto jetzt = std::chrono::steady_clock::now();
  double anteil;
  if (!a.vorab_fertig) {
    a.vorab_s = std::chrono::duration<double>(jetzt - a.beginn).count();
    a.vorab_ende = jetzt;
    a.vorab_fertig = VorabFertig(a, true);
  }
  if (!a.vorab_fertig) {
    const ARBEIT& w = a.arbeit[kKandFaulten];
    const double getan = static_cast<double>(w.fertig.load(std::memory_order_acquire)) /
                         static_cast<double>(w.stuecke);
    const double s = a.vorab_s;
    anteil = getan > 0 ? std::min(0.5, s / (s / getan + a.danach_s)) : 0.0;
  } else {
    const double t = std::chrono::duration<double>(jetzt - a.vorab_ende).count();
    const double ganz = p > 0.05 ? t / p : std::max(a.danach_s, t / 0.05);
    const double vorab = std::min(a.vorab_s, ganz);
    anteil = (vorab + p * ganz) / (vorab + ganz);
  }
  a.gezeigt = std::max(a.gezeigt, anteil);
  return static_cast<int64_t>(a.gezeigt * n);
}

int FadenZahl() {
  constexpr int kHoechstens = 8;  // more would only fight over the memory bus
  const int n = AUFBAU_FAEDEN > 0 ? AUFBAU_FAEDEN : KERNE();
  return std::clamp(n, 1, kHoechstens);
}

// What the threads of a big set-up share. It outlives the set-up until the
// workers have ended: the thread that gives memory back waits for them first.
struct AUFBAU_ZUSTAND {
  DEKODER dek;
  TEILUNG tz;
  AUFTRAG a;
  std::vector<FADEN> faeden;
};

void ZustandFrei(AUFBAU_ZUSTAND* z) {
  for (FADEN& t : z->faeden) FADEN_WARTEN(t);
  if (!z->tz.geliehen && z->tz.vorrat) munmap(z->tz.vorrat, z->tz.vorrat_bytes);
  if (z->tz.ausnahmen) munmap(z->tz.ausnahmen, z->tz.ausnahmen_bytes);
  if (z->a.belegt) munmap(z->a.belegt, z->a.belegt_bytes);
  if (z->a.zaehler) munmap(z->a.zaehler, z->a.zaehler_bytes);
  if (z->a.ringe) munmap(z->a.ringe, z->a.ringe_bytes);
  if (z->tz.getrennt && z->tz.aus) munmap(z->tz.aus, z->tz.aus_bytes);
  DekoderFrei(z->dek);
  delete z;
}

// ---- Giving memory back -------------------------------------------------------
// Unmapping gigabytes takes the kernel a good part of a second, and a worker
// may be in the middle of a unit when the user breaks off; the game must wait
// for neither. Big mappings, and the shared state of a set-up with its workers,
// go to a thread that ends the workers and gives everything back in the order
// it came, so that no mapping goes before the workers that write to it have
// ended. While that thread runs, small mappings queue behind the rest too. The
// next set-up waits for it before it measures the memory.

constexpr size_t kSpaetAb = size_t{64} << 20;

struct FREIGABE {
  void* p = nullptr;
  size_t bytes = 0;
  AUFBAU_ZUSTAND* zustand = nullptr;
};

std::mutex FREIGABE_SPERRE;
std::deque<FREIGABE> FREIGABE_LISTE;
FADEN FREIGABE_FADEN;
bool FREIGABE_LAEUFT = false;

void FreigabeSchleife(void*) {
  for (;;) {
    FREIGABE f;
    {
      std::lock_guard<std::mutex> sperre(FREIGABE_SPERRE);
      if (FREIGABE_LISTE.empty()) {
        FREIGABE_LAEUFT = false;
        return;
      }
      f = FREIGABE_LISTE.front();
      FREIGABE_LISTE.pop_front();
    }
    if (f.zustand) {
      ZustandFrei(f.zustand);
    } else {
      munmap(f.p, f.bytes);
    }
  }
}

// Queues f when it must wait or is worth handing off; false when the caller
// may give it back at once.
bool Einreihen(const FREIGABE& f, bool gross) {
  FADEN fertig;  // the previous background thread, done with its list
  bool gestartet;
  {
    std::lock_guard<std::mutex> sperre(FREIGABE_SPERRE);
    if (!FREIGABE_LAEUFT && !gross) return false;
    FREIGABE_LISTE.push_back(f);
    if (FREIGABE_LAEUFT) return true;
    FREIGABE_LAEUFT = true;
    fertig = FREIGABE_FADEN;
    FREIGABE_FADEN = FADEN{};
    gestartet = FADEN_STARTEN(FREIGABE_FADEN, FreigabeSchleife, nullptr);
  }
  FADEN_WARTEN(fertig);
  // No thread to hand the list to: it is given back here, the slow way.
  if (!gestartet) FreigabeSchleife(nullptr);
  // A thread still giving memory back when the program ends is waited for
  // before its handle is destroyed.
  static const bool beim_ende = std::atexit(FREIGABE_ABWARTEN) == 0;
  (void)beim_ende;
  return true;
}

// Hands the shared state of a set-up to the background: it ends the workers
// (after their running unit, when halt is set) and frees it.
void ZustandAbgeben(AUFBAU_ZUSTAND* z) {
  if (z->faeden.empty() && z->tz.vorrat == nullptr) {
    ZustandFrei(z);
    return;
  }
  FREIGABE f;
  f.zustand = z;
  Einreihen(f, true);
}

// The layout of a big set-up's parts and their home regions in the chain's
// memory.
struct HEIMPLAN {
  int lokal_bits = 0;
  uint32_t teile = 1;
  size_t heim_n = 0;  // items a home region holds
  size_t luecke = 0;  // words before the first region
  size_t worte = 0;   // words of the chain's memory
};

HEIMPLAN HeimPlanen(uint32_t ende, int bits) {
  HEIMPLAN h;
  h.lokal_bits = std::min(bits, kLokalBits);
  if (bits > kLokalBits && (uint64_t{ende} >> (bits - kLokalBits)) > kTeilGross)
    h.lokal_bits = kLokalBits - 1;
  while (h.lokal_bits < std::min(bits, kLokalBitsHoechstens) &&
         (uint64_t{ende} >> (bits - h.lokal_bits - 1)) <= kTeilKlein)
    ++h.lokal_bits;
  h.teile = uint32_t{1} << (bits - h.lokal_bits);
  // A part's items are binomial, with mean m = ende / teile and a spread s of
  // at most sqrt(m). Regions of m + 2 s (and a line) make the parts' sizes
  // minus their regions' add up with a drift of -2 s a part; that sum rises
  // above a gap of 8 s before the first region (so that some part's stretch
  // of the chain would reach into a later part's region) with a probability
  // of about exp(-2 * 2 s * 8 s / s^2) = exp(-32), some 10^-14. The room costs
  // 2 / sqrt(m) of the chain: 1.4 % for 8 positions with 9 signs.
  const double m = static_cast<double>(ende) / h.teile;
  const size_t spreizung = static_cast<size_t>(std::ceil(std::sqrt(m))) + 1;
  const auto zeilen = [](size_t n) { return (n + kZeile - 1) / kZeile * kZeile; };
  h.heim_n = zeilen(static_cast<size_t>(std::ceil(m)) + 2 * spreizung + kZeile);
  h.luecke = zeilen(8 * spreizung + 64);
  if (MISCH_HEIM_PROBE == 1) {
    h.heim_n = std::max(kZeile, ende / h.teile / kZeile * kZeile);
    h.luecke = 0;
  }
  h.worte = std::max<size_t>(h.luecke + size_t{h.teile} * h.heim_n, ende);
  return h;
}

// The store of more than MISCH_KLEIN_BIS records, built with the decoder in z;
// z is handed on at the end and must not be used afterwards. False when the
// user broke off or memory ran out; the caller then releases the store.
bool GrossAufbauen(AUFBAU_ZUSTAND* z, uint32_t ende, RESERVIERUNG& rv, int bits, const ERLBAU& eb,
                   ABFRAGE& abfrage) {
  TEILUNG& tz = z->tz;
  AUFTRAG& a = z->a;
  const HEIMPLAN plan = HeimPlanen(ende, bits);
  assert(bits < kStandBit);  // a bucket leaves the ring's bits for its count
  assert(RS.kand_bytes >= plan.worte * sizeof(uint64_t));
  tz.lokal_bits = plan.lokal_bits;
  tz.teile = plan.teile;
  tz.heim = RS.kand + plan.luecke;
  tz.heim_n = plan.heim_n;
  tz.luecke = plan.luecke;
  tz.aus = RS.kand;
  tz.stueck = std::clamp<size_t>(std::bit_ceil(size_t{ende} / tz.teile / 8 + 1), 64, 1024);
  tz.stuecke_max = ende / tz.stueck + tz.teile;
  tz.vorrat_bytes = tz.stuecke_max * tz.stueck * sizeof(uint64_t);
  // The pool lies in the possible codes' array when it fits: that is written
  // only when the first answer narrows the codes, into pages the pool has
  // brought in already.
  tz.geliehen = RS.erl_bytes >= tz.vorrat_bytes;
  tz.vorrat = static_cast<uint64_t*>(tz.geliehen ? RS.erl : SEITEN_HOLEN(tz.vorrat_bytes));
  // A pool of its own goes back when the set-up ends, before the possible
  // codes are written: the set-up's peak holds the larger of the two.
  if (!tz.geliehen) rv.resident += tz.vorrat_bytes - RS.erl_bytes;
  // One, two or four bits and four bits a bucket, in whole words. More bits
  // where buckets fill, so that the filing gains more than the draws lose with
  // a bigger table. On 8 positions with 9 signs (1.3 records a bucket) two
  // bits took the filing, which paced the draws, from 25 to 16 ns a record,
  // the draws from 15 to 18 (processor time); the draws' median wall time
  // over nine set-ups each came to 0.89 instead of 0.96 s. Four bits were
  // slower there: the draws took 15-40 % longer. On 6 positions with 26
  // signs (9.2 a bucket) four bits against two took the filing 30 % less and
  // the draws up to 10 % more: 33-35 instead of 26-30 M records a second (two
  // runs each). On 7 positions with 9 signs (0.14 a bucket) two bits were
  // slower than one: a median of 36 instead of 43 M records a second.
  a.stand_bits = uint64_t{ende} >= (uint64_t{4} << bits)       ? 4
                 : uint64_t{ende} * 2 >= (uint64_t{1} << bits) ? 2
                                                               : 1;
  a.belegt_bytes = BelegtWorte(bits, a.stand_bits) * sizeof(uint64_t);
  a.belegt = static_cast<uint64_t*>(SEITEN_HOLEN(a.belegt_bytes));
  a.zaehler_bytes = ((size_t{1} << bits) + 15) / 16 * sizeof(uint64_t);
  a.zaehler = static_cast<uint64_t*>(SEITEN_HOLEN(a.zaehler_bytes));
  a.ringe_bytes = kRing * (sizeof(uint32_t) + sizeof(uint64_t));
  a.ringe = SEITEN_HOLEN(a.ringe_bytes);
  a.platz_ring = static_cast<uint64_t*>(a.ringe);
  a.eimer_ring = reinterpret_cast<uint32_t*>(a.platz_ring + kRing);
  rv.resident += a.belegt_bytes + a.zaehler_bytes + a.ringe_bytes;
  // Room for an exception per record, without a claim on memory for the room:
  // where buckets hold many records they come once in a few hundred, and
  // pages are taken as they fill. Not reserved either, as the replay's scratch.
  tz.ausnahmen_bytes = std::max<size_t>(ende, 1) * sizeof(AUSNAHME);
  void* ausnahmen = mmap(nullptr, tz.ausnahmen_bytes, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  tz.ausnahmen = ausnahmen == MAP_FAILED ? nullptr : static_cast<AUSNAHME*>(ausnahmen);
  if (!tz.vorrat || !a.belegt || !a.zaehler || !a.ringe || !tz.ausnahmen) {
    ZustandAbgeben(z);
    return false;
  }
  tz.folge.reset(new uint32_t[tz.stuecke_max + tz.teile]);
  tz.heim_frei.assign(tz.teile, 1);
  tz.voll.assign(tz.teile, 0);
  tz.gelesen.reset(new std::atomic<bool>[tz.teile]());
  tz.erstes.assign(tz.teile, TEILUNG::kKein);
  tz.letztes.assign(tz.teile, TEILUNG::kKein);
  tz.stueckzahl.assign(tz.teile, 0);
  tz.anzahl.assign(tz.teile, 0);
  tz.start.assign(tz.teile, 0);
  tz.schreib.assign(tz.teile, nullptr);
  tz.ende.assign(tz.teile, nullptr);
  tz.zeilen.resize(size_t{tz.teile} * kZeile);
  tz.zeilen_n.assign(tz.teile, 0);

  a.eb = eb;
  a.tz = &tz;
  a.kand = RS.kand;
  a.kand_bytes = RS.kand_bytes;
  a.anzahl = ende;
  a.maske = (uint32_t{1} << bits) - 1;
  a.zaehlen = Gesiebt(eb);
  a.ablage_ab = AUFBAU_ABLAGE_AB;
  if (static_cast<int64_t>(ende / tz.teile) > MISCH_VERKETTET_BIS)
    a.kosten_teil = kKostenTeilSortiert;
  const int64_t einheiten = (int64_t{ende} + kErlStueck - 1) / kErlStueck;
  a.erl.assign(static_cast<size_t>(einheiten), 0);
  a.anfang_bytes = std::min(tz.vorrat_bytes, size_t{tz.teile} * tz.stueck * sizeof(uint64_t));
  a.arbeit[kAnfangFaulten].stuecke = static_cast<int64_t>(
      Einheiten(a.belegt_bytes) + Einheiten(a.zaehler_bytes) + Einheiten(a.anfang_bytes));
  a.arbeit[kAblegen].stuecke = 1;
  a.arbeit[kVorratFaulten].stuecke = static_cast<int64_t>(Einheiten(tz.vorrat_bytes));
  a.arbeit[kKandFaulten].stuecke = static_cast<int64_t>(Einheiten(RS.kand_bytes));
  a.arbeit[kErlZaehlen].stuecke = a.zaehlen ? einheiten : 0;
  a.arbeit[kTeile].stuecke = tz.teile;
  a.gefaultet[kKandFaulten].reset(
      new std::atomic<bool>[static_cast<size_t>(a.arbeit[kKandFaulten].stuecke)]());

  // With huge pages, the chain's memory is faulted in before the draws begin.
  // Otherwise each part's second chunk, wanted within the first hundredth of
  // the draws, goes to its home region, and every huge page there is cleared
  // as the filing first writes to it, while the draws wait for the filing: on
  // a machine that must provide such pages afresh, 6 positions with 26 signs
  // stood still for 7.5 s at the start, its estimate of the time still needed
  // growing to a quarter of an hour. Faulted in ahead, on all workers, the
  // same memory took 4 s, during which the progress row moves.
  a.vorab = SEITEN_GROSS && (RS.kand_bytes >= kVorabAb || SEITEN_PROBE == 2);
  a.beginn = std::chrono::steady_clock::now();
  // A worker the system cannot start is one fewer; without any the main
  // thread does all the work. With workers, a part's first chunk goes to its
  // home region only once they have faulted that in (see TEILUNG).
  tz.heim_gefaultet = a.gefaultet[kKandFaulten].get();
  tz.heim_einheiten = static_cast<size_t>(a.arbeit[kKandFaulten].stuecke);
  for (int f = 1; f < FadenZahl(); ++f) {
    FADEN faden;
    if (!FADEN_STARTEN(faden, Arbeiter, &a)) break;
    z->faeden.push_back(faden);
  }
  const int zahl = 1 + static_cast<int>(z->faeden.size());
  if (zahl == 1) tz.heim_gefaultet = nullptr;  // no other thread has seen it
  if (zahl > 1) {
    FADEN faden;
    if (FADEN_STARTEN(faden, Faulter, &a)) z->faeden.push_back(faden);
  }
  FortschrittPlanen(a, zahl);
  // With workers to fault memory in, the main thread writes only into pages
  // they have faulted (see Gefaultet).
  const bool helfer = zahl > 1;
  auto nur_gefaultet = [&] { return helfer && a.faulten.load(std::memory_order_relaxed); };
  // The draws are done once they are filed too: their progress is the mean
  // of the two (the filing follows the draws, or comes after them on the main
  // thread alone).
  auto bedienen = [&](int64_t arbeit) {
    AUFBAU_ARBEITER = a.laufend.load(std::memory_order_acquire);
    AUFBAU_GEZOGEN = a.gezogen.load(std::memory_order_relaxed);
    const int64_t gezogen = (int64_t{a.wasserstand.load(std::memory_order_relaxed)} +
                             a.abgelegt.load(std::memory_order_relaxed)) /
                            2;
    return Bedienen(abfrage, ABFRAGE_VERGLEICHE == 0 ? 1 : arbeit, Fortschritt(a, gezogen));
  };

  // The first draws open a chunk in every part and set bits all over the
  // occupancy table: those pages are faulted in first (with huge pages, the
  // chain's memory too), by the workers while the main thread keeps looking at
  // the keyboard (or by the main thread piece by piece when it works alone),
  // so that no slice of draws waits for megabytes of pages to be cleared.
  // Meanwhile the main thread takes its scratch for the parts it replays
  // after the draws (as big as TeilOrdnen would make it for a part of average
  // size) and the list of the pool's chunks, and touches them a few pages at
  // a time, so that no fresh page waits for it later.
  bool abbruch = false;
  PLATZ platz;
  {
    const size_t mittel = ende / tz.teile;
    const size_t platz_n = mittel + mittel / 4 + 64;
    std::vector<std::pair<char*, size_t>> felder;
    if (static_cast<int64_t>(mittel) <= MISCH_VERKETTET_BIS) {
      platz.platz = platz_n;
      platz.a.reset(new EINTRAG[platz_n]);
      platz.b.reset(new EINTRAG[platz_n]);
      felder.emplace_back(reinterpret_cast<char*>(platz.a.get()), platz_n * sizeof(EINTRAG));
      felder.emplace_back(reinterpret_cast<char*>(platz.b.get()), platz_n * sizeof(EINTRAG));
    } else {
      platz.sortiert_platz = platz_n;
      platz.sortiert.reset(new uint64_t[platz_n]);
      platz.eimer.reset(new uint32_t[size_t{1} << kLokalBitsHoechstens]);
      platz.start.reset(new uint32_t[(size_t{1} << kLokalBitsHoechstens) + 1]);
      felder.emplace_back(reinterpret_cast<char*>(platz.sortiert.get()),
                          platz_n * sizeof(uint64_t));
    }
    felder.emplace_back(reinterpret_cast<char*>(tz.folge.get()), tz.stuecke_max * sizeof(uint32_t));
    felder.emplace_back(static_cast<char*>(a.ringe), a.ringe_bytes);
    constexpr size_t kSeite = 4096, kStueck = 16 * kSeite;
    size_t feld = 0, beruehrt = 0;  // the array being touched, and its bytes touched
    const ARBEIT& anfang = a.arbeit[kAnfangFaulten];
    while (!abbruch) {
      const bool angefangen =
          anfang.fertig.load(std::memory_order_acquire) == anfang.stuecke && VorabFertig(a, true);
      if (angefangen && feld == felder.size()) break;
      abbruch = bedienen(int64_t{1} << 40);
      if (abbruch) break;
      if (feld < felder.size()) {
        const auto [f, bytes] = felder[feld];
        for (size_t o = beruehrt; o < std::min(bytes, beruehrt + kStueck); o += kSeite)
          reinterpret_cast<volatile char*>(f)[o] = 0;
        beruehrt += kStueck;
        if (beruehrt >= bytes) ++feld, beruehrt = 0;
      } else if (zahl > 1 || !EinStueck(a, platz, false, true)) {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
      }
    }
  }

  // The draws, in record order. The filing follows them on a worker, which
  // takes its unit after the first pages are in. When the rings are full and
  // no worker has come for the filing (it may be faulting a page in, or
  // waiting for a core; or there is none), the main thread files what it has
  // drawn and goes on drawing: a worker takes over when it comes. Had the main
  // thread kept the filing, a worker a millisecond late (the rings hold 64 Ki
  // records) left it to file every draw itself: 8 positions with 9 signs then
  // took 2.5 s instead of 1.5 s, once in nine set-ups here. The filing's unit,
  // which completes the parts, is taken after the draws as any other.
  AUFBAU_SELBST_ABGELEGT = 0;
  auto aushelfen = [&](uint32_t bis) {
    if (a.ableger_da.load(std::memory_order_acquire)) return false;
    const std::unique_lock<std::mutex> sperre(a.ablage_sperre, std::try_to_lock);
    if (!sperre.owns_lock()) return false;
    const uint32_t vorher = a.ablage.q;
    AblegenBis(a, bis);
    if (zahl > 1) AUFBAU_SELBST_ABGELEGT += a.ablage.q - vorher;
    return true;
  };
  // The rare raw place number whose rejection depends on the bucket's counter:
  // the records of its bucket so far, when they are StandVoll(stand_bits) or
  // more, are known to the filing, once it has caught up. Such numbers come
  // once in 10^16 draws.
  auto selten = [&](uint32_t q, uint32_t h, uint32_t stand) -> size_t {
    const uint32_t voll = StandVoll(a.stand_bits);
    if (stand < voll && !MISCH_SELTENER_WEG) return stand;
    a.wasserstand.store(q, std::memory_order_release);
    while (a.abgelegt.load(std::memory_order_acquire) < q)
      if (!aushelfen(q)) std::this_thread::sleep_for(std::chrono::microseconds(20));
    const size_t j = stand < voll ? stand : ImEimer(a, h);
    if (MISCH_SELTENER_WEG && j != EimerZaehlen(*a.tz, h)) ++MISCH_SELTEN_FALSCH;
    return j;
  };
  constexpr uint32_t kScheibe = 1024;  // draws between two looks at the keyboard
  static_assert(kScheibe <= kRing);
  ZUEGE zuege;
  zuege.ende = ende;
  uint64_t p = 0;  // the next slot of the places' ring
  for (uint32_t r = 0; r < ende && !abbruch; r += kBlock) {
    const uint32_t bis = ende - r < kBlock ? ende : r + kBlock;
    if (!BlockReservieren(rv, bis - r)) {
      abbruch = true;
      break;
    }
    for (uint32_t s = r; s < bis && !abbruch; s += kScheibe) {
      const uint32_t t = bis - s < kScheibe ? bis : s + kScheibe;
      abbruch = bedienen(kScheibe);
      // Room in the rings for the slice.
      auto voll = [&] {
        return a.abgelegt.load(std::memory_order_acquire) + kRing < t ||
               a.plaetze_abgelegt.load(std::memory_order_acquire) + kRing < p + (t - s);
      };
      while (!abbruch && voll()) {
        if (!aushelfen(s)) {
          std::this_thread::sleep_for(std::chrono::microseconds(20));
          abbruch = bedienen(kScheibe);
        }
      }
      if (abbruch) break;
      p = a.stand_bits == 4   ? Ziehen<4>(a, zuege, s, t, p, selten)
          : a.stand_bits == 2 ? Ziehen<2>(a, zuege, s, t, p, selten)
                              : Ziehen<1>(a, zuege, s, t, p, selten);
      a.wasserstand.store(t, std::memory_order_release);
    }
  }
  // The main thread joins in, looking at the clock and the keyboard between units.
  using BEDIENEN = decltype(bedienen);
  struct PRUEFUNG {
    BEDIENEN* dienst;
  } pruefung{&bedienen};
  platz.kontext = &pruefung;
  platz.pruefen = [](void* k) {
    const PRUEFUNG& pr = *static_cast<const PRUEFUNG*>(k);
    return (*pr.dienst)(kPruefSchritt);
  };
  while (!abbruch) {
    if (bedienen(kBlock)) {
      abbruch = true;
      break;
    }
    if (EinStueck(a, platz, nur_gefaultet())) {
      abbruch = platz.abgebrochen;
      continue;
    }
    if (AllesFertig(a)) break;
    if (a.ohne_speicher.load(std::memory_order_acquire)) {
      abbruch = true;
      break;
    }
    // The workers finish their last units.
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  // The chain's memory beyond the chain (the room the home regions had) goes
  // back, or all of it when the chain was written apart; after the workers,
  // which may still fault it in.
  void* zurueck = nullptr;
  size_t zurueck_bytes = 0;
  if (!abbruch) {
    RS.kand_n = ende;
    RS.erl_n = std::min<int64_t>(a.zaehlen ? a.erl_summe : ende, eb.moeglich);
    if (tz.getrennt) {
      zurueck = RS.kand;
      zurueck_bytes = RS.kand_bytes;
      RS.kand = tz.aus;
      RS.kand_bytes = tz.aus_bytes;
      tz.aus = nullptr;  // the store's now
    } else {
      const size_t seite = static_cast<size_t>(sysconf(_SC_PAGESIZE));
      const size_t genutzt = (size_t{ende} * sizeof(uint64_t) + seite - 1) / seite * seite;
      if (genutzt < RS.kand_bytes) {
        zurueck = reinterpret_cast<char*>(RS.kand) + genutzt;
        zurueck_bytes = RS.kand_bytes - genutzt;
        RS.kand_bytes = genutzt;
      }
    }
  }
  // Every thread stops after its unit; the background waits for them.
  a.halt.store(true, std::memory_order_release);
  Melden(a);
  AUFBAU_ARBEITER = 0;
  AUFBAU_GEZOGEN = false;
  ZustandAbgeben(z);
  SEITEN_ABGEBEN(zurueck, zurueck_bytes);
  return !abbruch;
}

void Abbrechen(bool& ok) {
  A = 27;
  RATEN_ZEITANZEIGE = false;
  ALLES_FREIGEBEN();
  ok = false;
  ZEITEIN = false;
}

}  // namespace

// ---- Code words -----------------------------------------------------------

uint64_t CODEWORT(const uint8_t* z, int laenge) {
  uint64_t w = 0;
  for (int i = 1; i <= laenge; ++i) w |= uint64_t{z[i]} << (7 * (i - 1));
  return w;
}

void WORT_ZEICHEN(uint64_t wort, int laenge, uint8_t* z) {
  for (int i = 1; i <= laenge; ++i) z[i] = static_cast<uint8_t>(wort >> (7 * (i - 1)) & 0x7F);
}

void WORT_ANZAHL(uint64_t wort, int laenge, uint8_t anzahl[37]) {
  std::memset(anzahl, 0, 37);
  for (int i = 0; i < laenge; ++i) ++anzahl[wort >> (7 * i) & 0x7F];
}

void WORT_ZAEHLBITS(uint64_t wort, uint64_t* bits) {
  Zaehlbits(wort, RS.laenge, RS.kmax, RS.worte, bits);
}

uint64_t WORT_ZEICHENMENGE(uint64_t wort, int laenge) {
  uint64_t m = 0;
  for (int i = 0; i < laenge; ++i) m |= uint64_t{1} << (wort >> (7 * i) & 0x7F);
  return m;
}

// ---- Memory ---------------------------------------------------------------

void* SEITEN_HOLEN(size_t bytes) {
  if (bytes == 0) bytes = 1;
  // Not populated up front: faulting in a big store at once would keep Esc
  // waiting for longer than the whole slice between two looks at the keyboard.
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  // The store's arrays are filled densely: huge pages make the faults of a big
  // store and its release far fewer (see SEITEN_WAEHLEN for when they do not
  // pay; a system that gives huge pages unasked is told so then).
  if (bytes >= (size_t{2} << 20)) madvise(p, bytes, SEITEN_GROSS ? MADV_HUGEPAGE : MADV_NOHUGEPAGE);
  return p;
}

void SEITEN_WAEHLEN(size_t bytes, size_t klein_frei) {
  SEITEN_GROSS = bytes > klein_frei / 4 * 3;
}

size_t KLEIN_FREI(const char* text, size_t seite, size_t grosse_seite) {
  // Lines of "Node 0, zone Normal 5855 6179 ...": free blocks of 1, 2, 4, ...
  // pages, for each zone.
  if (seite == 0 || grosse_seite < seite) return 0;
  size_t summe = 0;
  for (const char* zeile = text; zeile && *zeile;) {
    const char* ende = std::strchr(zeile, '\n');
    if (!ende) ende = zeile + std::strlen(zeile);
    const char* z = std::strstr(zeile, "zone");
    if (z && z < ende) {
      z += 4;
      while (z < ende && *z == ' ') ++z;
      while (z < ende && *z != ' ') ++z;  // the zone's name
      size_t block = seite;
      while (z < ende && block < grosse_seite) {
        char* weiter = nullptr;
        const unsigned long long zahl = std::strtoull(z, &weiter, 10);
        if (weiter == z || weiter > ende) break;
        summe += static_cast<size_t>(zahl) * block;
        block *= 2;
        z = weiter;
      }
    }
    zeile = *ende ? ende + 1 : ende;
  }
  return summe;
}

size_t KLEIN_FREI_JETZT() {
  size_t grosse_seite = size_t{2} << 20;
  if (FILE* f = std::fopen("/sys/kernel/mm/transparent_hugepage/hpage_pmd_size", "r")) {
    unsigned long long g = 0;
    if (std::fscanf(f, "%llu", &g) == 1 && g > 0) grosse_seite = static_cast<size_t>(g);
    std::fclose(f);
  }
  FILE* f = std::fopen("/proc/buddyinfo", "r");
  if (!f) return 0;
  char text[16384];
  size_t n = 0;
  while (n < sizeof(text) - 1) {
    const size_t m = std::fread(text + n, 1, sizeof(text) - 1 - n, f);
    if (m == 0) break;
    n += m;
  }
  std::fclose(f);
  text[n] = 0;  // a table cut short counts less: huge pages, as before
  return KLEIN_FREI(text, static_cast<size_t>(sysconf(_SC_PAGESIZE)), grosse_seite);
}

void SEITEN_ABGEBEN(void* p, size_t bytes) {
  if (!p) return;
  FREIGABE f;
  f.p = p;
  f.bytes = bytes == 0 ? 1 : bytes;
  if (!Einreihen(f, f.bytes >= kSpaetAb)) munmap(f.p, f.bytes);
}

void FREIGABE_ABWARTEN() {
  FADEN t;
  {
    std::lock_guard<std::mutex> sperre(FREIGABE_SPERRE);
    t = FREIGABE_FADEN;
    FREIGABE_FADEN = FADEN{};
  }
  FADEN_WARTEN(t);
}

namespace {
struct FADENSTART {
  void (*arbeit)(void*);
  void* kontext;
};
void* FadenAnfang(void* p) {
  const FADENSTART s = *static_cast<FADENSTART*>(p);
  delete static_cast<FADENSTART*>(p);
  s.arbeit(s.kontext);
  return nullptr;
}
}  // namespace

int KERNE() {
  cpu_set_t satz;
  if (sched_getaffinity(0, sizeof(satz), &satz) == 0) {
    const int n = CPU_COUNT(&satz);
    if (n > 0) return n;
  }
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

bool FADEN_STARTEN(FADEN& f, void (*arbeit)(void*), void* kontext) {
  f = FADEN{};
  if (FADEN_ERLAUBT == 0) return false;
  auto* start = new FADENSTART{arbeit, kontext};
  // A new thread inherits the signal mask of the thread that starts it.
  sigset_t alle, vorher;
  sigfillset(&alle);
  pthread_sigmask(SIG_SETMASK, &alle, &vorher);
  const int fehler = pthread_create(&f.id, nullptr, FadenAnfang, start);
  pthread_sigmask(SIG_SETMASK, &vorher, nullptr);
  if (fehler != 0) {
    delete start;
    return false;
  }
  if (FADEN_ERLAUBT > 0) --FADEN_ERLAUBT;
  f.laeuft = true;
  return true;
}

void FADEN_WARTEN(FADEN& f) {
  if (f.laeuft) pthread_join(f.id, nullptr);
  f.laeuft = false;
}

void RATEN_SPEICHER_FREIGEBEN() {
  QuelleFrei();
  OFFENE_ZAEHLUNG_FREIGEBEN();
  SEITEN_ABGEBEN(RS.kand, RS.kand_bytes);
  SEITEN_ABGEBEN(RS.marke, RS.marke_bytes);
  SEITEN_ABGEBEN(RS.erl, RS.erl_bytes);
  if (RS.reserviert || RESIDENT_RESERVIERT)
    SPEICHER_ZURUECKGEBEN(RS.reserviert, RESIDENT_RESERVIERT);
  RESIDENT_RESERVIERT = 0;
  RATESPEICHER leer;
  leer.laenge = RS.laenge;
  leer.farben = RS.farben;
  leer.leer = RS.leer;
  leer.kmax = RS.kmax;
  leer.worte = RS.worte;
  leer.lanes = RS.lanes;
  RS = leer;
  ZAHLGESAMTVERSUCHE = 0;
  GESPIELTE_CODES.clear();
}

void ALLES_FREIGEBEN() {
  // The store is freed here as well as through LISTEN_FREIGEBEN, so that it
  // never depends on who else releases what; a second release finds it empty.
  RATEN_SPEICHER_FREIGEBEN();
  LISTEN_FREIGEBEN(true);
}

int64_t RESIDENTER_SPEICHER() {
  long seiten = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &seiten, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<int64_t>(resident) * sysconf(_SC_PAGESIZE);
}

// ---- Polling --------------------------------------------------------------

bool ABFRAGE_FAELLIG(ABFRAGE& a, int64_t arbeit) {
  a.bis -= arbeit;
  if (a.bis > 0) return false;
  a.bis = ABFRAGE_VERGLEICHE;
  const auto jetzt = std::chrono::steady_clock::now();
  if (jetzt - a.zuletzt < std::chrono::nanoseconds(ABFRAGE_INTERVALL_NS)) return false;
  a.zuletzt = jetzt;
  return true;
}

void UHR_BEDIENEN() {
  SETZEZEITLETZTERVERSUCH = true;
  SCHREIBE_ZEIT_FPC();
  if (UHR_TESTHAKEN) UHR_TESTHAKEN();
}

bool TASTEN_LESEN(bool f6) {
  while (term::KeyPressed()) {
    const char c = term::ReadKey();
    if (c == 27 || c == 3) return true;
    if (c == 0) {
      const uint8_t e = static_cast<uint8_t>(term::ReadKey());
      const bool f4f6 = e == term::EXT_F4 || e == term::EXT_F6 || e == term::EXT_SHIFT_F4 ||
                        e == term::EXT_SHIFT_F6 || e == term::EXT_CTRL_F4 ||
                        e == term::EXT_CTRL_F6 || e == term::EXT_ALT_F4 || e == term::EXT_ALT_F6;
      if (f4f6 && f6) F6_GEDR = true;
    }
  }
  return false;
}

// ---- The set-up -----------------------------------------------------------

// The shuffle's bucket counts live only as long as one set-up, which maps them
// fresh (all buckets empty) and gives them back with the rest: nothing stays
// behind to clear.
void INITFELD() {}

void INIT_RATEN(bool& ok) {
  // The workers and the memory of a store broken off before are gone first.
  FREIGABE_ABWARTEN();
  ok = true;
  const int L = X.LAENGE;
  const int n = MAXFARBE;
  // The vacant sign joins the computer's guesses only with two signs and four
  // or more positions; the game switches it off otherwise, and so do we.
  const bool v = X.LEER && n == 2 && L >= 4;
  const int roh = 24 + L + n + (v ? 1 : 0);
  const int groesse = (roh + 31) / 32 * 32;
  GENUGPLATZ = roh < groesse;
  ERL_FARBE[0] = 0;
  for (int s = 1; s <= 36; ++s) ERL_FARBE[s] = s <= n ? 1 : 0;

  RATEN_SPEICHER_FREIGEBEN();  // a store left from an earlier game, if any
  RS.laenge = L;
  RS.farben = n;
  RS.leer = v;
  RS.kmax = X.WDHG ? L : 1;
  RS.worte = (n * RS.kmax + 63) / 64;
  RS.lanes = 0;
  for (int i = 0; i < L; ++i) RS.lanes |= uint64_t{0x40} << (7 * i);

  const int basis = n + (v ? 1 : 0);
  int64_t anzahl = 1;
  for (int i = 0; i < L; ++i) anzahl *= basis;
  if (v) anzahl -= 1;
  if (L < 1 || L > 9 || n < 1 || anzahl > INT32_MAX) {
    Abbrechen(ok);
    return;
  }

  ZAHL_DER_STERNE = 0;
  ZEITLIMIT_GR_0 = false;
  ZEIT_GERATEN_KL100 = true;
  NEUER_KANDIDAT = false;
  GERATENE_VERSUCHE = 0;
  ZAHLGESAMTVERSUCHE = ZAHL_DER_VERSUCHE = NUMMER_PLUS = static_cast<int32_t>(anzahl);
  SETZE_RATE_ZEIT_AKT = SETZEZEITLETZTERVERSUCH = RATEN_ZEITANZEIGE = true;

  for (int i = 1; i <= L; ++i) ZAHLENREIHENFOLGE[i] = static_cast<uint8_t>(i);
  PERMUTATION_ZIEHEN(PERMZ, ZAHLENREIHENFOLGE, HILFZAHLREIHENFOLGE, L);
  for (int i = 1; i <= n; ++i) FARBENREIHENFOLGE[i] = static_cast<uint8_t>(i);
  PERMUTATION_ZIEHEN(PERMF, FARBENREIHENFOLGE, HILFFARBREIHENFOLGE, n);
  PERMF[0] = 0;
  ANFANG_BILDEN(static_cast<uint8_t>(L), static_cast<uint8_t>(n), MERKE_WDHG, v, true);
  for (int i = 1; i <= L; ++i) ZAHLENREIHENFOLGETM[i] = static_cast<uint8_t>(i);
  PERMUTATION_ZIEHEN(PERMZTM, ZAHLENREIHENFOLGETM, HILFZAHLREIHENFOLGETM, L);
  for (int i = 1; i <= n; ++i) FARBENREIHENFOLGETM[i] = static_cast<uint8_t>(i);
  PERMUTATION_ZIEHEN(PERMFTM, FARBENREIHENFOLGETM, HILFFARBREIHENFOLGETM, n);
  PERMFTM[0] = 0;

  const uint32_t count = static_cast<uint32_t>(anzahl);
  const bool klein = int64_t{count} <= MISCH_KLEIN_BIS;
  const int bits = MISCHFELD_BITS < 0 ? 0 : MISCHFELD_BITS > 25 ? 25 : MISCHFELD_BITS;
  // A big set-up files its draws into the chain's own memory, with room to spare.
  RS.kand_bytes = (klein ? size_t{count} : HeimPlanen(count, bits).worte) * 8;
  RS.marke_bytes = count;
  // The candidates and their marks are what a set-up and each search write
  // whole; the possible codes come in as the answers narrow them.
  if (SEITEN_PROBE >= 0) {
    SEITEN_GROSS = SEITEN_PROBE >= 1;
  } else {
    SEITEN_WAEHLEN(RS.kand_bytes + RS.marke_bytes, KLEIN_FREI_JETZT());
  }
  RS.kand = static_cast<uint64_t*>(SEITEN_HOLEN(RS.kand_bytes));
  RS.marke = static_cast<uint8_t*>(SEITEN_HOLEN(RS.marke_bytes));
  int64_t moeglich = 1;
  if (X.WDHG) {
    for (int i = 0; i < L; ++i) moeglich *= n;
  } else {
    for (int i = 0; i < L; ++i) moeglich *= (n - i > 0 ? n - i : 0);
  }
  RS.erl_bytes = static_cast<size_t>(moeglich) * static_cast<size_t>(1 + RS.worte) * 8;
  RS.erl = static_cast<uint64_t*>(SEITEN_HOLEN(RS.erl_bytes));
  if (!RS.kand || !RS.marke || !RS.erl) {
    Abbrechen(ok);
    return;
  }

  auto* z = new AUFBAU_ZUSTAND;
  DekoderBauen(z->dek, L, basis, v);
  ERLBAU eb;
  eb.dek = &z->dek;
  eb.laenge = L;
  eb.kmax = RS.kmax;
  eb.worte = RS.worte;
  eb.leer = v;
  eb.wdhg = X.WDHG;
  eb.lanes = RS.lanes;
  eb.moeglich = moeglich;
  ABFRAGE abfrage;
  RESERVIERUNG rv;
  rv.groesse = static_cast<uint64_t>(groesse);
  rv.anzahl = count;
  rv.resident = RS.kand_bytes + RS.marke_bytes + RS.erl_bytes;
  bool fertig;
  if (klein) {
    fertig = KleinAufbauen(count, rv, uint32_t{1} << bits, eb, abfrage);
    ZustandFrei(z);
  } else {
    fertig = GrossAufbauen(z, count, rv, bits, eb, abfrage);  // hands z on
  }
  if (!fertig) {
    Abbrechen(ok);
    return;
  }
  // The possible codes stay open: the set-up's own decoder may still be in
  // the hands of workers that are ending, so they get one of their own.
  DekoderBauen(MOEGLICHE_QUELLE.dek, L, basis, v);
  MOEGLICHE_QUELLE.eb = eb;
  MOEGLICHE_QUELLE.eb.dek = &MOEGLICHE_QUELLE.dek;
  MOEGLICHE_QUELLE.ende = count;
  RS.offen = true;
  RS.ohne = 0;
  static uint64_t aufbauten = 0;
  RS.aufbau = ++aufbauten;
  // Only now is the set-up over: the tenth star, and the last look at the keyboard.
  GERATENE_VERSUCHE = static_cast<int32_t>(count);
  SETZEZEITLETZTERVERSUCH = true;
  SterneZeigen();
  UHR_BEDIENEN();
  if (TASTEN_LESEN(false)) {
    Abbrechen(ok);
    return;
  }
  ZEITLIMIT_GR_0 = ZEITLIMIT > 0;
}

// ---- The open possible codes ------------------------------------------------

MOEGLICHE_LAUF MOEGLICHE_ANFANG() {
  return MOEGLICHE_LAUF{RS.offen ? MOEGLICHE_QUELLE.ende : 0, 0};
}

int64_t MOEGLICHE_HOLEN(MOEGLICHE_LAUF& lauf, uint64_t* puffer, int64_t platz) {
  assert(RS.offen && platz > 0 && lauf.von <= lauf.bis);
  // Each record makes at most one code, so a stretch of platz records fits.
  ERLBAU eb = MOEGLICHE_QUELLE.eb;
  eb.erl = puffer;
  eb.moeglich = platz;
  const uint32_t von =
      lauf.bis - lauf.von > platz ? static_cast<uint32_t>(lauf.bis - platz) : lauf.von;
  int64_t k = ErlStueck(eb, von, lauf.bis, 0, true);
  lauf.bis = von;
  if (RS.ohne == 0) return k;
  const int stride = 1 + RS.worte;
  int64_t ziel = 0;
  for (int64_t j = 0; j < k; ++j) {
    const uint64_t* e = puffer + j * stride;
    if (WORT_ZEICHENMENGE(e[0], RS.laenge) & RS.ohne) continue;
    if (ziel != j) std::memmove(puffer + ziel * stride, e, 8 * static_cast<size_t>(stride));
    ++ziel;
  }
  return ziel;
}

// ---- Views ----------------------------------------------------------------

int64_t MOEGLICHE_CODES() {
  return RS.erl_n;
}

void MOEGLICHER_CODE(int64_t i, uint8_t zeichen[10]) {
  MOEGLICHE_SCHREIBEN(0, -1, UNTERBRECHUNG{});
  WORT_ZEICHEN(RS.erl[i * (1 + RS.worte)], RS.laenge, zeichen);
}

void KANDIDAT(int64_t i, uint8_t zeichen[10]) {
  WORT_ZEICHEN(RS.kand[i], RS.laenge, zeichen);
}

}  // namespace mtspiel

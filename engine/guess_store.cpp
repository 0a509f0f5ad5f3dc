// The guessing set-up: every code the computer may play, in a random order made
// with the shuffle buckets, and the codes that may be the secret.
#include "engine/guess_store.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

#include "clock/game_clock.h"
#include "engine/engine_state.h"
#include "engine/guessing.h"
#include "engine/memory_budget.h"
#include "game/input.h"
#include "game/signs.h"
#include "screen/terminal.h"

namespace mtspiel {

void PERMUTATION_ZIEHEN(uint8_t* perm, uint8_t* liste, uint8_t& hilf, int m);

namespace {

constexpr uint32_t kBuckets = 1u << 25;

// The shuffle tables of a big store: MISCHZ holds the fill counter of each
// bucket, MISCHBELEGT one bit per bucket so that the test "empty?" stays in the
// cache. They are mapped on first use and their pages are given back after each
// set-up, so they cost nothing between games.
uint8_t* MISCHZ = nullptr;
uint64_t* MISCHBELEGT = nullptr;
bool MISCH_BENUTZT = false;

constexpr size_t kMischzBytes = kBuckets;
constexpr size_t kBelegtBytes = kBuckets / 8;

void* Reservieren(size_t bytes) {
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

bool MischtabellenBereit() {
  if (MISCHZ) return true;
  MISCHZ = static_cast<uint8_t*>(Reservieren(kMischzBytes));
  MISCHBELEGT = static_cast<uint64_t*>(Reservieren(kBelegtBytes));
  if (MISCHZ && MISCHBELEGT) {
    // The counters are touched at random all over the table: huge pages
    // spare thousands of first-touch faults and the TLB misses.
    madvise(MISCHZ, kMischzBytes, MADV_HUGEPAGE);
    madvise(MISCHBELEGT, kBelegtBytes, MADV_HUGEPAGE);
    return true;
  }
  if (MISCHZ) munmap(MISCHZ, kMischzBytes);
  if (MISCHBELEGT) munmap(MISCHBELEGT, kBelegtBytes);
  MISCHZ = nullptr;
  MISCHBELEGT = nullptr;
  return false;
}

// Decoding a record number into its code word: the odometer value splits into
// a low and a high half, each looked up in a table built from the permutations.
struct DEKODER {
  uint64_t* tief = nullptr;
  uint64_t* hoch = nullptr;
  size_t tief_n = 0, hoch_n = 0;
  uint32_t teiler = 1;
  uint64_t kehrwert = 0;  // ceil(2^64 / teiler): exact division of 32-bit values by a multiply
  uint32_t versatz = 0;   // 1 with the vacant sign: the all-vacant code is skipped
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
  d.tief = new uint64_t[t];
  d.hoch = new uint64_t[h];
  const int lo = leer ? 0 : 1;
  // Digit k of the odometer (k = 1 turns fastest) goes to position PERMZTM[k]
  // with the sign PERMFTM[digit].
  auto fill = [&](uint64_t* tab, size_t count, int k0, int k1) {
    for (size_t v = 0; v < count; ++v) {
      size_t rest = v;
      uint64_t w = 0;
      for (int k = k0; k <= k1; ++k) {
        const int digit = static_cast<int>(rest % static_cast<size_t>(basis)) + lo;
        rest /= static_cast<size_t>(basis);
        w |= uint64_t{PERMFTM[digit]} << (7 * (PERMZTM[k] - 1));
      }
      tab[v] = w;
    }
  };
  fill(d.tief, t, 1, halb);
  fill(d.hoch, h, halb + 1, laenge);
}

void DekoderFrei(DEKODER& d) {
  delete[] d.tief;
  delete[] d.hoch;
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
bool Bedienen(ABFRAGE& a, int64_t arbeit, int64_t erledigt) {
  if (!ABFRAGE_FAELLIG(a, arbeit)) return false;
  GERATENE_VERSUCHE = static_cast<int32_t>(erledigt);
  SterneZeigen();
  UHR_BEDIENEN();
  return TASTEN_LESEN(false);
}

// Gives the shuffle tables' pages back; they read as zero (all buckets empty).
void MischtabellenLeeren() {
  if (!MISCH_BENUTZT) return;
  madvise(MISCHZ, kMischzBytes, MADV_DONTNEED);
  madvise(MISCHBELEGT, kBelegtBytes, MADV_DONTNEED);
  MISCH_BENUTZT = false;
}

struct AUFBAU {
  uint32_t* nach = nullptr;  // bucket ring: next record
  uint32_t* vor = nullptr;   // bucket ring: previous record
  size_t bytes = 0;
  DEKODER dek;
};

void AufbauFrei(AUFBAU& b) {
  if (b.nach) SEITEN_ABGEBEN(b.nach, b.bytes);
  if (b.vor) SEITEN_ABGEBEN(b.vor, b.bytes);
  b.nach = b.vor = nullptr;
  DekoderFrei(b.dek);
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
  uint32_t* nach = b.nach;
  uint32_t* vor = b.vor;
  uint8_t& zaehler = tab.Zaehler(slot);
  const uint32_t c = uint32_t{zaehler} + 1;
  const uint32_t p = term::Random(c + 1);
  const uint32_t kopf = tab.Kopf(slot) - 1;
  uint32_t davor, danach;  // r goes between these two
  if (p == 0 || p == c) {
    davor = vor[kopf];
    danach = kopf;
    if (p == 0) tab.Kopf(slot) = r + 1;
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
  // Beyond 256 records the counter stops tracking the size: new records then
  // land near the ends, which keeps every insertion cheap.
  zaehler = zaehler == 255 ? 254 : static_cast<uint8_t>(zaehler + 1);
}

// ---- Shuffle of a big store ------------------------------------------------
// Building the rings of a big store walks memory at random for every record.
// Instead the draws are made in record order exactly as the ring insertions
// would consume them (the bucket; then, only when the bucket already holds
// records, the place among its counter + 2 gaps). Every record keeps its bucket
// and its place; a sort by bucket that keeps each bucket's records in the order
// they came, and a replay of the few insertions of each bucket, give the order
// the rings would have given.

constexpr uint16_t kVomEnde = 0x8000;  // place counted from the end of the ring
constexpr size_t kZug = 512;           // raw numbers drawn at a time
constexpr int kZifferBits = 9;         // bits of the bucket number sorted per pass
constexpr int kZiffern = 3;            // passes for 25 bits

// RandomBound of the place draws, bounds 0..257.
constexpr auto kPlatzGrenze = [] {
  std::array<uint64_t, 258> g{};
  for (uint64_t n = 1; n < g.size(); ++n) g[n] = term::RandomBound(n);
  return g;
}();

// A record's word: its bucket in the low 25 bits, its place above them (bit
// 31: counted from the end; bits 25..30: the count, kWeit when it is too big
// to fit, then it is in `weit`).
constexpr uint32_t kEimerMaske = (1u << 25) - 1;
constexpr uint32_t kWeit = 0x3F;

struct SORTMISCHEN {
  uint32_t* eimer = nullptr;     // word of each record
  uint64_t* zwischen = nullptr;  // room for the sort passes
  size_t eimer_bytes = 0, zwischen_bytes = 0;
  bool geliehen = false;  // both lie in the possible codes' array, not yet written
  std::vector<std::pair<uint32_t, uint16_t>> weit;  // record, place; in record order
  int bits = 25;
  int paesse = 0;
  std::vector<uint32_t> haeufig;  // per pass: records per digit value
};

void SortmischenFrei(SORTMISCHEN& m) {
  if (!m.geliehen) {
    SEITEN_ABGEBEN(m.eimer, m.eimer_bytes);
    SEITEN_ABGEBEN(m.zwischen, m.zwischen_bytes);
  }
  m.geliehen = false;
  m.eimer = nullptr;
  m.weit.clear();
  m.zwischen = nullptr;
}

// The working arrays go into leihe (leihe_bytes long) when it has room for
// both side by side: the possible codes' array, written only after the sort,
// so that its pages are touched once instead of three arrays' pages.
bool SortmischenAnlegen(SORTMISCHEN& m, size_t count, int bits, void* leihe, size_t leihe_bytes) {
  m.bits = bits;
  m.paesse = (bits + kZifferBits - 1) / kZifferBits;
  m.haeufig.assign(size_t{kZiffern} << kZifferBits, 0);
  m.eimer_bytes = count * 4;
  m.zwischen_bytes = m.paesse >= 2 ? count * 8 : 0;
  if (leihe && leihe_bytes >= m.zwischen_bytes + m.eimer_bytes) {
    char* p = static_cast<char*>(leihe);
    m.zwischen = m.zwischen_bytes ? reinterpret_cast<uint64_t*>(p) : nullptr;
    m.eimer = reinterpret_cast<uint32_t*>(p + m.zwischen_bytes);
    m.geliehen = true;
    return true;
  }
  m.eimer = static_cast<uint32_t*>(SEITEN_HOLEN(m.eimer_bytes));
  if (m.zwischen_bytes) m.zwischen = static_cast<uint64_t*>(SEITEN_HOLEN(m.zwischen_bytes));
  return m.eimer && (m.zwischen || !m.zwischen_bytes);
}

// The draws of records s..t-1. Never draws more raw numbers than these records
// will use, so that the generator always stands where the ring insertions
// would have left it, also when the set-up is broken off after this slice.
void SortZiehen(SORTMISCHEN& m, uint32_t s, uint32_t t) {
  uint64_t puf[kZug];
  size_t i = 0, n = 0;
  const uint32_t maske = (uint32_t{1} << m.bits) - 1;
  const uint64_t grenze = term::RandomBound(uint64_t{maske} + 1);
  uint64_t* const belegt = MISCHBELEGT;
  uint8_t* const zaehler = MISCHZ;
  uint32_t* const eimer = m.eimer;
  uint32_t* const haeufig = m.haeufig.data();
  constexpr uint32_t kZm = (1u << kZifferBits) - 1;
  uint32_t q = s;
  auto roh = [&] {
    if (i == n) {
      n = std::min<size_t>(t - q, kZug);
      term::RandomRaw(puf, n);
      i = 0;
    }
    return puf[i++];
  };
  for (; q < t; ++q) {
    // Two steps ahead: the occupied bit of a coming bucket, and the counter of
    // one that looks occupied (whether a number is a bucket or a place is
    // known only when it comes, so every one is treated as a bucket).
    if (i + 32 < n) __builtin_prefetch(&belegt[(puf[i + 32] & maske) >> 6], 1);
    if (i + 16 < n) {
      const uint64_t h16 = puf[i + 16] & maske;
      if (belegt[h16 >> 6] >> (h16 & 63) & 1) __builtin_prefetch(&zaehler[h16], 1);
    }
    uint64_t x;
    do {
      x = roh();
    } while (x >= grenze);
    const uint32_t h = static_cast<uint32_t>(x) & maske;
    eimer[q] = h;
    ++haeufig[h & kZm];
    ++haeufig[(1u << kZifferBits) + (h >> kZifferBits & kZm)];
    ++haeufig[(2u << kZifferBits) + (h >> (2 * kZifferBits))];
    uint64_t& wort = belegt[h >> 6];
    const uint64_t bit = uint64_t{1} << (h & 63);
    if (!(wort & bit)) {
      wort |= bit;  // a new bucket; its counter is 0 already
      continue;
    }
    uint8_t& z = zaehler[h];
    const uint32_t c = uint32_t{z} + 1;
    uint64_t y;
    do {
      y = roh();
    } while (y >= kPlatzGrenze[c + 1]);
    const uint32_t p = static_cast<uint32_t>(y % (c + 1));
    // p = 0 is the head, p = c after the last; the ring walks from the nearer end.
    const uint32_t platz = p <= c / 2 ? p : kVomEnde | (c - p);
    if ((platz & ~kVomEnde) < kWeit) {
      eimer[q] = h | (platz & kWeit) << 25 | (platz & kVomEnde) << 16;
    } else {
      eimer[q] = h | kWeit << 25;
      m.weit.emplace_back(q, static_cast<uint16_t>(platz));
    }
    z = z == 255 ? 254 : static_cast<uint8_t>(z + 1);
  }
}

// One stable pass of the sort by bucket: items (bucket << 32 | record) go from
// von to nach by digit `pass` of the bucket; the first pass reads the buckets
// themselves. Positions start at ziel (prefix sums of the digit counts).
void SortPass(const SORTMISCHEN& m, int pass, const uint64_t* von, uint64_t* nach, uint32_t a,
              uint32_t b, uint64_t* ziel) {
  const int shift = pass * kZifferBits;
  constexpr uint32_t kZm = (1u << kZifferBits) - 1;
  if (pass == 0) {
    for (uint32_t q = a; q < b; ++q) {
      const uint32_t w = m.eimer[q];
      nach[ziel[w & kZm]++] = uint64_t{w} << 32 | q;
    }
  } else {
    for (uint32_t q = a; q < b; ++q) {
      const uint64_t e = von[q];
      nach[ziel[(static_cast<uint32_t>(e >> 32) & kEimerMaske) >> shift & kZm]++] = e;
    }
  }
}

// Replays the insertions of one bucket (records in the order they came) and
// writes their codes to the chain from k on.
size_t EimerAusgeben(const SORTMISCHEN& m, const DEKODER& dek, const uint64_t* e, size_t anzahl,
                     std::vector<uint32_t>& ring, uint64_t* kette, size_t k) {
  if (anzahl == 1) {
    kette[k] = Dekodieren(dek, static_cast<uint32_t>(e[0]));
    return k + 1;
  }
  ring.clear();
  for (size_t j = 0; j < anzahl; ++j) {
    const uint32_t r = static_cast<uint32_t>(e[j]);
    const uint32_t w = static_cast<uint32_t>(e[j] >> 32);
    uint32_t pl = (w >> 25 & kWeit) | (w >> 16 & kVomEnde);
    if ((pl & kWeit) == kWeit) {
      const auto it =
          std::lower_bound(m.weit.begin(), m.weit.end(), std::pair<uint32_t, uint16_t>(r, 0));
      pl = it->second;
    }
    if (j == 0) pl = 0;
    const size_t an = pl & kVomEnde ? ring.size() - (pl & ~kVomEnde) : pl;
    ring.insert(ring.begin() + static_cast<std::ptrdiff_t>(an), r);
  }
  for (uint32_t r : ring) kette[k++] = Dekodieren(dek, r);
  return k;
}

// Appends the ring of a bucket to the candidate chain.
inline size_t RingAnhaengen(const AUFBAU& b, uint32_t kopf, uint8_t zaehler, size_t k) {
  if (zaehler == 0) {
    RS.kand[k++] = Dekodieren(b.dek, kopf);
    return k;
  }
  uint32_t e = kopf;
  do {
    RS.kand[k++] = Dekodieren(b.dek, e);
    e = b.nach[e];
  } while (e != kopf);
  return k;
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
  // The store's arrays are filled densely: huge pages make their first touch
  // and their release hundreds of times cheaper per byte (tens of GB would
  // otherwise take far longer than Esc may) and spare the search TLB misses.
  if (bytes >= (size_t{2} << 20)) madvise(p, bytes, MADV_HUGEPAGE);
  return p;
}

void SEITEN_ABGEBEN(void* p, size_t bytes) {
  if (p) munmap(p, bytes == 0 ? 1 : bytes);
}

void RATEN_SPEICHER_FREIGEBEN() {
  SEITEN_ABGEBEN(RS.kand, RS.kand_bytes);
  SEITEN_ABGEBEN(RS.marke, RS.marke_bytes);
  SEITEN_ABGEBEN(RS.erl, RS.erl_bytes);
  if (RS.reserviert) SPEICHER_ZURUECKGEBEN(RS.reserviert);
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

void INITFELD() {
  MischtabellenLeeren();
}

void INIT_RATEN(bool& ok) {
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

  const size_t count = static_cast<size_t>(anzahl);
  const bool klein = static_cast<int64_t>(count) <= MISCH_KLEIN_BIS;
  const int bits = MISCHFELD_BITS < 0 ? 0 : MISCHFELD_BITS > 25 ? 25 : MISCHFELD_BITS;
  const uint32_t buckets = uint32_t{1} << bits;
  AUFBAU b;
  SORTMISCHEN sm;
  KLEINE_TABELLE kleintab;
  RS.kand_bytes = count * 8;
  RS.marke_bytes = count;
  RS.kand = static_cast<uint64_t*>(SEITEN_HOLEN(RS.kand_bytes));
  RS.marke = static_cast<uint8_t*>(SEITEN_HOLEN(RS.marke_bytes));
  // The possible codes' array is mapped now but written last: until then a big
  // shuffle keeps its working arrays in it.
  int64_t moeglich = 1;
  if (X.WDHG) {
    for (int i = 0; i < L; ++i) moeglich *= n;
  } else {
    for (int i = 0; i < L; ++i) moeglich *= (n - i > 0 ? n - i : 0);
  }
  RS.erl_bytes = static_cast<size_t>(moeglich) * static_cast<size_t>(1 + RS.worte) * 8;
  RS.erl = static_cast<uint64_t*>(SEITEN_HOLEN(RS.erl_bytes));
  bool bereit = RS.kand && RS.marke && RS.erl;
  if (klein) {
    b.bytes = count * 4;
    b.nach = static_cast<uint32_t*>(SEITEN_HOLEN(b.bytes));
    b.vor = static_cast<uint32_t*>(SEITEN_HOLEN(b.bytes));
    bereit = bereit && b.nach && b.vor && kleintab.Anlegen(count);
  } else {
    bereit = bereit && SortmischenAnlegen(sm, count, bits, RS.erl, RS.erl_bytes) &&
             MischtabellenBereit();
  }
  auto aufgeben = [&] {
    AufbauFrei(b);
    kleintab.Frei();
    SortmischenFrei(sm);
    MischtabellenLeeren();
    Abbrechen(ok);
  };
  if (!bereit) {
    aufgeben();
    return;
  }
  DekoderBauen(b.dek, L, basis, v);
  if (!klein) MISCH_BENUTZT = true;

  // Every record is counted against the budget in blocks, so that a budget or a
  // machine that runs out stops the set-up cleanly wherever that happens.
  constexpr uint32_t kBlock = 1 << 16;
  int64_t block_nr = 0;
  ABFRAGE abfrage;
  const uint32_t ende = static_cast<uint32_t>(count);
  bool abbruch = false;
  for (uint32_t r = 0; r < ende && !abbruch; r += kBlock) {
    const uint32_t bis = ende - r < kBlock ? ende : r + kBlock;
    const uint64_t bytes = uint64_t{bis - r} * static_cast<uint64_t>(groesse);
    const bool fehlschlag = FEHLSCHLAG_BEI_STOREBLOCK == block_nr++;
    if (fehlschlag || !SPEICHER_RESERVIEREN(bytes)) {
      abbruch = true;
      break;
    }
    RS.reserviert += bytes;
    // The keyboard and the clock are looked at between slices of the block.
    for (uint32_t s = r; s < bis && !abbruch; s += 1024) {
      const uint32_t t = bis - s < 1024 ? bis : s + 1024;
      if (Bedienen(abfrage, ABFRAGE_VERGLEICHE == 0 ? 1 : 1024, s)) {
        abbruch = true;
        break;
      }
      if (klein) {
        for (uint32_t q = s; q < t; ++q) InsMischfeld(kleintab, b, q, buckets);
      } else {
        SortZiehen(sm, s, t);
      }
    }
  }
  if (abbruch) {
    aufgeben();
    return;
  }
  GERATENE_VERSUCHE = static_cast<int32_t>(count);
  SETZEZEITLETZTERVERSUCH = true;
  SterneZeigen();

  // The buckets in index order make the candidate chain.
  size_t k = 0;
  if (klein) {
    std::vector<uint64_t> belegt;  // bucket number << 32 | slot
    for (uint32_t i = 0; i <= kleintab.maske; ++i)
      if (kleintab.schluessel[i] != KLEINE_TABELLE::kLeer)
        belegt.push_back(uint64_t{kleintab.schluessel[i]} << 32 | i);
    std::sort(belegt.begin(), belegt.end());
    for (uint64_t e : belegt) {
      const uint32_t slot = static_cast<uint32_t>(e);
      k = RingAnhaengen(b, kleintab.kopf[slot] - 1, kleintab.zaehler[slot], k);
    }
    kleintab.Frei();
    SEITEN_ABGEBEN(b.nach, b.bytes);
    SEITEN_ABGEBEN(b.vor, b.bytes);
    b.nach = b.vor = nullptr;
  } else {
    MischtabellenLeeren();
    // Least significant digit first; the passes alternate between the chain
    // and the spare room so that the last one ends in the chain.
    constexpr uint32_t kStueck = 1 << 16;
    std::vector<uint64_t> ziel(size_t{1} << kZifferBits);
    uint64_t* puffer[2] = {RS.kand, sm.zwischen};
    for (int pass = 0; pass < sm.paesse && !abbruch; ++pass) {
      uint64_t summe = 0;
      for (size_t d = 0; d < ziel.size(); ++d) {
        ziel[d] = summe;
        summe += sm.haeufig[(size_t{static_cast<unsigned>(pass)} << kZifferBits) + d];
      }
      const uint64_t* von = pass == 0 ? nullptr : puffer[(sm.paesse - pass) & 1];
      uint64_t* nach = puffer[(sm.paesse - 1 - pass) & 1];
      for (uint32_t a = 0; a < ende && !abbruch; a += kStueck) {
        const uint32_t e = ende - a < kStueck ? ende : a + kStueck;
        SortPass(sm, pass, von, nach, a, e, ziel.data());
        if (Bedienen(abfrage, ABFRAGE_VERGLEICHE == 0 ? 1 : kStueck, static_cast<int64_t>(count)))
          abbruch = true;
      }
    }
    if (sm.paesse == 0)  // a single bucket
      for (uint32_t q = 0; q < ende; ++q) RS.kand[q] = uint64_t{sm.eimer[q]} << 32 | q;
    // Runs of one bucket, replayed and decoded in place; most buckets hold a
    // single record.
    std::vector<uint32_t> ring;
    std::vector<uint64_t> lauf;
    uint64_t* kette = RS.kand;
    for (size_t a = 0; a < count && !abbruch;) {
      const size_t stueck_ende = std::min(count, a + kStueck);
      while (a < stueck_ende) {
        const uint64_t h = kette[a] >> 32 & kEimerMaske;
        if (a + 1 == count || (kette[a + 1] >> 32 & kEimerMaske) != h) {
          kette[a] = Dekodieren(b.dek, static_cast<uint32_t>(kette[a]));
          ++a;
          continue;
        }
        size_t e = a + 2;
        while (e < count && (kette[e] >> 32 & kEimerMaske) == h) ++e;
        lauf.assign(kette + a, kette + e);
        EimerAusgeben(sm, b.dek, lauf.data(), e - a, ring, kette, a);
        a = e;
      }
      if (Bedienen(abfrage, ABFRAGE_VERGLEICHE == 0 ? 1 : kStueck, static_cast<int64_t>(count)))
        abbruch = true;
    }
    k = count;
    SortmischenFrei(sm);
  }
  RS.kand_n = static_cast<int64_t>(k);
  MischtabellenLeeren();
  if (abbruch || (UHR_BEDIENEN(), TASTEN_LESEN(false))) {
    aufgeben();
    return;
  }

  // The possible secret codes, newest record first: no vacant sign, and no sign
  // twice when the code may not repeat signs.
  const int stride = 1 + RS.worte;
  int64_t m = 0;
  for (int64_t r = static_cast<int64_t>(count) - 1; r >= 0; --r) {
    const uint64_t w = Dekodieren(b.dek, static_cast<uint32_t>(r));
    if ((r & 0xFFFF) == 0 && Bedienen(abfrage, 1 << 16, static_cast<int64_t>(count))) {
      abbruch = true;
      break;
    }
    if (v && ((w + kLaneFill) & RS.lanes) != RS.lanes) continue;  // a vacant position
    if (!X.WDHG) {
      uint64_t menge = 0;
      bool doppelt = false;
      for (int i = 0; i < L; ++i) {
        const uint64_t bit = uint64_t{1} << (w >> (7 * i) & 0x7F);
        doppelt |= (menge & bit) != 0;
        menge |= bit;
      }
      if (doppelt) continue;
    }
    if (m >= moeglich) break;
    uint64_t* ziel = RS.erl + m * stride;
    ziel[0] = w;
    Zaehlbits(w, L, RS.kmax, RS.worte, ziel + 1);
    ++m;
  }
  RS.erl_n = m;
  AufbauFrei(b);
  if (abbruch || (UHR_BEDIENEN(), TASTEN_LESEN(false))) {
    Abbrechen(ok);
    return;
  }
  ZEITLIMIT_GR_0 = ZEITLIMIT > 0;
}

// ---- Views ----------------------------------------------------------------

int64_t MOEGLICHE_CODES() {
  return RS.erl_n;
}

void MOEGLICHER_CODE(int64_t i, uint8_t zeichen[10]) {
  WORT_ZEICHEN(RS.erl[i * (1 + RS.worte)], RS.laenge, zeichen);
}

void KANDIDAT(int64_t i, uint8_t zeichen[10]) {
  WORT_ZEICHEN(RS.kand[i], RS.laenge, zeichen);
}

}  // namespace mtspiel

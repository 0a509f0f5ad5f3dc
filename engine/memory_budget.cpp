#include "engine/memory_budget.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "engine/engine_state.h"
#include "engine/guess_store.h"
#include "engine/guessing.h"
#include "engine/variable_code_store.h"

namespace mtspiel {
namespace {

constexpr uint64_t kMiB = 1024 * 1024;
constexpr uint64_t kMindestReserve = 256 * kMiB;  // left to the rest of the machine

// The capacity table: for every sign count n the longest code whose store fits
// the budget, estimated with the block size (c + n + 56) rounded down to 32.
void ZAEHLEFARBEN_BERECHNEN() {
  for (int l = 2; l <= 9; ++l) ZAEHLEFARBEN[l] = 0;
  for (int64_t n = 2; n <= 36; ++n) {
    int64_t q = MEMGES;
    int c = 0;
    for (;;) {
      const int64_t b = (c + n + 56) / 32 * 32;
      if (b > q / n || c >= 9) break;
      ++c;
      q /= n;
    }
    ZAEHLEFARBEN[c] = static_cast<uint8_t>(n);
  }
  // A shorter code never allows fewer signs than a longer one.
  for (int l = 8; l >= 2; --l)
    if (ZAEHLEFARBEN[l + 1] > ZAEHLEFARBEN[l]) ZAEHLEFARBEN[l] = ZAEHLEFARBEN[l + 1];
}

void KAPPEN(int laenge, uint8_t hoechstens) {
  if (ZAEHLEFARBEN[laenge] > hoechstens) ZAEHLEFARBEN[laenge] = hoechstens;
}

uint64_t Potenz(uint64_t basis, int exponent) {
  uint64_t p = 1;
  for (int i = 0; i < exponent; ++i) p *= basis;
  return p;
}

// Codes of laenge signs over farben: farben^laenge with repetitions, else
// farben * (farben - 1) * ... (none when there are fewer signs than positions).
uint64_t Codes(int farben, int laenge, bool wdhg) {
  if (wdhg) return Potenz(static_cast<uint64_t>(farben), laenge);
  uint64_t m = 1;
  for (int i = 0; i < laenge; ++i) m *= farben > i ? static_cast<uint64_t>(farben - i) : 0;
  return m;
}

}  // namespace

int64_t SPEICHER_VERFUEGBAR() {
  if (SPEICHER_VERFUEGBAR_TEST >= 0) return SPEICHER_VERFUEGBAR_TEST;
  if (FILE* f = std::fopen("/proc/meminfo", "r")) {
    char zeile[256];
    long long kib = -1;
    while (std::fgets(zeile, sizeof zeile, f)) {
      if (std::sscanf(zeile, "MemAvailable: %lld kB", &kib) == 1) break;
      kib = -1;
    }
    std::fclose(f);
    if (kib >= 0) return static_cast<int64_t>(kib) * 1024;
  }
  // Without /proc, the free physical pages are the best estimate there is.
  const long seiten = sysconf(_SC_AVPHYS_PAGES);
  const long groesse = sysconf(_SC_PAGESIZE);
  if (seiten > 0 && groesse > 0) return static_cast<int64_t>(seiten) * groesse;
  return -1;
}

uint64_t SPEICHER_MASCHINE() {
  const int64_t frei = SPEICHER_VERFUEGBAR();
  if (frei < 0) return UINT64_MAX;
  const uint64_t f = static_cast<uint64_t>(frei);
  const uint64_t reserve = f / 10 > kMindestReserve ? f / 10 : kMindestReserve;
  return f > reserve ? f - reserve : 0;
}

uint64_t RATESPEICHER_BYTES(int laenge, int farben, bool wdhg, bool leer) {
  if (laenge < 1 || farben < 1) return 0;
  const uint64_t basis = static_cast<uint64_t>(farben) + (leer ? 1 : 0);
  const uint64_t c = Potenz(basis, laenge) - (leer ? 1 : 0);
  const uint64_t m = Codes(farben, laenge, wdhg);
  const uint64_t kmax = wdhg ? static_cast<uint64_t>(laenge) : 1;
  const uint64_t worte = (static_cast<uint64_t>(farben) * kmax + 63) / 64;
  const uint64_t erl = 8 * m * (1 + worte);
  const uint64_t dekoder = 8 * (Potenz(basis, laenge / 2) + Potenz(basis, laenge - laenge / 2));
  // The store as the search uses it: candidates, class marks, possible codes.
  uint64_t spitze = 8 * c + c + erl;
  if (static_cast<int64_t>(c) <= MISCH_KLEIN_BIS) {
    // Bucket rings and hash table, then the sorted bucket list and the chain.
    uint64_t t = 1024;
    while (t < 2 * c) t *= 2;
    spitze = std::max(spitze, 8 * c + 9 * t + 8 * c + 8 * c);
  } else {
    // The set-up on all cores: candidates and marks, the draws filed into the
    // candidates' own memory (with room to spare, an eighth at most), the
    // buckets' counts and bits (20 MiB), the parts' first chunks of draws
    // apart (a quarter of the records at most, and at most 4 Mi of them) and
    // the pages faulted in ahead of the next ones (8 MiB). The possible codes
    // are written only after it.
    const uint64_t aufbau = 9 * c + c / 8 + (uint64_t{1} << 24) + (uint64_t{1} << 22) +
                            (uint64_t{1} << 23) + 8 * std::min(c / 4, uint64_t{1} << 22);
    spitze = std::max(spitze, aufbau);
  }
  return spitze + dekoder;
}

uint64_t CODESPEICHER_BYTES(int laenge, int farben, bool wdhg) {
  if (laenge < 1 || farben < 1) return 0;
  const uint64_t m = Codes(farben, laenge, wdhg);
  const uint64_t bloecke = (m + SAETZE_JE_BLOCK - 1) / SAETZE_JE_BLOCK;
  return m * BYTES_JE_CODE + bloecke * 4096;
}

bool SPEICHER_RESERVIEREN(uint64_t bytes) {
  return SPEICHER_RESERVIEREN(bytes, bytes);
}

bool SPEICHER_RESERVIEREN(uint64_t bytes, uint64_t resident) {
  if (FEHLSCHLAG_BEI_RESERVIERUNG >= 0) {
    if (FEHLSCHLAG_BEI_RESERVIERUNG == 0) {
      FEHLSCHLAG_BEI_RESERVIERUNG = -1;
      return false;
    }
    --FEHLSCHLAG_BEI_RESERVIERUNG;
  }
  if (SPEICHER_RESERVIERT == 0 && SPEICHER_BELEGT == 0) {
    // A set-up starts: take the machine's measure once, not per block, after
    // the previous store is wholly back with the kernel.
    FREIGABE_ABWARTEN();
    SPEICHER_MASCHINENGRENZE = SPEICHER_MASCHINE();
    SPEICHER_SPITZE = 0;
  }
  const uint64_t budget = MEMGES > 0 ? static_cast<uint64_t>(MEMGES) : 0;
  if (SPEICHER_RESERVIERT > budget || bytes > budget - SPEICHER_RESERVIERT) return false;
  if (SPEICHER_BELEGT > SPEICHER_MASCHINENGRENZE ||
      resident > SPEICHER_MASCHINENGRENZE - SPEICHER_BELEGT)
    return false;
  SPEICHER_RESERVIERT += bytes;
  SPEICHER_BELEGT += resident;
  if (SPEICHER_RESERVIERT > SPEICHER_SPITZE) SPEICHER_SPITZE = SPEICHER_RESERVIERT;
  return true;
}

void SPEICHER_ZURUECKGEBEN(uint64_t bytes) {
  SPEICHER_ZURUECKGEBEN(bytes, bytes);
}

void SPEICHER_ZURUECKGEBEN(uint64_t bytes, uint64_t resident) {
  SPEICHER_RESERVIERT = bytes < SPEICHER_RESERVIERT ? SPEICHER_RESERVIERT - bytes : 0;
  SPEICHER_BELEGT = resident < SPEICHER_BELEGT ? SPEICHER_BELEGT - resident : 0;
}

void LISTEN_FREIGEBEN(bool alles) {
  if (alles) {
    RATEN_SPEICHER_FREIGEBEN();
    CODES_FREIGEBEN();
    NEUER_KANDIDAT = false;
  }
  GEAENDERT = (MERKEMEMAVAIL != MEMAVAIL_FPC);
  if (GEAENDERT) {
    MERKEMEMAVAIL = MEMAVAIL_FPC;
    MEMGES = MERKEMEMAVAIL - MERKEMEMAVAIL % 32;
    ZAEHLEFARBEN_BERECHNEN();
  }
  KAPPEN(6, 35);
  KAPPEN(7, 21);
  KAPPEN(8, 14);
  KAPPEN(9, 10);
}

}  // namespace mtspiel

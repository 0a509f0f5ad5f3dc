#include "engine/guess_bound.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace mtspiel {
namespace {

uint64_t Mischen(uint64_t w) {
  w ^= w >> 31;
  w *= 0x9E3779B97F4A7C15ULL;
  return w ^ (w >> 29);
}

// The candidate's signs in rising order, as one word: equal for candidates
// with the same sign counts, whatever their order.
uint64_t Sortiert(uint64_t g, int laenge) {
  assert(laenge >= 0 && laenge <= 9);
  uint8_t z[9];
  for (int i = 0; i < laenge; ++i) z[i] = static_cast<uint8_t>(g >> (7 * i) & 0x7F);
  // Sorted by insertion: at most 9 signs. (std::sort here led the compiler to
  // warn of reads past the array once inlined into a build with other flags.)
  for (int i = 1; i < laenge; ++i) {
    const uint8_t x = z[i];
    int j = i;
    for (; j > 0 && z[j - 1] > x; --j) z[j] = z[j - 1];
    z[j] = x;
  }
  uint64_t w = 0;
  for (int i = 0; i < laenge; ++i) w |= uint64_t{z[i]} << (7 * i);
  // Never 0 (the free mark): bit 63 lies above every lane.
  return w | uint64_t{1} << 63;
}

}  // namespace

bool SCHRANKE_VORBEREITEN(ZEILENSCHRANKE& z, const RATESPEICHER& rs, const UNTERBRECHUNG& u) {
  z.aktiv = false;
  z.laenge = rs.laenge;
  z.worte = rs.worte;
  z.gruppen = 0;
  z.bits.clear();
  z.anzahl.clear();
  z.schluessel.clear();
  z.belegt = 0;
  const int64_t n = rs.erl_n;
  if (n < 256) return true;
  const int w = rs.worte;
  const int stride = 1 + w;
  // Groups by their count words, through a table of group numbers. There are
  // at most as many groups as multisets of L signs from n, C(n + L - 1, L).
  int64_t mengen = 1;
  for (int k = 1; k <= rs.laenge && mengen <= n; ++k) mengen = mengen * (rs.farben + k - 1) / k;
  int64_t groesse = 64;
  while (groesse < 2 * std::min(n / 4, mengen)) groesse *= 2;
  std::vector<int32_t> platz(static_cast<size_t>(groesse), -1);
  const uint64_t maske = static_cast<uint64_t>(groesse) - 1;
  // More groups than a quarter of the codes: the bound would cost as much as
  // the counting it saves.
  const int64_t hoechstens = n / 4;
  // Codes between two questions to the interruption.
  constexpr int64_t kStrecke = 1 << 16;
  auto halt = [&](int64_t i) {
    return u.frage && i % kStrecke == 0 && u.frage(u.kontext, kStrecke);
  };
  for (int64_t i = 0; i < n; ++i) {
    if (halt(i + 1)) return false;
    const uint64_t* b = rs.erl + i * stride + 1;
    uint64_t h = 0;
    for (int k = 0; k < w; ++k) h = Mischen(h ^ b[k]);
    for (uint64_t p = h & maske;; p = (p + 1) & maske) {
      const int32_t gr = platz[p];
      if (gr < 0) {
        if (z.gruppen >= hoechstens || 2 * (z.gruppen + 1) > groesse) return true;
        platz[p] = static_cast<int32_t>(z.gruppen++);
        z.bits.insert(z.bits.end(), b, b + w);
        z.anzahl.push_back(1);
        break;
      }
      if (std::memcmp(&z.bits[static_cast<size_t>(gr) * w], b, 8 * w) == 0) {
        ++z.anzahl[static_cast<size_t>(gr)];
        break;
      }
    }
  }
  z.codes = n;
  std::memset(z.an_stelle, 0, sizeof z.an_stelle);
  for (int64_t i = 0; i < n; ++i) {
    if (halt(i + 1)) return false;
    const uint64_t c = rs.erl[i * stride];
    for (int k = 0; k < rs.laenge; ++k) ++z.an_stelle[k][c >> (7 * k) & 0x7F];
  }
  z.schluessel.assign(65536, 0);
  z.max.assign(65536, 0);
  z.sq.assign(65536, 0);
  z.zeilen.assign(65536 * 10, 0);
  z.aktiv = true;
  return true;
}

namespace {

// The smallest largest part when m codes are put into parts of at most
// zeile[t] each: the level that the parts, filled evenly, reach.
int64_t Pegel(const int32_t* zeile, int teile, int64_t m) {
  if (m <= 0) return 0;
  int32_t z[10];
  // At most ten rows: sorted by insertion.
  for (int j = 0; j < teile; ++j) {
    int k = j;
    for (; k > 0 && z[k - 1] > zeile[j]; --k) z[k] = z[k - 1];
    z[k] = zeile[j];
  }
  for (int j = 0; j < teile; ++j) {
    const int64_t rest = teile - j;
    if (int64_t{z[j]} * rest >= m) return (m + rest - 1) / rest;
    m -= z[j];
  }
  return z[teile - 1];  // more codes than the rows hold: cannot happen
}

}  // namespace

void SCHRANKE_BERECHNEN(ZEILENSCHRANKE& z, uint64_t g, int32_t& max, int64_t& sq) {
  const int L = z.laenge;
  // At least this many codes have no sign in place.
  int64_t ohne = z.codes;
  for (int i = 0; i < L; ++i) ohne -= z.an_stelle[i][g >> (7 * i) & 0x7F];
  const uint64_t key = Sortiert(g, L);
  uint64_t maske = z.schluessel.size() - 1;
  uint64_t p = Mischen(key) & maske;
  for (; z.schluessel[p]; p = (p + 1) & maske) {
    if (z.schluessel[p] == key) {
      max = std::max<int64_t>(z.max[p], Pegel(&z.zeilen[p * 10], L + 1, ohne));
      sq = z.sq[p];
      return;
    }
  }
  uint64_t gb[kMaxWorte];
  WORT_ZAEHLBITS(g, gb);
  int64_t zeile[10] = {};
  const int w = z.worte;
  for (int64_t gr = 0; gr < z.gruppen; ++gr) {
    const uint64_t* b = &z.bits[static_cast<size_t>(gr * w)];
    int t = 0;
    for (int k = 0; k < w; ++k) t += __builtin_popcountll(b[k] & gb[k]);
    zeile[t] += z.anzahl[static_cast<size_t>(gr)];
  }
  int32_t zmax = 0;
  sq = 0;
  for (int t = 0; t <= L; ++t) {
    // Classes row t can have: P = 0..t, less P = L - 1 in the last row.
    const int64_t k = t < L ? t + 1 : L;
    const int64_t q = zeile[t] / k, r = zeile[t] % k;
    zmax = std::max<int32_t>(zmax, static_cast<int32_t>(q + (r > 0)));
    sq += q * q * (k - r) + (q + 1) * (q + 1) * r;
  }
  if (2 * (z.belegt + 1) > static_cast<int64_t>(z.schluessel.size())) {
    // Keeps at most half of the slots in use; a full table starts afresh.
    std::fill(z.schluessel.begin(), z.schluessel.end(), 0);
    z.belegt = 0;
    p = Mischen(key) & maske;
    while (z.schluessel[p]) p = (p + 1) & maske;
  }
  z.schluessel[p] = key;
  z.max[p] = zmax;
  z.sq[p] = sq;
  for (int t = 0; t <= L; ++t) z.zeilen[p * 10 + t] = static_cast<int32_t>(zeile[t]);
  ++z.belegt;
  max = std::max<int64_t>(zmax, Pegel(&z.zeilen[p * 10], L + 1, ohne));
}

}  // namespace mtspiel

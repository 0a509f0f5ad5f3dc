#include "engine/guess_symmetry.h"

#include <algorithm>

namespace mtspiel {
namespace {

struct SUCHE {
  int laenge = 0;
  int grenze = 0;
  // The guesses' signs by position: zeichen_an[k][i] is guess k's sign at i.
  std::vector<std::array<uint8_t, 9>> zeichen_an;
  std::array<uint8_t, 9> von{};
  std::array<int16_t, 37> bild{};  // sign renaming so far (-1 = open)
  std::array<int16_t, 37> urbild{};
  std::array<bool, 9> benutzt{};
  SYMMETRIE* s = nullptr;
};

// Position i takes its sign from each free position j in turn, as long as the
// renaming of the guesses' signs that this forces stays one to one.
void Weiter(SUCHE& u, int i) {
  if (static_cast<int>(u.s->von.size()) >= u.grenze) return;
  if (i == u.laenge) {
    std::array<uint8_t, 37> z{};
    for (int c = 0; c < 37; ++c) z[c] = static_cast<uint8_t>(u.bild[c] < 0 ? c : u.bild[c]);
    u.s->von.push_back(u.von);
    u.s->zeichen.push_back(z);
    return;
  }
  // The identity comes first, so that element 0 is always it.
  for (int j = 0; j < u.laenge; ++j) {
    if (u.benutzt[j]) continue;
    // Renamings this choice adds, to be taken back afterwards.
    uint8_t neu[64];
    int neu_zahl = 0;
    bool passt = true;
    for (const auto& g : u.zeichen_an) {
      const int a = g[j], b = g[i];
      if (u.bild[a] == b) continue;
      if (u.bild[a] >= 0 || u.urbild[b] >= 0) {
        passt = false;
        break;
      }
      u.bild[a] = static_cast<int16_t>(b);
      u.urbild[b] = static_cast<int16_t>(a);
      neu[neu_zahl++] = static_cast<uint8_t>(a);
    }
    if (passt) {
      u.benutzt[j] = true;
      u.von[i] = static_cast<uint8_t>(j);
      Weiter(u, i + 1);
      u.benutzt[j] = false;
    }
    for (int k = 0; k < neu_zahl; ++k) {
      u.urbild[u.bild[neu[k]]] = -1;
      u.bild[neu[k]] = -1;
    }
  }
}

uint64_t Mischen(uint64_t w) {
  w ^= w >> 31;
  w *= 0x9E3779B97F4A7C15ULL;
  return w ^ (w >> 29);
}

}  // namespace

void SYMMETRIEN_SUCHEN(const uint64_t* gespielt, int zahl, int laenge, int grenze, SYMMETRIE& s) {
  s = SYMMETRIE{};
  s.laenge = laenge;
  SUCHE u;
  u.laenge = laenge;
  u.grenze = std::max(1, grenze);
  u.s = &s;
  u.bild.fill(-1);
  u.urbild.fill(-1);
  // The vacant sign is no sign of the possible codes: it keeps its name.
  u.bild[0] = 0;
  u.urbild[0] = 0;
  for (int k = 0; k < zahl; ++k) {
    std::array<uint8_t, 9> g{};
    for (int i = 0; i < laenge; ++i) g[i] = static_cast<uint8_t>(gespielt[k] >> (7 * i) & 0x7F);
    // The same guess twice adds no condition.
    if (std::find(u.zeichen_an.begin(), u.zeichen_an.end(), g) == u.zeichen_an.end())
      u.zeichen_an.push_back(g);
  }
  Weiter(u, 0);
}

uint64_t SYMMETRIE_ABBILDEN(const SYMMETRIE& s, int e, uint64_t wort) {
  const auto& von = s.von[static_cast<size_t>(e)];
  const auto& z = s.zeichen[static_cast<size_t>(e)];
  uint64_t bild = 0;
  for (int i = 0; i < s.laenge; ++i) bild |= uint64_t{z[wort >> (7 * von[i]) & 0x7F]} << (7 * i);
  return bild;
}

void TAFEL_LEEREN(ANFUEHRERTAFEL& t, int64_t erwartet) {
  int64_t groesse = 64;
  while (groesse < 2 * erwartet) groesse *= 2;
  t.wort.assign(static_cast<size_t>(groesse), 0);
  t.nummer.assign(static_cast<size_t>(groesse), -1);
  t.belegt = 0;
}

int32_t TAFEL_SUCHEN(const ANFUEHRERTAFEL& t, uint64_t wort) {
  const uint64_t maske = t.wort.size() - 1;
  for (uint64_t h = Mischen(wort) & maske;; h = (h + 1) & maske) {
    if (t.wort[h] == wort) return t.nummer[h];
    if (t.wort[h] == 0) return -1;
  }
}

void TAFEL_EINTRAGEN(ANFUEHRERTAFEL& t, uint64_t wort, int32_t nummer) {
  if (2 * (t.belegt + 1) > static_cast<int64_t>(t.wort.size())) {
    // Grows before it is half full, so that a search always ends at an empty slot.
    ANFUEHRERTAFEL neu;
    TAFEL_LEEREN(neu, static_cast<int64_t>(t.wort.size()));
    for (size_t i = 0; i < t.wort.size(); ++i)
      if (t.wort[i]) TAFEL_EINTRAGEN(neu, t.wort[i], t.nummer[i]);
    t = std::move(neu);
  }
  const uint64_t maske = t.wort.size() - 1;
  for (uint64_t h = Mischen(wort) & maske;; h = (h + 1) & maske) {
    if (t.wort[h] == wort) return;
    if (t.wort[h] == 0) {
      t.wort[h] = wort;
      t.nummer[h] = nummer;
      ++t.belegt;
      return;
    }
  }
}

}  // namespace mtspiel

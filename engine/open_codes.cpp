#include "engine/open_codes.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cassert>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/guess_store.h"
#include "engine/guessing.h"

namespace mtspiel {

namespace {

// Codes made at a time: their words stay in the nearer caches while they are
// counted or sorted.
constexpr int64_t kStueck = 2048;

// The counts of the last complete MOEGLICHE_ZAEHLEN, piece by piece: narrowing
// by an answer to that guess knows from them where each piece's codes go.
struct ZAEHLSTAND {
  uint64_t aufbau = 0;  // RS.aufbau of the store counted; 0: none
  uint64_t g = 0;
  uint64_t ohne = 0;  // RS.ohne when it was counted
  uint32_t streifen = 0;
  std::vector<int32_t> stuecke;  // kKlassen counts per piece
};
ZAEHLSTAND LETZTE_ZAEHLUNG;

// One pass over the open codes, shared by the threads. The helpers read RS
// and the set-up's decoder, which stay as they are while the pass runs, and
// write only their pieces' counts or their pieces' slots of erl.
struct DURCHGANG {
  ZAEHLAUFTRAG vorlage;    // the guess
  bool schreiben = false;  // writing the codes out, else counting them
  int klasse = -1;         // writing: the class kept (all codes when below 0)
  uint32_t ende = 0;       // records
  uint32_t streifen = 1;
  uint32_t stuecke = 0;
  int32_t* zaehlung = nullptr;  // counting: kKlassen per piece
  const int64_t* ab = nullptr;  // writing: the first slot of each piece
  std::atomic<uint32_t> naechstes{0};
  std::atomic<int64_t> erledigt{0};  // records done by all threads
  std::atomic<bool> halt{false};
};

// Records per piece: a few dozen pieces at least, so that the threads share
// the work evenly, and no more than a millisecond or so of work each, so that
// the thread that looks at the keyboard does so often.
uint32_t Streifen(uint32_t ende) {
  return std::clamp<uint32_t>(std::bit_floor(std::max<uint32_t>(ende / 64, 1)), 4096, 1 << 16);
}

// Piece i: the pieces run from the newest records down, as erl holds the codes.
MOEGLICHE_LAUF Stueck(const DURCHGANG& d, uint32_t i) {
  MOEGLICHE_LAUF l;
  l.bis = d.ende - i * d.streifen;
  l.von = l.bis > d.streifen ? l.bis - d.streifen : 0;
  return l;
}

struct WERKZEUG {
  std::unique_ptr<uint64_t[]> puffer{new uint64_t[kStueck * (1 + kMaxWorte)]};
  ZAEHLPLATZ platz;
  uint8_t klassen[kStueck];
};

// Counts piece i into its table, or writes its codes of the class from slot
// ziel on; returns the slot after the codes written.
int64_t StueckTun(DURCHGANG& d, uint32_t i, WERKZEUG& w, int64_t ziel = 0) {
  ZAEHLAUFTRAG a = d.vorlage;
  a.erl = w.puffer.get();
  a.platz = &w.platz;
  const size_t stride = 1 + static_cast<size_t>(RS.worte);
  [[maybe_unused]] const size_t slots = RS.erl_bytes / (8 * stride);
  MOEGLICHE_LAUF lauf = Stueck(d, i);
  const uint32_t saetze = lauf.bis - lauf.von;
  if (!d.schreiben) a.tab = d.zaehlung + size_t{i} * kKlassen;
  while (lauf.bis > lauf.von) {
    const int64_t k = MOEGLICHE_HOLEN(lauf, w.puffer.get(), kStueck);
    if (!d.schreiben) {
      ZAEHLEN_BIS(a, RS.worte, 0, k, INT32_MAX);
      continue;
    }
    if (d.klasse >= 0) KLASSEN(a, RS.worte, 0, k, w.klassen);
    for (int64_t j = 0; j < k; ++j) {
      if (d.klasse >= 0 && w.klassen[j] != d.klasse) continue;
      assert(static_cast<size_t>(ziel) < slots);
      std::memcpy(RS.erl + static_cast<size_t>(ziel) * stride,
                  a.erl + static_cast<size_t>(j) * stride, 8 * stride);
      ++ziel;
    }
  }
  d.erledigt.fetch_add(saetze, std::memory_order_relaxed);
  return ziel;
}

// A piece on several threads: a written piece starts where its counts say.
void StueckVerteilt(DURCHGANG& d, uint32_t i, WERKZEUG& w) {
  [[maybe_unused]] const int64_t ende = StueckTun(d, i, w, d.ab ? d.ab[i] : 0);
  assert(!d.schreiben || ende == d.ab[i + 1]);
}

void Helfer(void* kontext) {
  DURCHGANG& d = *static_cast<DURCHGANG*>(kontext);
  WERKZEUG w;
  while (!d.halt.load(std::memory_order_acquire)) {
    const uint32_t i = d.naechstes.fetch_add(1, std::memory_order_relaxed);
    if (i >= d.stuecke) break;
    StueckVerteilt(d, i, w);
  }
}

// Every piece, by the helpers and this thread, which asks the interruption
// after each of its pieces while pieces are left (told the records all threads
// did since). False when it asked to stop; the helpers have ended either way.
bool AlleStuecke(DURCHGANG& d, const UNTERBRECHUNG& u) {
  std::vector<FADEN> helfer;
  if (d.ende >= OFFEN_MEHRERE_AB) {
    for (int f = 1; f < SUCHFAEDEN_ZAHL; ++f) {
      FADEN t;
      if (!FADEN_STARTEN(t, Helfer, &d)) break;  // fewer helpers, or none
      helfer.push_back(t);
    }
  }
  WERKZEUG w;
  bool ok = true;
  int64_t gemeldet = 0;
  for (;;) {
    const uint32_t i = d.naechstes.fetch_add(1, std::memory_order_relaxed);
    if (i >= d.stuecke) break;
    StueckVerteilt(d, i, w);
    if (d.naechstes.load(std::memory_order_relaxed) >= d.stuecke || !u.frage) continue;
    const int64_t jetzt = d.erledigt.load(std::memory_order_relaxed);
    if (u.frage(u.kontext, jetzt - gemeldet)) {
      d.halt.store(true, std::memory_order_release);
      ok = false;
      break;
    }
    gemeldet = jetzt;
  }
  for (FADEN& t : helfer) FADEN_WARTEN(t);
  return ok;
}

void DurchgangVorbereiten(DURCHGANG& d, uint64_t g) {
  d.vorlage.gwort = g;
  WORT_ZAEHLBITS(g, d.vorlage.gbits);
  d.vorlage.lanes = RS.lanes;
  d.vorlage.tab = nullptr;
  d.vorlage.klassen = (RS.laenge + 1) << 4;  // only totals 0..L occur
  d.ende = MOEGLICHE_ANFANG().bis;
  d.streifen = Streifen(d.ende);
  d.stuecke = (d.ende + d.streifen - 1) / d.streifen;
}

// One thread through the pieces in order, each written where the one before
// it ended, keeping the codes of the class (all when klasse < 0): for a class
// whose pieces were not counted.
bool SchreibenAllein(uint64_t g, int klasse, const UNTERBRECHUNG& u) {
  DURCHGANG d;
  DurchgangVorbereiten(d, g);
  d.schreiben = true;
  d.klasse = klasse;
  WERKZEUG w;
  int64_t ziel = 0;
  for (uint32_t i = 0; i < d.stuecke; ++i) {
    ziel = StueckTun(d, i, w, ziel);
    if (i + 1 < d.stuecke && u.frage && u.frage(u.kontext, d.streifen)) return false;
  }
  RS.erl_n = ziel;
  return true;
}

}  // namespace

int64_t MOEGLICHE_ZAEHLEN(const ZAEHLAUFTRAG& a, const UNTERBRECHUNG& u) {
  assert(RS.offen);
  OFFENE_ZAEHLUNG_FREIGEBEN();
  DURCHGANG d;
  d.vorlage = a;
  DurchgangVorbereiten(d, a.gwort);
  std::vector<int32_t> zaehlung(size_t{d.stuecke} * kKlassen, 0);
  d.zaehlung = zaehlung.data();
  if (!AlleStuecke(d, u)) return -1;
  int64_t n = 0;
  for (uint32_t i = 0; i < d.stuecke; ++i)
    for (int k = 0; k < a.klassen; ++k) {
      a.tab[k] += zaehlung[size_t{i} * kKlassen + static_cast<size_t>(k)];
      n += zaehlung[size_t{i} * kKlassen + static_cast<size_t>(k)];
    }
  LETZTE_ZAEHLUNG.aufbau = RS.aufbau;
  LETZTE_ZAEHLUNG.g = a.gwort;
  LETZTE_ZAEHLUNG.ohne = RS.ohne;
  LETZTE_ZAEHLUNG.streifen = d.streifen;
  LETZTE_ZAEHLUNG.stuecke = std::move(zaehlung);
  return n;
}

bool MOEGLICHE_SCHREIBEN(uint64_t g, int klasse, const UNTERBRECHUNG& u) {
  if (!RS.offen) return true;
  const ZAEHLSTAND& z = LETZTE_ZAEHLUNG;
  bool ok;
  if (klasse >= 0 && klasse < kKlassen && z.aufbau == RS.aufbau && z.g == g && z.ohne == RS.ohne) {
    // The pieces' counts of this class say where each piece's codes go.
    DURCHGANG d;
    DurchgangVorbereiten(d, g);
    d.schreiben = true;
    d.klasse = klasse;
    assert(d.streifen == z.streifen && size_t{d.stuecke} * kKlassen == z.stuecke.size());
    std::vector<int64_t> ab(d.stuecke + 1, 0);
    for (uint32_t i = 0; i < d.stuecke; ++i)
      ab[i + 1] = ab[i] + z.stuecke[size_t{i} * kKlassen + static_cast<size_t>(klasse)];
    assert(static_cast<size_t>(ab[d.stuecke]) <= RS.erl_bytes / (8 * (1 + size_t(RS.worte))));
    d.ab = ab.data();
    ok = AlleStuecke(d, u);
    if (ok) RS.erl_n = ab[d.stuecke];
  } else {
    ok = SchreibenAllein(g, klasse, u);
  }
  if (!ok) return false;
  RS.offen = false;
  RS.ohne = 0;
  OFFENE_ZAEHLUNG_FREIGEBEN();
  // From now on the codes only get fewer: the array beyond them (pages the
  // set-up's draws brought in) goes back, to the next huge page.
  constexpr size_t kSeite = size_t{2} << 20;
  const size_t noetig = static_cast<size_t>(RS.erl_n) * (1 + static_cast<size_t>(RS.worte)) * 8;
  const size_t behalten = std::max(kSeite, (noetig + kSeite - 1) / kSeite * kSeite);
  if (behalten < RS.erl_bytes) {
    SEITEN_ABGEBEN(reinterpret_cast<char*>(RS.erl) + behalten, RS.erl_bytes - behalten);
    RS.erl_bytes = behalten;
  }
  return true;
}

void OFFENE_ZAEHLUNG_FREIGEBEN() {
  ZAEHLSTAND leer;
  std::swap(LETZTE_ZAEHLUNG, leer);
}

}  // namespace mtspiel

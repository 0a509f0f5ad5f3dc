#include "engine/guess_workers.h"

#include <cassert>
#include <chrono>
#include <cstring>

#include "engine/guess_bound.h"

namespace mtspiel {
namespace {

// (max, sq) is lexicographically smaller: a better best.
bool Kleiner(int32_t m1, int64_t s1, int32_t m2, int64_t s2) {
  return m1 < m2 || (m1 == m2 && s1 < s2);
}

bool Angehalten(void* kontext, int64_t) {
  return static_cast<std::atomic<bool>*>(kontext)->load(std::memory_order_relaxed);
}

struct ARBEITER {
  SUCHFAEDEN* f = nullptr;
  alignas(64) int32_t tab[kKlassen] = {};  // rows above L stay 0
  ZAEHLPLATZ platz;
};

// Evaluates a block taken from the queue; false when it was stopped.
bool BlockBewerten(SUCHFAEDEN* f, SUCHBLOCK* b, ARBEITER& w) {
  const UNTERBRECHUNG u{Angehalten, &f->halt};
  int32_t eigen_max = INT32_MAX;
  int64_t eigen_sq = INT64_MAX;
  bool ganz = true;
  for (size_t i = 0; i < b->wort.size(); ++i) {
    if (f->halt.load(std::memory_order_relaxed)) {
      ganz = false;
      break;
    }
    int32_t bm;
    int64_t bs;
    {
      std::lock_guard<std::mutex> l(f->mx);
      bm = f->best_max;
      bs = f->best_sq;
    }
    if (Kleiner(eigen_max, eigen_sq, bm, bs)) bm = eigen_max, bs = eigen_sq;
    BLOCKEINTRAG_BEWERTEN(*f->rs, *b, i, bm, bs, w.tab, w.platz, u);
    const BEWERTUNG& e = b->erg[i];
    if (e.abbruch) {
      ganz = false;
      break;
    }
    if (!e.verloren && Kleiner(e.max, e.sq, eigen_max, eigen_sq)) {
      eigen_max = e.max;
      eigen_sq = e.sq;
    }
  }
  if (!ganz) return false;
  {
    std::lock_guard<std::mutex> l(f->mx);
    b->fertig.store(true, std::memory_order_release);
  }
  f->erledigt.notify_all();
  return true;
}

void Arbeiten(void* kontext) {
  SUCHFAEDEN* f = static_cast<SUCHFAEDEN*>(kontext);
  ARBEITER w;
  w.f = f;
  for (;;) {
    SUCHBLOCK* b = nullptr;
    {
      std::unique_lock<std::mutex> l(f->mx);
      f->arbeit.wait(l, [f] { return f->halt.load() || f->ende || !f->offen.empty(); });
      if (f->halt.load() || f->offen.empty()) return;
      b = f->offen.front();
      f->offen.pop_front();
    }
    if (!BlockBewerten(f, b, w)) return;
  }
}

}  // namespace

void BLOCKEINTRAG_BEWERTEN(const RATESPEICHER& rs, SUCHBLOCK& b, size_t i, int32_t bestmax,
                           int64_t bestsq, int32_t* tab, ZAEHLPLATZ& platz,
                           const UNTERBRECHUNG& u) {
  BEWERTUNG& e = b.erg[i];
  if (b.schranke_max[i] > 0 &&
      SCHRANKE_VERLIERT(b.schranke_max[i], b.schranke_sq[i], bestmax, bestsq)) {
    e = BEWERTUNG{};
    e.verloren = true;
    b.tabelle_nr[i] = -1;
    return;
  }
  e = KANDIDAT_BEWERTEN(rs, b.wort[i], tab, platz, bestmax, bestsq, u);
  if (e.verloren || e.abbruch) {
    b.tabelle_nr[i] = -1;
    return;
  }
  b.tabelle_nr[i] = static_cast<int32_t>(b.tabellen.size() / kKlassen);
  b.tabellen.insert(b.tabellen.end(), tab, tab + kKlassen);
}

int FAEDEN_STARTEN(SUCHFAEDEN& f, int zahl, const RATESPEICHER* rs) {
  f.rs = rs;
  f.halt.store(false);
  f.ende = false;
  f.offen.clear();
  f.best_max = INT32_MAX;
  f.best_sq = INT64_MAX;
  for (int i = 0; i < zahl; ++i) {
    FADEN t;
    if (!FADEN_STARTEN(t, Arbeiten, &f)) break;  // the system has no more threads
    f.faeden.push_back(t);
  }
  return static_cast<int>(f.faeden.size());
}

void BLOCK_GEBEN(SUCHFAEDEN& f, SUCHBLOCK* b) {
  {
    std::lock_guard<std::mutex> l(f.mx);
    f.offen.push_back(b);
  }
  f.arbeit.notify_one();
}

void BESTEN_MELDEN(SUCHFAEDEN& f, int32_t max, int64_t sq) {
  std::lock_guard<std::mutex> l(f.mx);
  f.best_max = max;
  f.best_sq = sq;
}

bool BLOCK_ABWARTEN(SUCHFAEDEN& f, SUCHBLOCK& b, int ms) {
  if (b.fertig.load(std::memory_order_acquire)) return true;
  assert(!f.faeden.empty() && "without workers the caller counts the candidates itself");
  std::unique_lock<std::mutex> l(f.mx);
  return f.erledigt.wait_for(l, std::chrono::milliseconds(ms),
                             [&b] { return b.fertig.load(std::memory_order_acquire); });
}

void FAEDEN_BEENDEN(SUCHFAEDEN& f) {
  {
    std::lock_guard<std::mutex> l(f.mx);
    f.halt.store(true);
    f.ende = true;
  }
  f.arbeit.notify_all();
  for (FADEN& t : f.faeden) FADEN_WARTEN(t);
  f.faeden.clear();
  f.offen.clear();
}

}  // namespace mtspiel

// One turn of the computer as codebreaker: the choice of a guess by a one-step
// look-ahead (smallest worst answer class, then smallest sum of squares, then
// most classes, then a guess that may itself be the code), the answer, and the
// narrowing of the store by it.
#include <algorithm>
#include <cassert>
#include <cstring>
#include <deque>
#include <memory>
#include <thread>
#include <vector>

#include "clock/game_clock.h"
#include "engine/engine_state.h"
#include "engine/guess_bound.h"
#include "engine/guess_evaluate.h"
#include "engine/guess_kernel.h"
#include "engine/guess_store.h"
#include "engine/guess_symmetry.h"
#include "engine/guess_workers.h"
#include "engine/guessing.h"
#include "engine/open_codes.h"
#include "engine/signal_tone.h"
#include "engine/variable_code.h"
#include "game/answer_order.h"
#include "game/input.h"
#include "game/signs.h"
#include "game/trial_record.h"
#include "screen/cp850.h"
#include "screen/terminal.h"

namespace mtspiel {

void PERMUTATION_ZIEHEN(uint8_t* perm, uint8_t* liste, uint8_t& hilf, int m);

namespace {

constexpr char kEsc = 27;

// The main thread's scratch tables for the counting kernel.
ZAEHLPLATZ HAUPTPLATZ;

void ZeichenSchreiben(uint64_t wort) {
  uint8_t z[10];
  WORT_ZEICHEN(wort, RS.laenge, z);
  for (int i = 1; i <= RS.laenge; ++i) term::Write(FARBARRAY[z[i]]);
}

// The equivalence classes over the signs no guess has used yet: w[1..o] may not
// occur, w[o+1..m] must first occur in this order.
struct AEQUIVALENZ {
  uint8_t rang[37] = {};  // 0 = played, 255 = excluded, else place in the order
};

// A code is a representative when the unplayed signs it holds first occur in
// rank order 1, 2, 3, ... and it holds no excluded sign. Then the ranks seen so
// far are always 1..highest, so each rank may be at most one above the highest
// before it (0, a played sign, always passes; 255, excluded, never does). No
// branches: the test runs for every candidate, and its outcome is random.
[[gnu::always_inline]] inline bool Repraesentant(const AEQUIVALENZ& q, uint64_t wort, int laenge) {
  unsigned hoechster = 0;
  bool ok = true;
  for (int i = 0; i < laenge; ++i) {
    const unsigned r = q.rang[wort >> (7 * i) & 0x7F];
    ok &= r <= hoechster + 1;
    hoechster = std::max(hoechster, r);
  }
  return ok;
}

// Clock and keyboard between slices of a long pass over the store outside the
// search; arbeit is the codes passed since the last call. True on Esc.
bool Nachsehen(ABFRAGE& a, int64_t arbeit, bool f6 = false) {
  if (!ABFRAGE_FAELLIG(a, arbeit)) return false;
  UHR_BEDIENEN();
  return TASTEN_LESEN(f6);
}

// Nachsehen as the interruption of a count over the possible codes.
bool NachsehenFrage(void* abfrage, int64_t arbeit) {
  return Nachsehen(*static_cast<ABFRAGE*>(abfrage), arbeit);
}

// Codes a pass over the store handles between two questions to Nachsehen: a
// few hundred microseconds of work, so that ABFRAGE's clock reading is cheap
// against it and Esc is never kept waiting.
constexpr int64_t kStreckeAbfrage = 1 << 16;

struct VERTRETER {
  int64_t zahl = 0;     // representatives in the chain
  int64_t erster = -1;  // slot of the first
  int64_t y = -1;       // slot of y when it is a representative
};

// Marks the representatives among all candidates (when marke is given) and
// finds y among them. Every candidate passes here once per turn, so the length
// is fixed at compile time and the loop holds no shift by a variable amount.
template <int L>
void VertreterLang(const AEQUIVALENZ& q, const uint64_t* kand, int64_t von, int64_t bis,
                   uint8_t* marke, uint64_t y, bool y_suchen, VERTRETER& ergebnis) {
  VERTRETER v = ergebnis;
  for (int64_t i = von; i < bis; ++i) {
    const bool rep = Repraesentant(q, kand[i], L);
    if (marke) marke[i] = rep;
    v.zahl += rep;
    if (__builtin_expect(v.erster < 0, 0) && rep) v.erster = i;
    // Codes are distinct, so y is found at most once.
    if (__builtin_expect(kand[i] == y, 0) && rep && y_suchen) v.y = i;
  }
  ergebnis = v;
}

// A slice of the chain a time, the keyboard looked at between slices. False
// when Esc broke it off.
bool Vertreter(const AEQUIVALENZ& q, int laenge, uint64_t y, bool y_suchen, ABFRAGE& abfrage,
               VERTRETER& v) {
  using FN = void (*)(const AEQUIVALENZ&, const uint64_t*, int64_t, int64_t, uint8_t*, uint64_t,
                      bool, VERTRETER&);
  static constexpr FN kNachLaenge[] = {
      nullptr,          nullptr,          VertreterLang<2>, VertreterLang<3>, VertreterLang<4>,
      VertreterLang<5>, VertreterLang<6>, VertreterLang<7>, VertreterLang<8>, VertreterLang<9>};
  v = VERTRETER{};
  for (int64_t von = 0; von < RS.kand_n; von += kStreckeAbfrage) {
    const int64_t bis = std::min(RS.kand_n, von + kStreckeAbfrage);
    kNachLaenge[laenge](q, RS.kand, von, bis, GENUGPLATZ ? RS.marke : nullptr, y, y_suchen, v);
    if (Nachsehen(abfrage, bis - von, true)) return false;
  }
  return true;
}

// Moves the first n elements of a one slot up, a slice at a time from the
// top, the keyboard looked at between slices. False when Esc broke it off.
template <typename T>
bool EinsHoch(T* a, int64_t n, ABFRAGE& abfrage) {
  for (int64_t oben = n; oben > 0;) {
    const int64_t unten = std::max<int64_t>(0, oben - kStreckeAbfrage);
    std::memmove(a + unten + 1, a + unten, sizeof(T) * static_cast<size_t>(oben - unten));
    if (Nachsehen(abfrage, oben - unten, true)) return false;
    oben = unten;
  }
  return true;
}

// Reverses a[0..n), a slice of swaps at a time. False when Esc broke it off.
bool Umkehren(uint64_t* a, int64_t n, ABFRAGE& abfrage) {
  for (int64_t i = 0; i < n / 2;) {
    const int64_t bis = std::min(n / 2, i + kStreckeAbfrage);
    for (; i < bis; ++i) std::swap(a[i], a[n - 1 - i]);
    if (Nachsehen(abfrage, kStreckeAbfrage)) return false;
  }
  return true;
}

// The first slot from platz on whose mark is set, or ende; eight marks a step.
int64_t NaechsteMarke(const uint8_t* marke, int64_t platz, int64_t ende) {
  while (platz + 8 <= ende) {
    uint64_t w;
    std::memcpy(&w, marke + platz, 8);
    if (w) return platz + (__builtin_ctzll(w) >> 3);
    platz += 8;
  }
  while (platz < ende && !marke[platz]) ++platz;
  return platz;
}

// Removes every candidate that holds a sign of the list (0 = vacant), and the
// one at slot weg (if >= 0); keeps the order. False when Esc broke it off.
bool KandidatenStreichen(const std::vector<uint8_t>& liste, int64_t weg, ABFRAGE& abfrage) {
  if (liste.empty()) {
    if (weg >= 0 && weg < RS.kand_n) {
      // Moved down a slice at a time, so that the keyboard is looked at.
      for (int64_t i = weg; i + 1 < RS.kand_n; i += kStreckeAbfrage) {
        const int64_t n = std::min(kStreckeAbfrage, RS.kand_n - 1 - i);
        std::memmove(RS.kand + i, RS.kand + i + 1, sizeof(uint64_t) * n);
        if (Nachsehen(abfrage, n)) return false;
      }
      --RS.kand_n;
    }
    ZAHLGESAMTVERSUCHE = static_cast<int32_t>(RS.kand_n);
    return true;
  }
  uint64_t eins = 0;
  for (int i = 0; i < RS.laenge; ++i) eins |= uint64_t{1} << (7 * i);
  int64_t k = 0;
  for (int64_t von = 0; von < RS.kand_n; von += kStreckeAbfrage) {
    const int64_t bis = std::min(RS.kand_n, von + kStreckeAbfrage);
    for (int64_t i = von; i < bis; ++i) {
      const uint64_t c = RS.kand[i];
      bool raus = i == weg;
      for (uint8_t s : liste) raus |= (((c ^ (eins * s)) + kLaneFill) & RS.lanes) != RS.lanes;
      // Written every time, kept by advancing: no branch on a random outcome.
      RS.kand[k] = c;
      k += !raus;
    }
    if (Nachsehen(abfrage, bis - von)) return false;
  }
  RS.kand_n = k;
  ZAHLGESAMTVERSUCHE = static_cast<int32_t>(k);
  return true;
}

// Keeps the possible codes whose answer to g is the class klasse (total*16+P).
// False when Esc broke it off (the store is then half narrowed and must go).
bool MoeglicheEingrenzen(uint64_t g, int klasse, ABFRAGE& abfrage) {
  if (RS.offen) return MOEGLICHE_SCHREIBEN(g, klasse, UNTERBRECHUNG{NachsehenFrage, &abfrage});
  ZAEHLAUFTRAG a;
  a.erl = RS.erl;
  a.gwort = g;
  WORT_ZAEHLBITS(g, a.gbits);
  a.lanes = RS.lanes;
  a.tab = nullptr;
  a.klassen = 0;
  a.platz = &HAUPTPLATZ;
  const int stride = 1 + RS.worte;
  constexpr int64_t kStueck = 4096;
  uint8_t k[kStueck];
  int64_t ziel = 0;
  for (int64_t i = 0; i < RS.erl_n; i += kStueck) {
    const int64_t bis = std::min(RS.erl_n, i + kStueck);
    KLASSEN(a, RS.worte, i, bis, k);
    for (int64_t j = i; j < bis; ++j) {
      if (k[j - i] != klasse) continue;
      if (ziel != j) std::memmove(RS.erl + ziel * stride, RS.erl + j * stride, 8 * stride);
      ++ziel;
    }
    if (Nachsehen(abfrage, bis - i)) return false;
  }
  RS.erl_n = ziel;
  return true;
}

// Keeps the possible codes that hold none of the signs in the mask: bleiben of
// them, as the class table of the guess answered (0, 0) counted. False when Esc
// broke it off.
bool MoeglicheOhne(uint64_t maske, int64_t bleiben, ABFRAGE& abfrage) {
  if (RS.offen) {
    RS.ohne |= maske;
    RS.erl_n = bleiben;
    return true;
  }
  const int stride = 1 + RS.worte;
  int64_t ziel = 0;
  for (int64_t von = 0; von < RS.erl_n; von += kStreckeAbfrage) {
    const int64_t bis = std::min(RS.erl_n, von + kStreckeAbfrage);
    for (int64_t j = von; j < bis; ++j) {
      if (WORT_ZEICHENMENGE(RS.erl[j * stride], RS.laenge) & maske) continue;
      if (ziel != j) std::memmove(RS.erl + ziel * stride, RS.erl + j * stride, 8 * stride);
      ++ziel;
    }
    if (Nachsehen(abfrage, bis - von)) return false;
  }
  RS.erl_n = ziel;
  return true;
}

void CodeSetzen(uint64_t wort, CODE& code) {
  uint8_t z[10];
  WORT_ZEICHEN(wort, RS.laenge, z);
  for (int i = 1; i <= 9; ++i) code[i] = i <= RS.laenge ? FARBARRAY[z[i]] : ' ';
}

void Unterbrechung() {
  if (UNTERBR >= 999) return;
  ++UNTERBR;
  if (UNTERBR == 1) {
    term::GotoXY(3, 15);
    term::Write(SP_D ? "Zahl der Unterbrechungen: 1." : "Number of breaks: 1.");
  } else {
    term::GotoXY(SP_D ? 29 : 21, 15);
    term::WriteInt(UNTERBR);
    term::Write('.');
  }
  term::GotoXY(WX, WY);
}

void ZeitgrenzeMelden() {
  if (!ALLESTERNEDRUCKEN) return;
  ALLESTERNEDRUCKEN = false;
  term::GotoXY(1, 11);
  term::Write("║"_cp);
  term::Write(SP_D ? " Zeit begrenzt auf " : " The timelimit is ");
  term::Write(static_cast<char>('0' + X.ZEITGRENZE % 10));
  term::Write(SP_D ? "0 Sek./Versuch.  " : "0 seconds/trial.  ");
  term::Write("║"_cp);
  term::GotoXY(WX, WY);
}

void Abbruch(char& taste) {
  taste = kEsc;
  RATEN_ZEITANZEIGE = false;
  ALLES_FREIGEBEN();
  ZEITEIN = false;
}

void Tabelle(const int32_t* tab, KLASSENTABELLE& k) {
  for (int t = 0; t < 10; ++t)
    for (int p = 0; p < 10; ++p) k[t][p] = tab[t << 4 | p];
}

// ---- The state of one turn ---------------------------------------------------

// What the steps of a turn hand on to each other.
struct ZUG {
  int L = 0;
  int n = 0;
  bool R = false;                 // the equivalence reduction is in force
  bool E = false;                 // a full search (not an opening pattern)
  uint64_t anfang = 0;            // the opening guess as a code word
  AEQUIVALENZ q;                  // ranks of the unplayed signs (when R)
  uint8_t rang_zeichen[37] = {};  // the sign of each rank (when R)
  // The search's result.
  uint64_t best_wort = 0;
  int64_t best_platz = -1;  // chain slot of the guess, -1 when it is no candidate
  int64_t letzter_platz = -1;
  bool geschnitten = false;
  alignas(64) int32_t best_tab[kKlassen] = {};
};

// ---- Step A: start of the turn -------------------------------------------------

enum class BEGINN { WEITER, GELOEST, ESC };

// Resets the turn's counters; when one code is left it is played at once.
BEGINN ZugBeginnen(ZUG& z, CODE& code, uint8_t& P, uint8_t& S) {
  // The possible codes are written out before a turn reads them one by one
  // or searches over them all; an opening guess only counts them.
  if (RS.offen && (!AEQUI_KLASSE || ZAHLGESAMTVERSUCHE <= 2 || RS.erl_n <= 2)) {
    ABFRAGE abfrage;
    if (!MOEGLICHE_SCHREIBEN(0, -1, UNTERBRECHUNG{NachsehenFrage, &abfrage})) return BEGINN::ESC;
  }
  z.L = X.LAENGE;
  z.n = MAXFARBE;
  F6_GEDR = false;
  RATENDRAN = true;
  z.R = ZAEHLE_VORH_FARBE > 2;
  ZAEHLE_VORH_FARBE = 0;
  ZAHL_DER_VERSUCHE = ZAHLGESAMTVERSUCHE;
  SPIELZEIT = RESTZEIT = 0;
  P = 0;
  S = 0;
  NUMMER_PLUS = NUMMER + 6;

  if (ZAHLGESAMTVERSUCHE == 1 || RS.erl_n == 1) {
    AEQUI_KLASSE = false;
    const uint64_t loesung = RS.erl_n == 1 ? RS.erl[0] : RS.kand[0];
    CodeSetzen(loesung, LOESUNG);
    code = LOESUNG;
    term::GotoXY(WX, WY);
    ZeichenSchreiben(loesung);
    P = static_cast<uint8_t>(z.L);
    WX = static_cast<uint8_t>(WX + 8 + z.L / 2);
    term::GotoXY(WX - 2, WY);
    term::WriteInt(z.L);
    term::GotoXY(WX, WY);
    term::Write('0');
    SIGNALTON();
    ALLES_FREIGEBEN();
    return BEGINN::GELOEST;
  }
  if (ZAHLGESAMTVERSUCHE == 2 || RS.erl_n == 2) {
    AEQUI_KLASSE = false;
    z.R = false;
  }
  z.E = !AEQUI_KLASSE;
  if (!z.E) {
    z.R = false;
    ZAHL_DER_VERSUCHE = 1;
  }
  z.anfang = CODEWORT(ANFANG, z.L);
  term::GotoXY(WX, WY);
  ZeichenSchreiben(z.E && RS.kand_n > 0 ? RS.kand[0] : z.anfang);
  term::GotoXY(WX, WY);
  return BEGINN::WEITER;
}

// ---- Step B: equivalence reduction -------------------------------------------

// Signs no guess has used yet are interchangeable: only one representative of
// each class of candidates that differ by a renaming of them is examined.
// False when Esc broke it off.
bool AequivalenzBilden(ZUG& z) {
  if (!z.R) return true;
  const int L = z.L;
  uint8_t liste[37], w[37];
  int m = 0;
  for (int s = 1; s <= z.n; ++s)
    if (!GESPIELT[s]) liste[++m] = static_cast<uint8_t>(s);
  if (m < 2) {
    z.R = false;
    return true;
  }
  uint8_t hilf = 0;
  PERMUTATION_ZIEHEN(w, liste, hilf, m);
  const int o = L < m ? m - L : 0;
  for (int j = 1; j <= o; ++j) z.q.rang[w[j]] = 255;
  for (int j = o + 1; j <= m; ++j) {
    z.q.rang[w[j]] = static_cast<uint8_t>(j - o);
    z.rang_zeichen[j - o] = w[j];
  }
  uint64_t y = 0;
  if (L <= m) {
    y = CODEWORT(w + o, L);
    term::GotoXY(WX, WY);
    ZeichenSchreiben(y);
    term::GotoXY(WX, WY);
  }
  ABFRAGE abfrage;
  VERTRETER v;
  if (!Vertreter(z.q, L, y, L <= m, abfrage, v)) return false;
  if (v.zahl == 0) {
    z.R = false;  // nothing to reduce to: search them all
    return true;
  }
  ZAHL_DER_VERSUCHE = static_cast<int32_t>(v.zahl);
  if (v.y > 0) {
    // y is examined first: it moves to the head of the chain.
    if (!EinsHoch(RS.kand, v.y, abfrage)) return false;
    RS.kand[0] = y;
    if (GENUGPLATZ) {
      if (!EinsHoch(RS.marke, v.y, abfrage)) return false;
      RS.marke[0] = 1;
    }
  } else if (L > m) {
    term::GotoXY(WX, WY);
    ZeichenSchreiben(RS.kand[v.erster]);
    term::GotoXY(WX, WY);
  }
  NUMMER_PLUS = std::min(NUMMER_PLUS, ZAHL_DER_VERSUCHE);
  return true;
}

// ---- Step C: search -------------------------------------------------------------

// What is known of an orbit's leader once it was taken: followers take it over.
struct FUEHRUNG {
  BEWERTUNG b;
  int32_t tabelle = -1;  // its table in SUCHE::volle, when not lost
};

// Candidates prepared for the search: slots in chain order, each either
// evaluated in the block (eintrag >= 0) or following an earlier leader.
struct PLAN {
  SUCHBLOCK sb;
  std::vector<int64_t> platz;
  std::vector<int32_t> anfuehrer;  // leader number, -1 without symmetries
  std::vector<int32_t> eintrag;    // index in sb, -1 for a follower
};

struct SUCHE {
  ZUG* z = nullptr;
  int64_t ende = 0;  // slots to walk
  int64_t vor = 0;   // next slot to prepare
  // Symmetries (when symmetrie) and their leaders.
  bool symmetrie = false;
  SYMMETRIE sym;
  ANFUEHRERTAFEL tafel;
  std::vector<uint64_t> bahn;  // the orbit still to walk
  std::vector<FUEHRUNG> fuehrung;
  std::vector<int32_t> volle;  // kKlassen counts per leader that was not lost
  // The bound of the rows (when schranke.aktiv).
  ZEILENSCHRANKE schranke;
  // Blocks and workers (faeden > 0).
  int faeden = 0;
  size_t pro_block = 1;
  std::deque<std::unique_ptr<PLAN>> plaene;
  SUCHFAEDEN f;
  ABFRAGE abfrage;
};

// The representative of the class of wort under renamings of the unplayed
// signs: they are renamed by rank in the order in which they first occur.
uint64_t Vertreterform(const ZUG& z, uint64_t wort) {
  uint8_t neu[37] = {};
  int naechster = 1;
  uint64_t v = 0;
  for (int i = 0; i < z.L; ++i) {
    const unsigned s = wort >> (7 * i) & 0x7F;
    unsigned t = s;
    const unsigned r = z.q.rang[s];
    if (r != 0 && r != 255) {
      if (!neu[s]) neu[s] = z.rang_zeichen[naechster++];
      t = neu[s];
    }
    v |= uint64_t{t} << (7 * i);
  }
  return v;
}

bool HauptUnterbrechung(void* kontext, int64_t arbeit);

// Sets up the symmetries, the bound and the workers for this search. False
// when Esc broke it off.
bool SucheEinrichten(SUCHE& u) {
  const ZUG& z = *u.z;
  const bool voll = z.E && u.ende > 1;
  if (voll && SUCHE_SYMMETRIE && !GESPIELTE_CODES.empty() && RS.erl_n >= 16 &&
      ZAHL_DER_VERSUCHE <= (int64_t{1} << 23)) {
    SYMMETRIEN_SUCHEN(GESPIELTE_CODES.data(), static_cast<int>(GESPIELTE_CODES.size()), z.L,
                      SYMMETRIE_GRENZE, u.sym);
    if (u.sym.von.size() > 1) {
      u.symmetrie = true;
      if (!TAFEL_LEEREN(u.tafel, ZAHL_DER_VERSUCHE, UNTERBRECHUNG{HauptUnterbrechung, &u}))
        return false;
    }
  }
  if (voll && SUCHE_SCHRANKE &&
      !SCHRANKE_VORBEREITEN(u.schranke, RS, UNTERBRECHUNG{HauptUnterbrechung, &u}))
    return false;
  u.pro_block = 64;
  if (voll && SUCHFAEDEN_ZAHL > 1 && RS.erl_n >= SUCHFAEDEN_AB) {
    // A system out of threads gives fewer workers, or none: then the main
    // thread counts alone, looking at the keyboard as it goes.
    u.faeden = FAEDEN_STARTEN(u.f, SUCHFAEDEN_ZAHL, &RS);
    // About a millisecond of counting a block, so that the workers take
    // blocks often enough to stay busy and stop soon.
    if (u.faeden > 0)
      u.pro_block = static_cast<size_t>(std::clamp<int64_t>((int64_t{1} << 20) / RS.erl_n, 1, 256));
  }
  return true;
}

// Prepares the next block of slots. False when Esc was pressed meanwhile.
bool PlanMachen(SUCHE& u, bool& esc) {
  ZUG& z = *u.z;
  auto plan = std::make_unique<PLAN>();
  PLAN& p = *plan;
  constexpr size_t kHoechstensEintraege = 1 << 14;
  while (u.vor < u.ende && p.sb.wort.size() < u.pro_block &&
         p.platz.size() < kHoechstensEintraege) {
    int64_t platz = u.vor;
    // Representatives can lie far apart in a big chain: the keyboard is
    // looked at between slices of the walk to the next one.
    if (z.R && GENUGPLATZ) {
      const int64_t von = platz, grenze = std::min(u.ende, platz + 16 * kStreckeAbfrage);
      platz = NaechsteMarke(RS.marke, platz, grenze);
      if (platz == grenze) {
        u.vor = grenze;
        if (grenze == u.ende) break;
        if (HauptUnterbrechung(&u, grenze - von)) {
          esc = true;
          return false;
        }
        continue;
      }
    } else if (z.R && !Repraesentant(z.q, RS.kand[platz], z.L)) {
      ++u.vor;
      if (u.vor % kStreckeAbfrage == 0 && HauptUnterbrechung(&u, kStreckeAbfrage)) {
        esc = true;
        return false;
      }
      continue;
    }
    u.vor = platz + 1;
    const uint64_t g = z.E ? RS.kand[platz] : z.anfang;
    int32_t fuehrer = -1;
    if (u.symmetrie) {
      fuehrer = TAFEL_SUCHEN(u.tafel, g);
      if (fuehrer >= 0) {
        p.platz.push_back(platz);
        p.anfuehrer.push_back(fuehrer);
        p.eintrag.push_back(-1);
        continue;
      }
      // A new leader: its whole orbit follows it. Every element maps it once;
      // a large group is walked through its generators instead, which costs
      // the orbit's size (often far below the group's) times their number.
      fuehrer = static_cast<int32_t>(u.fuehrung.size());
      u.fuehrung.emplace_back();
      int64_t zahl = 0;
      auto bild = [&](int e, uint64_t w) {
        ++zahl;
        const uint64_t b = SYMMETRIE_ABBILDEN(u.sym, e, w);
        return z.R ? Vertreterform(z, b) : b;
      };
      if (static_cast<int64_t>(u.sym.von.size()) <= SYMMETRIE_LISTE_BIS) {
        for (int e = 0; e < static_cast<int>(u.sym.von.size()); ++e)
          TAFEL_EINTRAGEN(u.tafel, bild(e, g), fuehrer);
      } else {
        u.bahn.assign(1, g);
        TAFEL_EINTRAGEN(u.tafel, g, fuehrer);
        while (!u.bahn.empty()) {
          const uint64_t w = u.bahn.back();
          u.bahn.pop_back();
          for (int e : u.sym.erzeuger) {
            const uint64_t b = bild(e, w);
            if (TAFEL_SUCHEN(u.tafel, b) >= 0) continue;
            TAFEL_EINTRAGEN(u.tafel, b, fuehrer);
            u.bahn.push_back(b);
          }
        }
      }
      if (ABFRAGE_FAELLIG(u.abfrage, zahl)) {
        UHR_BEDIENEN();
        if (TASTEN_LESEN(z.E)) {
          esc = true;
          return false;
        }
      }
    }
    p.platz.push_back(platz);
    p.anfuehrer.push_back(fuehrer);
    p.eintrag.push_back(static_cast<int32_t>(p.sb.wort.size()));
    p.sb.wort.push_back(g);
    int32_t smax = 0;
    int64_t ssq = 0;
    if (u.schranke.aktiv) {
      const int64_t belegt = u.schranke.belegt;
      SCHRANKE_BERECHNEN(u.schranke, g, smax, ssq);
      // A bound not computed before walked every group.
      if (u.schranke.belegt != belegt && HauptUnterbrechung(&u, u.schranke.gruppen)) {
        esc = true;
        return false;
      }
    }
    p.sb.schranke_max.push_back(smax);
    p.sb.schranke_sq.push_back(ssq);
  }
  if (p.platz.empty()) return false;
  p.sb.erg.resize(p.sb.wort.size());
  p.sb.tabelle_nr.assign(p.sb.wort.size(), -1);
  if (u.faeden > 0 && !p.sb.wort.empty()) {
    BLOCK_GEBEN(u.f, &p.sb);
  } else {
    p.sb.fertig.store(true);  // nothing for a worker: evaluated when taken
  }
  u.plaene.push_back(std::move(plan));
  return true;
}

// The main thread's question between slices of a long count.
bool HauptUnterbrechung(void* kontext, int64_t arbeit) {
  SUCHE& u = *static_cast<SUCHE*>(kontext);
  if (!ABFRAGE_FAELLIG(u.abfrage, arbeit)) return false;
  UHR_BEDIENEN();
  return TASTEN_LESEN(u.z->E);
}

enum class SUCHENDE { FERTIG, ESC };

// C. Examines the candidates in chain order and keeps the best: smallest
// worst class, then smallest sum of squares, then most classes, then one that
// may be the code itself; equal candidates are drawn uniformly.
SUCHENDE Suchen(ZUG& z) {
  // Only the opening guess is counted against open codes: the search's
  // workers read the written array.
  assert(!z.E || !RS.offen);
  int32_t best_max = INT32_MAX;
  int64_t best_sq = OBERGRENZE;
  int best_cls = 0;
  bool best_ex = false;
  uint32_t k = 2;
  z.best_platz = -1;
  z.best_wort = z.E && RS.kand_n > 0 ? RS.kand[0] : z.anfang;
  alignas(64) int32_t tab[kKlassen] = {};  // rows above L stay 0
  ZAHL_DER_STERNE = 0;
  GERATENE_VERSUCHE = 0;
  SPIELZEIT = RESTZEIT = 0;
  ZEIT_GERATEN_KL100 = true;
  SETZE_RATE_ZEIT_AKT = SETZEZEITLETZTERVERSUCH = true;
  RATEN_ZEITANZEIGE = z.E;
  int64_t naechster_stern = ZAHL_DER_VERSUCHE > 0 ? (ZAHL_DER_VERSUCHE + 9) / 10 : 1;

  SUCHE u;
  u.z = &z;
  u.ende = z.E ? RS.kand_n : 1;
  if (!SucheEinrichten(u)) return SUCHENDE::ESC;
  // Stops the workers on every way out of the search.
  struct ENDE {
    SUCHE& u;
    ~ENDE() {
      if (u.faeden > 0) FAEDEN_BEENDEN(u.f);
    }
  } ende_{u};
  const size_t voraus = u.faeden > 0 ? static_cast<size_t>(2 * u.faeden + 2) : 1;
  const UNTERBRECHUNG haupt{HauptUnterbrechung, &u};
  bool esc = false;
  z.letzter_platz = -1;
  z.geschnitten = false;

  for (;;) {
    // 1. Blocks enough ahead for the workers; the next one in chain order.
    while (u.plaene.size() < voraus && u.vor < u.ende && PlanMachen(u, esc)) {
    }
    if (esc) return SUCHENDE::ESC;
    if (u.plaene.empty()) break;
    PLAN& p = *u.plaene.front();
    for (size_t j = 0; j < p.platz.size(); ++j) {
      // 2. The candidate's result: its leader's, its block's, or counted now.
      BEWERTUNG b;
      const int32_t* btab = nullptr;
      const int32_t fuehrer = p.anfuehrer[j];
      if (p.eintrag[j] < 0) {
        const FUEHRUNG& f = u.fuehrung[static_cast<size_t>(fuehrer)];
        b = f.b;
        b.vergleiche = 0;
        if (!b.verloren) btab = &u.volle[static_cast<size_t>(f.tabelle) * kKlassen];
      } else {
        const size_t i = static_cast<size_t>(p.eintrag[j]);
        if (u.faeden > 0) {
          while (!BLOCK_ABWARTEN(u.f, p.sb, 1)) {
            if (HauptUnterbrechung(&u, ABFRAGE_VERGLEICHE)) return SUCHENDE::ESC;
          }
        } else {
          BLOCKEINTRAG_BEWERTEN(RS, p.sb, i, best_max, best_sq, tab, HAUPTPLATZ, haupt);
          if (p.sb.erg[i].abbruch) return SUCHENDE::ESC;
        }
        b = p.sb.erg[i];
        if (!b.verloren) btab = &p.sb.tabellen[static_cast<size_t>(p.sb.tabelle_nr[i]) * kKlassen];
        if (fuehrer >= 0) {
          FUEHRUNG& f = u.fuehrung[static_cast<size_t>(fuehrer)];
          f.b = b;
          if (!b.verloren) {
            f.tabelle = static_cast<int32_t>(u.volle.size() / kKlassen);
            u.volle.insert(u.volle.end(), btab, btab + kKlassen);
            btab = &u.volle[static_cast<size_t>(f.tabelle) * kKlassen];
          }
        }
      }
      VERGLEICHE_GESAMT += b.vergleiche;
      // A result measured against an older best, or taken over from a leader,
      // is measured again against the best now.
      if (!b.verloren && SCHRANKE_VERLIERT(b.max, b.sq, best_max, best_sq)) b.verloren = true;
      const int64_t platz = p.platz[j];
      const uint64_t g = z.E ? RS.kand[platz] : z.anfang;
      z.letzter_platz = platz;

      // 3. Tie or better: the new best.
      if (!b.verloren) {
        bool gewinnt = false, gleich = false;
        if (b.max == best_max && b.sq == best_sq && b.cls == best_cls && b.ex == best_ex) {
          gleich = true;
          gewinnt = term::Random(k) == 0;
          ++k;
        }
        const bool besser =
            b.max < best_max || (b.max == best_max && b.sq < best_sq) ||
            (b.max == best_max && b.sq == best_sq && b.cls > best_cls) ||
            (b.max == best_max && b.sq == best_sq && b.cls == best_cls && b.ex && !best_ex);
        if (gewinnt || besser) {
          NEUER_KANDIDAT = true;
          if (!gleich) k = 2;
          std::memcpy(z.best_tab, btab, sizeof z.best_tab);
          best_max = b.max;
          best_sq = b.sq;
          best_cls = b.cls;
          best_ex = b.ex;
          z.best_platz = z.E ? platz : -1;
          z.best_wort = g;
          WORT_ZEICHEN(g, z.L, AKTUELL_ZEICHEN);
          if (u.faeden > 0) BESTEN_MELDEN(u.f, best_max, best_sq);
        }
      }

      // 4. Progress, clock and keyboard.
      ++GERATENE_VERSUCHE;
      ++KANDIDATEN_GESAMT;
      if (GERATENE_VERSUCHE >= naechster_stern) {
        const int32_t zv = std::max<int32_t>(1, ZAHL_DER_VERSUCHE);
        STERNE_ZEIGEN(int64_t{GERATENE_VERSUCHE} * 10 / zv, WX, WY);
        naechster_stern = (int64_t{ZAHL_DER_STERNE + 1} * zv + 9) / 10;
      }
      if (ABFRAGE_FAELLIG(u.abfrage, RS.erl_n + 32)) {
        UHR_BEDIENEN();
        if (TASTEN_LESEN(z.E)) return SUCHENDE::ESC;
      }

      // 5. The user's cut: only once the search has run a while and would run on.
      if (F6_GEDR && GERATENE_VERSUCHE > NUMMER_PLUS && SPIELZEIT > 500 &&
          (RESTZEIT > 500 || RESTZEIT < 0) &&
          (int64_t{SPIELZEIT} + RESTZEIT > 1300 || int64_t{SPIELZEIT} + RESTZEIT < 0 ||
           RESTZEIT < 0)) {
        Unterbrechung();
        z.geschnitten = true;
        return SUCHENDE::FERTIG;
      }
      // 6. The time limit.
      if (ZEITLIMIT_GR_0 && SPIELZEIT >= ZEITLIMIT && GERATENE_VERSUCHE > NUMMER_PLUS) {
        ZeitgrenzeMelden();
        z.geschnitten = true;
        return SUCHENDE::FERTIG;
      }
    }
    u.plaene.pop_front();
  }
  if (z.letzter_platz < 0 && z.E) {
    // Nothing was examined (cannot happen with a consistent store): play the
    // first possible code rather than nothing.
    z.best_wort = RS.erl_n > 0 ? RS.erl[0] : RS.kand[0];
    z.best_platz = -1;
    KANDIDAT_BEWERTEN(RS, z.best_wort, z.best_tab, HAUPTPLATZ, INT32_MAX, OBERGRENZE,
                      UNTERBRECHUNG{});
  }
  return SUCHENDE::FERTIG;
}

// ---- Step D: after the search ---------------------------------------------------

// The candidates a cut search did not reach come first next time; the guess
// goes on the board. False when Esc broke off the turn of the chain.
bool NachDerSuche(ZUG& z, CODE& code) {
  if (z.geschnitten && z.E && RS.kand_n > 2 && z.letzter_platz + 1 < RS.kand_n) {
    const int64_t vorn = z.letzter_platz + 1;
    // The rotation as three reversals, which can stop between slices: on a
    // big chain one pass takes a good part of a second.
    ABFRAGE abfrage;
    if (!Umkehren(RS.kand, vorn, abfrage) || !Umkehren(RS.kand + vorn, RS.kand_n - vorn, abfrage) ||
        !Umkehren(RS.kand, RS.kand_n, abfrage))
      return false;
    if (z.best_platz >= 0)
      z.best_platz = z.best_platz >= vorn ? z.best_platz - vorn : z.best_platz + (RS.kand_n - vorn);
  }
  RATEN_ZEITANZEIGE = false;
  CodeSetzen(z.best_wort, code);
  term::GotoXY(WX, WY);
  ZeichenSchreiben(z.best_wort);
  term::GotoXY(35, 25);
  term::Write(SP_D ? "00.00.00 .......... benötigte Zeit:  00.00.00"_cp
                   : std::string_view("00.00.00 .......... time yet needed: 00.00.00"));
  WX = static_cast<uint8_t>(WX + 6 + z.L / 2);
  RATENDRAN = false;
  return true;
}

// ---- Step E: the answer -----------------------------------------------------------

enum class ANTWORT { DA, ESC };

// A human encoder types it (only answers some possible code gives are taken);
// the computer as encoder scores the guess, or picks the largest class for a
// variable code.
ANTWORT Antworten(const ZUG& z, const CODE& code, uint8_t& P, uint8_t& S) {
  const int L = z.L;
  KLASSENTABELLE klassen;
  Tabelle(z.best_tab, klassen);
  if (!X.PC_STELLT) {
    X3I = WX;
    X4I = static_cast<uint8_t>(WX + 2);
    char t = 0;
    LESE_ANTWORT(klassen, P, S, t);
    if (t == kEsc || t == 3) return ANTWORT::ESC;
  } else {
    if (X.FEST) {
      BEWERTE(code, LOESUNG, L, P, S);
    } else if (RS.erl_n == 1) {
      CODE c;
      CodeSetzen(RS.erl[0], c);
      BEWERTE(code, c, L, P, S);
    } else {
      int32_t groesste = -1;
      for (int i = 1; i <= ZAHL_DER_GRUPPEN; ++i) {
        const int32_t c = klassen[ZEI_ORD[i]][POS_ORD[i]];
        if (c > groesste) {
          groesste = c;
          P = POS_ORD[i];
          S = static_cast<uint8_t>(ZEI_ORD[i] - POS_ORD[i]);
        }
      }
    }
    term::GotoXY(WX, WY);
    term::WriteInt(P);
    term::GotoXY(WX + 2, WY);
    term::WriteInt(S);
    if (P == L) SIGNALTON();
  }
  RATENDRAN = true;
  if (P > 0 || S > 0) AEQUI_KLASSE = false;
  return ANTWORT::DA;
}

// ---- Step F: narrowing by the answer ---------------------------------------------

enum class EINGRENZUNG { WEITER, ESC };

EINGRENZUNG Eingrenzen(const ZUG& z, const CODE& code, uint8_t P, uint8_t S) {
  const int L = z.L;
  const int n = z.n;
  std::vector<uint8_t> liste;  // signs excluded by this answer
  uint8_t gz[10];
  WORT_ZEICHEN(z.best_wort, L, gz);
  const uint64_t gmenge = WORT_ZEICHENMENGE(z.best_wort, L);
  bool fertig = false;
  ABFRAGE abfrage;
  // 1.-4. The possible codes keep those that answer the guess as it was answered.
  if (P == L) {
    LOESUNG = code;
    fertig = true;
  } else {
    GESPIELTE_CODES.push_back(z.best_wort);
    if (P == 0 && S == 0) {
      for (int s = n; s >= 1; --s) {
        if (!ERL_FARBE[s]) continue;
        if (gmenge >> s & 1) {
          ERL_FARBE[s] = 0;
          liste.push_back(static_cast<uint8_t>(s));
        } else {
          ++ZAEHLE_VORH_FARBE;
        }
      }
      if (!liste.empty()) FEHLZEICHEN = liste.back();
      uint64_t maske = 0;
      for (uint8_t s : liste) maske |= uint64_t{1} << s;
      if (!MoeglicheOhne(maske, z.best_tab[0], abfrage)) return EINGRENZUNG::ESC;
    } else if (!MoeglicheEingrenzen(z.best_wort, (P + S) << 4 | P, abfrage)) {
      return EINGRENZUNG::ESC;
    }
    if (RS.erl_n == 1 || RS.erl_n == 2) {
      if (!MOEGLICHE_SCHREIBEN(0, -1, UNTERBRECHUNG{NachsehenFrage, &abfrage}))
        return EINGRENZUNG::ESC;
      AEQUI_KLASSE = false;
      const int stride = 1 + RS.worte;
      RS.kand[0] = RS.erl[0];
      if (RS.erl_n == 2) RS.kand[1] = RS.erl[stride];
      RS.kand_n = RS.erl_n;
      ZAHLGESAMTVERSUCHE = static_cast<int32_t>(RS.erl_n);
      fertig = true;
    }
  }
  if (!fertig) {
    // 5. The signs still present; those that are not leave the allowed ones.
    if (TASTEN_LESEN(false)) return EINGRENZUNG::ESC;
    if (!(P == 0 && S == 0) && !KENNEALLEFARBEN) {
      std::memset(VORH_FARBE, 0, sizeof VORH_FARBE);
      ZAEHLE_VORH_FARBE = 0;
      if (P + S == L) {
        KENNEALLEFARBEN = true;
        for (int s = 1; s <= n; ++s) VORH_FARBE[s] = (gmenge >> s & 1) != 0;
      } else {
        uint64_t vorh = 0;
        const int stride = 1 + RS.worte;
        for (int64_t von = 0; von < RS.erl_n; von += kStreckeAbfrage) {
          const int64_t bis = std::min(RS.erl_n, von + kStreckeAbfrage);
          for (int64_t j = von; j < bis; ++j) vorh |= WORT_ZEICHENMENGE(RS.erl[j * stride], L);
          if (Nachsehen(abfrage, bis - von)) return EINGRENZUNG::ESC;
        }
        for (int s = 1; s <= n; ++s) VORH_FARBE[s] = (vorh >> s & 1) != 0;
      }
      int erlaubt = 0;
      for (int s = 1; s <= n; ++s) {
        ZAEHLE_VORH_FARBE = static_cast<uint8_t>(ZAEHLE_VORH_FARBE + VORH_FARBE[s]);
        erlaubt += ERL_FARBE[s];
      }
      if (ZAEHLE_VORH_FARBE < erlaubt) {
        for (int s = n; s >= 1; --s) {
          if (ERL_FARBE[s] && !VORH_FARBE[s]) {
            ERL_FARBE[s] = 0;
            liste.push_back(static_cast<uint8_t>(s));
          }
        }
      }
    }
    // 6. Fillers: with few signs left, one excluded sign stays playable so that
    // guesses can park positions on it; the vacant sign gives way first.
    int erlaubt = 0;
    for (int s = 1; s <= n; ++s) erlaubt += ERL_FARBE[s];
    if (!liste.empty() && erlaubt < 3 && L > 3 && !ALLE_F_LOESCHEN) {
      ALLE_F_LOESCHEN = true;
      liste.pop_back();
    }
    if (!liste.empty() && FEHLZ_BENUTZT) {
      liste.back() = 0;
      FEHLZ_BENUTZT = false;
    }
    // 7. The played guess and the candidates with excluded signs leave the chain.
    if (!KandidatenStreichen(liste, z.E ? z.best_platz : -1, abfrage)) return EINGRENZUNG::ESC;
  }
  // 8. What the next turn starts from.
  if (AEQUI_KLASSE) ANFANG_NEU();
  if (ZAEHLE_VORH_FARBE == L && !X.WDHG) KENNEALLEFARBEN = true;
  for (int i = 1; i <= L; ++i) GESPIELT[gz[i]] = true;
  return EINGRENZUNG::WEITER;
}

}  // namespace

int SUCHFAEDEN_MASCHINE() {
  return std::clamp(KERNE(), 1, 8);
}

void RATE_CODE(CODE& code, uint8_t& P, uint8_t& S, char& taste) {
  assert(X.LAENGE >= 2 && X.LAENGE <= 9 && RS.laenge == X.LAENGE);
  assert(RS.kand_n == ZAHLGESAMTVERSUCHE);
  ZUG z;
  // A. Start of the turn.
  const BEGINN beginn = ZugBeginnen(z, code, P, S);
  if (beginn == BEGINN::ESC) {
    Abbruch(taste);
    return;
  }
  if (beginn == BEGINN::GELOEST) return;
  // B. Equivalence reduction over the signs no guess has used.
  if (!AequivalenzBilden(z)) {
    Abbruch(taste);
    return;
  }
  // C. Search.
  if (Suchen(z) == SUCHENDE::ESC) {
    Abbruch(taste);
    return;
  }
  // D. After the search.
  if (!NachDerSuche(z, code)) {
    Abbruch(taste);
    return;
  }
  // E. Answer.
  if (Antworten(z, code, P, S) == ANTWORT::ESC) {
    taste = kEsc;
    RATENDRAN = true;
    ALLES_FREIGEBEN();
    ZEITEIN = false;
    return;
  }
  // F. Narrowing.
  if (Eingrenzen(z, code, P, S) == EINGRENZUNG::ESC) {
    Abbruch(taste);
    return;
  }
  if (P == z.L) {
    ALLES_FREIGEBEN();
    ZEITEIN = false;
  }
}

}  // namespace mtspiel

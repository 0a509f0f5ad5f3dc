// The variable answer code: the set of secret codes still possible, built at game
// start and narrowed by every answer, and the answering step for a human's guess.
#include "engine/variable_code.h"

#include <bit>
#include <string_view>

#include "clock/game_clock.h"
#include "engine/engine_state.h"
#include "engine/memory_budget.h"
#include "engine/variable_code_store.h"
#include "game/input.h"
#include "game/signs.h"
#include "game/trial_record.h"
#include "screen/cp850.h"
#include "screen/terminal.h"

namespace mtspiel {
namespace {

constexpr char kEsc = 27;
// Codes between two looks at the keyboard: a poll costs a system call, a code a
// few nanoseconds, so this keeps Esc answered within well under a millisecond.
constexpr int kTastenAbstand = 4096;
// Codes between two clock redraws while the set is built.
constexpr int kUhrAbstand = 256;
// Codes between two clock redraws and polls while the set is partitioned.
constexpr int kAntwortAbstand = 65536;

// Reads every waiting key; true when one of them was Esc or Ctrl-C. Extended keys
// are read in full and, like every other key, ignored.
bool ABBRUCH_GEDRUECKT() {
  bool abbruch = false;
  while (term::KeyPressed()) {
    const char c = term::ReadKeyWhole();
    if (c == kEsc || c == term::KEY_CTRL_C) abbruch = true;
  }
  return abbruch;
}

// The number of codes of length l over n signs, with or without repetitions.
uint64_t ANZAHL_CODES(int n, int l, bool wdhg) {
  if (!wdhg && l > n) return 0;
  uint64_t a = 1;
  for (int i = 0; i < l; ++i) a *= static_cast<uint64_t>(wdhg ? n : n - i);
  return a;
}

// Status line of a human guessing; 79 cells in both languages.
constexpr std::string_view kFussEnglisch =
    "Answer:                       Trials made:                 New Game? Yes.      ";
constexpr std::string_view kFussDeutsch =
    "Lösung:                 Benötigte Versuche:             Neues Spiel? Ja.       "_cp;
static_assert(kFussEnglisch.size() == 79 && kFussDeutsch.size() == 79);

void FUSSZEILE() {
  const int x = term::WhereX(), y = term::WhereY();
  term::GotoXY(1, 25);
  term::Write(SP_D ? kFussDeutsch : kFussEnglisch);
  term::GotoXY(x, y);
}

// Tells the clock how far the set-up is and lets it redraw.
void UHR(uint64_t fertig) {
  GERATENE_VERSUCHE = static_cast<int32_t>(fertig);
  SETZEZEITLETZTERVERSUCH = true;
  SCHREIBE_ZEIT_FPC();
}

// The first code on or after the one the odometer holds: all L digits 1..n with
// the last turning fastest (with repetitions), or the next arrangement of L
// different signs in lexicographic order (without). Returns false after the last.
bool NAECHSTER_MIT_WDHG(uint8_t* d, int l, int n) {
  int i = l;
  while (i >= 1 && d[i] == n) d[i--] = 1;
  if (i == 0) return false;
  ++d[i];
  return true;
}

bool NAECHSTER_OHNE_WDHG(uint8_t* d, int l, int n, uint64_t& belegt) {
  const uint64_t alle = ((uint64_t{1} << n) - 1) << 1;  // bits 1..n
  for (int i = l; i >= 1; --i) {
    belegt &= ~(uint64_t{1} << d[i]);
    // Free signs above the one in place i.
    const uint64_t frei = alle & ~belegt & ~((uint64_t{2} << d[i]) - 1);
    if (frei == 0) continue;
    d[i] = static_cast<uint8_t>(std::countr_zero(frei));
    belegt |= uint64_t{1} << d[i];
    // The places after i take the smallest free signs in rising order.
    uint64_t frei_danach = alle & ~belegt;
    for (int j = i + 1; j <= l; ++j) {
      d[j] = static_cast<uint8_t>(std::countr_zero(frei_danach));
      belegt |= frei_danach & (~frei_danach + 1);  // the sign just placed
      frei_danach &= frei_danach - 1;
    }
    return true;
  }
  return false;
}

// The guess as the partition needs it.
struct RATE {
  uint8_t z[10];       // sign numbers at positions 1..L (0 = vacant)
  uint8_t anzahl[37];  // occurrences of each still-possible sign
  uint64_t maske;      // the still-possible signs it holds
};

// Signs in common between code c and the guess (only still-possible signs count).
inline int GEMEINSAM(const LISTE_O_F& c, const RATE& g, int l) {
  if (CODES_OHNE_WDHG) return std::popcount(c.MASKE & g.maske);
  uint8_t gesehen[37];
  int t = 0;
  for (int i = 1; i <= l; ++i) gesehen[c.INHALT[i]] = 0;
  for (int i = 1; i <= l; ++i) {
    const uint8_t z = c.INHALT[i];
    if (gesehen[z] < g.anzahl[z]) {
      ++gesehen[z];
      ++t;
    }
  }
  return t;
}

// Partitions the set by the answer each code gives to g, storing the packed
// answer in each record. The length is a template argument so that the position
// compare unrolls. False when the user broke off.
template <int L>
bool TEILEN(const RATE& g, bool kenne, KLASSENTABELLE& k) {
  int fest_t = 0;
  if (kenne && ERL != nullptr) fest_t = GEMEINSAM(*ERL, g, L);
  int bis_uhr = kAntwortAbstand;
  for (PTR_O_F c = ERL; c != nullptr; c = c->ERL_NAECHSTER) {
    const int t = kenne ? fest_t : GEMEINSAM(*c, g, L);
    int p = 0;
    if (t > 0)
      for (int i = 1; i <= L; ++i) p += c->INHALT[i] == g.z[i];
    c->ANTWORT = static_cast<uint8_t>(kenne ? p : t * 16 + p);
    ++k[t][p];
    if (--bis_uhr == 0) {
      bis_uhr = kAntwortAbstand;
      SCHREIBE_ZEIT_FPC();
      if (ABBRUCH_GEDRUECKT()) return false;
    }
  }
  return true;
}

bool TEILEN(int l, const RATE& g, bool kenne, KLASSENTABELLE& k) {
  switch (l) {
    case 1:
      return TEILEN<1>(g, kenne, k);
    case 2:
      return TEILEN<2>(g, kenne, k);
    case 3:
      return TEILEN<3>(g, kenne, k);
    case 4:
      return TEILEN<4>(g, kenne, k);
    case 5:
      return TEILEN<5>(g, kenne, k);
    case 6:
      return TEILEN<6>(g, kenne, k);
    case 7:
      return TEILEN<7>(g, kenne, k);
    case 8:
      return TEILEN<8>(g, kenne, k);
    default:
      return TEILEN<9>(g, kenne, k);
  }
}

// Keeps exactly the codes whose stored answer is the chosen one. False when
// the user broke off (the chain is then half relinked and must be freed).
bool EINENGEN(uint8_t antwort) {
  int64_t bleiben = 0;
  int bis_tasten = kAntwortAbstand;
  PTR_O_F* ende = &ERL;
  for (PTR_O_F c = ERL; c != nullptr; c = c->ERL_NAECHSTER) {
    if (--bis_tasten == 0) {
      bis_tasten = kAntwortAbstand;
      SCHREIBE_ZEIT_FPC();
      if (ABBRUCH_GEDRUECKT()) return false;
    }
    if (c->ANTWORT != antwort) continue;
    *ende = c;
    ende = &c->ERL_NAECHSTER;
    ++bleiben;
  }
  *ende = nullptr;
  ZAHL_MOEGLICHE = bleiben;
  return true;
}

void LOESUNG_SETZEN(const uint8_t* z, int l) {
  for (int i = 1; i <= 9; ++i) LOESUNG[i] = i <= l ? FARBARRAY[z[i]] : ' ';
  LOESUNGSFARBEN_ZAEHLEN();
}

void ANTWORT_SCHREIBEN(uint8_t p, uint8_t s) {
  term::GotoXY(X3I, K);
  term::WriteInt(p);
  term::GotoXY(X4I, K);
  term::WriteInt(s);
  term::GotoXY(X4I, K);
}

void KOPIEREN(const CODE& g, CODE& versuch) {
  CODE kopie = g;  // versuch may be a slot of V30 that g was compared with
  versuch = kopie;
}

// The user broke off while the set was in use.
void ABBRECHEN(char& taste) {
  LISTEN_FREIGEBEN(true);
  taste = kEsc;
  ZEITEIN = false;
}

}  // namespace

void INIT_NICHT_FEST(bool& ok) {
  ok = true;
  const int l = X.LAENGE;
  const int n = MAXFARBE;
  const bool wdhg = X.WDHG;
  CODES_FREIGEBEN();  // a set left over from an earlier game would only leak
  ERL_FARBE[0] = 0;
  for (int s = 1; s <= 36; ++s) ERL_FARBE[s] = s <= n ? 1 : 0;
  CODES_OHNE_WDHG = !wdhg;

  const uint64_t anzahl = ANZAHL_CODES(n, l, wdhg);
  const int32_t anzahl32 = anzahl > INT32_MAX ? INT32_MAX : static_cast<int32_t>(anzahl);
  ZAHL_DER_STERNE = 0;
  GERATENE_VERSUCHE = 0;
  ZAHLGESAMTVERSUCHE = ZAHL_DER_VERSUCHE = NUMMER_PLUS = anzahl32;
  ZEITLIMIT_GR_0 = false;
  NEUER_KANDIDAT = false;
  NOTINVERS = false;
  RATEN_ZEITANZEIGE = true;
  SETZE_RATE_ZEIT_AKT = true;
  SETZEZEITLETZTERVERSUCH = true;
  ZEIT_GERATEN_KL100 = true;

  const int merke_x = term::WhereX(), merke_y = term::WhereY();
  bool abbruch = anzahl == 0 || l < 1 || l > 9 || n < 1 || n > 36;
  if (!abbruch) {
    uint8_t d[10] = {};
    uint64_t belegt = 0;
    for (int i = 1; i <= l; ++i) {
      d[i] = static_cast<uint8_t>(wdhg ? 1 : i);
      belegt |= uint64_t{1} << d[i];
    }
    // The next star is due once this many codes are done.
    int32_t stern = 0;
    uint64_t naechster_stern = (anzahl + 9) / 10;
    uint64_t fertig = 0;
    int bis_uhr = 1, bis_tasten = kTastenAbstand;
    PTR_O_F* ende = &ERL;
    do {
      if (--bis_uhr == 0) {
        bis_uhr = kUhrAbstand;
        UHR(fertig);
      }
      if (--bis_tasten == 0) {
        bis_tasten = kTastenAbstand;
        if (ABBRUCH_GEDRUECKT()) {
          abbruch = true;
          break;
        }
      }
      PTR_O_F c = CODE_SATZ(anzahl - fertig);
      if (c == nullptr) {
        abbruch = true;
        break;
      }
      uint64_t maske = 0;
      for (int i = 1; i <= 9; ++i) c->INHALT[i] = i <= l ? d[i] : 0;
      for (int i = 1; i <= l; ++i) maske |= uint64_t{1} << d[i];
      c->INHALT[0] = 0;
      c->MASKE = maske;
      c->ANTWORT = 0;
      *ende = c;
      ende = &c->ERL_NAECHSTER;
      ++fertig;
      if (fertig >= naechster_stern) {
        while (stern < 10 && fertig >= naechster_stern) {
          ++stern;
          naechster_stern = (anzahl * (stern + 1) + 9) / 10;
        }
        STERNE_ZEIGEN(stern, merke_x, merke_y);
      }
    } while (wdhg ? NAECHSTER_MIT_WDHG(d, l, n) : NAECHSTER_OHNE_WDHG(d, l, n, belegt));
    *ende = nullptr;
    if (!abbruch) {
      ZAHL_MOEGLICHE = static_cast<int64_t>(fertig);
      UHR(fertig);
    }
  }
  if (abbruch) {
    A = kEsc;
    LISTEN_FREIGEBEN(true);
    ok = false;
    ZEITEIN = false;
  }
  RATEN_ZEITANZEIGE = false;
  NOTINVERS = true;
  FUSSZEILE();
}

void ANTWORT_NICHT_FEST(const CODE& g, CODE& versuch, uint8_t& p, uint8_t& s, char& taste) {
  const int l = X.LAENGE;
  RATE r{};
  bool moeglich = false;
  for (int i = 1; i <= l; ++i) {
    const uint8_t z = (g[i] == '*' || g[i] == ' ') ? 0 : NR(g[i]);
    r.z[i] = z <= 36 ? z : 0;
    if (r.z[i] != 0 && ERL_FARBE[r.z[i]]) {
      ++r.anzahl[r.z[i]];
      r.maske |= uint64_t{1} << r.z[i];
      moeglich = true;
    }
  }
  // Nothing of the guess can be in the code: every code answers (0, 0).
  if (!moeglich) {
    KOPIEREN(g, versuch);
    p = s = 0;
    ANTWORT_SCHREIBEN(0, 0);
    return;
  }
  // A guess made before gets the same answer again.
  const int frueher = NUMMER - 1 < 30 ? NUMMER - 1 : 30;
  for (int platz = 1; platz <= frueher; ++platz) {
    const VERSUCH& v = V30[platz];
    bool gleich = true;
    for (int i = 1; i <= l && gleich; ++i) gleich = v.KOMBINATION[i] == g[i];
    if (!gleich) continue;
    const uint8_t vp = v.P, vs = v.S;
    KOPIEREN(g, versuch);
    p = vp;
    s = vs;
    ANTWORT_SCHREIBEN(p, s);
    return;
  }

  const bool kenne = KENNEALLEFARBEN;
  KLASSENTABELLE k = {};
  if (!TEILEN(l, r, kenne, k)) {
    ABBRECHEN(taste);
    return;
  }
  uint8_t ap = 0, as = 0;
  if (X.PC_STELLT) {
    uint8_t t = 0;
    REIHENFOLGE();
    GROESSTE_KLASSE(k, ap, t);
    as = static_cast<uint8_t>(t - ap);
  } else {
    char t = taste;
    LESE_ANTWORT(k, ap, as, t);
    if (t == kEsc) {
      ABBRECHEN(taste);
      return;
    }
  }
  KOPIEREN(g, versuch);
  p = ap;
  s = as;
  if (ap == l) {
    LOESUNG_SETZEN(r.z, l);
    ANTWORT_SCHREIBEN(p, s);
    LISTEN_FREIGEBEN(true);
    ZEITEIN = false;
    return;
  }
  if (ABBRUCH_GEDRUECKT()) {
    ABBRECHEN(taste);
    return;
  }
  const int total = ap + as;
  if (!EINENGEN(static_cast<uint8_t>(kenne ? ap : total * 16 + ap))) {
    ABBRECHEN(taste);
    return;
  }
  if (ZAHL_MOEGLICHE == 1) LOESUNG_SETZEN(ERL->INHALT, l);

  // What the answer tells about the signs of the code.
  if (!kenne) {
    if (total == l) {
      KENNEALLEFARBEN = true;
      for (int z = 1; z <= 36; ++z) ERL_FARBE[z] = r.anzahl[z] > 0 ? 1 : 0;
    } else if (total == 0) {
      for (int i = 1; i <= l; ++i) ERL_FARBE[r.z[i]] = 0;
      if (!X.WDHG) {
        int zahl = 0;
        for (int z = 1; z <= MAXFARBE; ++z) zahl += ERL_FARBE[z];
        ZAEHLE_VORH_FARBE = static_cast<uint8_t>(zahl);
        if (zahl <= l) KENNEALLEFARBEN = true;
      }
    }
  }
  ANTWORT_SCHREIBEN(p, s);
}

}  // namespace mtspiel

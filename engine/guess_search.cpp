// One turn of the computer as codebreaker: the choice of a guess by a one-step
// look-ahead (smallest worst answer class, then smallest sum of squares, then
// most classes, then a guess that may itself be the code), the answer, and the
// narrowing of the store by it.
#include <algorithm>
#include <cstring>
#include <vector>

#include "clock/game_clock.h"
#include "engine/engine_state.h"
#include "engine/guess_kernel.h"
#include "engine/guess_store.h"
#include "engine/guessing.h"
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

void Ton() {
  if (!X.TON) return;
  term::Sound(440);
  term::Delay(500);
  term::NoSound();
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

struct VERTRETER {
  int64_t zahl = 0;     // representatives in the chain
  int64_t erster = -1;  // slot of the first
  int64_t y = -1;       // slot of y when it is a representative
};

// Marks the representatives among all candidates (when marke is given) and
// finds y among them. Every candidate passes here once per turn, so the length
// is fixed at compile time and the loop holds no shift by a variable amount.
template <int L>
VERTRETER VertreterLang(const AEQUIVALENZ& q, const uint64_t* kand, int64_t n, uint8_t* marke,
                        uint64_t y, bool y_suchen) {
  VERTRETER v;
  for (int64_t i = 0; i < n; ++i) {
    const bool rep = Repraesentant(q, kand[i], L);
    if (marke) marke[i] = rep;
    v.zahl += rep;
    if (__builtin_expect(v.erster < 0, 0) && rep) v.erster = i;
    // Codes are distinct, so y is found at most once.
    if (__builtin_expect(kand[i] == y, 0) && rep && y_suchen) v.y = i;
  }
  return v;
}

VERTRETER Vertreter(const AEQUIVALENZ& q, int laenge, uint64_t y, bool y_suchen) {
  using FN = VERTRETER (*)(const AEQUIVALENZ&, const uint64_t*, int64_t, uint8_t*, uint64_t, bool);
  static constexpr FN kNachLaenge[] = {
      nullptr,          nullptr,          VertreterLang<2>, VertreterLang<3>, VertreterLang<4>,
      VertreterLang<5>, VertreterLang<6>, VertreterLang<7>, VertreterLang<8>, VertreterLang<9>};
  return kNachLaenge[laenge](q, RS.kand, RS.kand_n, GENUGPLATZ ? RS.marke : nullptr, y, y_suchen);
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

struct BEWERTUNG {
  bool verloren = false;
  bool abbruch = false;  // Esc while counting
  int32_t max = 0;
  int64_t sq = 0;
  int cls = 0;
  bool ex = false;
};

// Counts the possible codes into the class table of candidate g and scores it,
// giving up as soon as g cannot beat the best (bestmax, bestsq).
BEWERTUNG Bewerten(uint64_t g, int32_t* tab, int32_t bestmax, int64_t bestsq, ABFRAGE& abfrage,
                   bool e) {
  BEWERTUNG b;
  // Only totals 0..L occur: the table is used up to row L.
  const int klassen = (RS.laenge + 1) << 4;
  // Only P <= total occurs: row t holds entries 0..t. Rows are cleared and
  // summed only that far.
  const int L = RS.laenge;
  for (int t = 0; t <= L; ++t) std::memset(tab + (t << 4), 0, sizeof(int32_t) * (t + 1));
  ZAEHLAUFTRAG a;
  a.erl = RS.erl;
  a.gwort = g;
  WORT_ZAEHLBITS(g, a.gbits);
  a.lanes = RS.lanes;
  a.tab = tab;
  a.klassen = klassen;
  a.platz = &HAUPTPLATZ;
  const int64_t n = RS.erl_n;
  const int64_t letzter = n - 1;
  bool fein = false;
  int64_t quadrat = 0;
  // Long runs are cut into slices so that Esc is seen even while one candidate
  // is counted against hundreds of millions of codes.
  constexpr int64_t kScheibe = 1 << 18;
  int64_t i = 0;
  while (i < n) {
    const int64_t bis = std::min(n, i + kScheibe);
    const int64_t start = i;
    while (i < bis) {
      if (!fein) {
        i = ZAEHLEN_BIS(a, RS.worte, i, bis, bestmax);
        if (i == bis) break;
        // A class reached the best's worst class (every other count is below
        // it, so the largest count is the threshold itself): decide by the sum
        // of squares.
        quadrat = 0;
        for (int t = 0; t <= L; ++t)
          for (int p = 0; p <= t; ++p) quadrat += int64_t{tab[t << 4 | p]} * tab[t << 4 | p];
        if (quadrat > bestsq || (quadrat == bestsq && i != letzter)) {
          VERGLEICHE_GESAMT += i + 1;
          b.verloren = true;
          return b;
        }
        fein = true;
        ++i;
      } else {
        i = ZAEHLEN_FEIN(a, RS.worte, i, bis, bestmax, bestsq, letzter, quadrat);
        if (i == bis) break;
        VERGLEICHE_GESAMT += i + 1;
        b.verloren = true;
        return b;
      }
    }
    if (bis < n && ABFRAGE_FAELLIG(abfrage, bis - start)) {
      UHR_BEDIENEN();
      if (TASTEN_LESEN(e)) {
        b.abbruch = true;
        return b;
      }
    }
  }
  VERGLEICHE_GESAMT += n;
  int32_t mx = 0;
  int64_t sq = 0;
  int cls = 0;
  for (int t = 0; t <= L; ++t) {
    for (int p = 0; p <= t; ++p) {
      const int32_t c = tab[t << 4 | p];
      if (c > mx) mx = c;
      sq += int64_t{c} * c;
      cls += c > 0;
    }
  }
  b.max = mx;
  b.sq = fein ? quadrat : sq;
  b.cls = cls;
  b.ex = tab[RS.laenge << 4 | RS.laenge] == 1;
  return b;
}

// Removes every candidate that holds a sign of the list (0 = vacant), and the
// one at slot weg (if >= 0); keeps the order.
void KandidatenStreichen(const std::vector<uint8_t>& liste, int64_t weg) {
  if (liste.empty()) {
    if (weg >= 0 && weg < RS.kand_n) {
      std::memmove(RS.kand + weg, RS.kand + weg + 1, sizeof(uint64_t) * (RS.kand_n - weg - 1));
      --RS.kand_n;
    }
    ZAHLGESAMTVERSUCHE = static_cast<int32_t>(RS.kand_n);
    return;
  }
  uint64_t eins = 0;
  for (int i = 0; i < RS.laenge; ++i) eins |= uint64_t{1} << (7 * i);
  int64_t k = 0;
  for (int64_t i = 0; i < RS.kand_n; ++i) {
    const uint64_t c = RS.kand[i];
    bool raus = i == weg;
    for (uint8_t s : liste) raus |= (((c ^ (eins * s)) + kLaneFill) & RS.lanes) != RS.lanes;
    // Written every time, kept by advancing: no branch on a random outcome.
    RS.kand[k] = c;
    k += !raus;
  }
  RS.kand_n = k;
  ZAHLGESAMTVERSUCHE = static_cast<int32_t>(k);
}

// Keeps the possible codes whose answer to g is the class klasse (total*16+P).
void MoeglicheEingrenzen(uint64_t g, int klasse) {
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
  }
  RS.erl_n = ziel;
}

// Keeps the possible codes that hold none of the signs in the mask.
void MoeglicheOhne(uint64_t maske) {
  const int stride = 1 + RS.worte;
  int64_t ziel = 0;
  for (int64_t j = 0; j < RS.erl_n; ++j) {
    if (WORT_ZEICHENMENGE(RS.erl[j * stride], RS.laenge) & maske) continue;
    if (ziel != j) std::memmove(RS.erl + ziel * stride, RS.erl + j * stride, 8 * stride);
    ++ziel;
  }
  RS.erl_n = ziel;
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

}  // namespace

void RATE_CODE(CODE& code, uint8_t& P, uint8_t& S, char& taste) {
  const int L = X.LAENGE;
  const int n = MAXFARBE;
  // A.
  F6_GEDR = false;
  RATENDRAN = true;
  bool R = ZAEHLE_VORH_FARBE > 2;
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
    P = static_cast<uint8_t>(L);
    WX = static_cast<uint8_t>(WX + 8 + L / 2);
    term::GotoXY(WX - 2, WY);
    term::WriteInt(L);
    term::GotoXY(WX, WY);
    term::Write('0');
    Ton();
    ALLES_FREIGEBEN();
    return;
  }
  if (ZAHLGESAMTVERSUCHE == 2 || RS.erl_n == 2) {
    AEQUI_KLASSE = false;
    R = false;
  }
  const bool E = !AEQUI_KLASSE;
  if (!E) {
    R = false;
    ZAHL_DER_VERSUCHE = 1;
  }
  const uint64_t anfang = CODEWORT(ANFANG, L);
  term::GotoXY(WX, WY);
  ZeichenSchreiben(E && RS.kand_n > 0 ? RS.kand[0] : anfang);
  term::GotoXY(WX, WY);

  // B. Equivalence reduction over the signs no guess has used.
  AEQUIVALENZ q;
  if (R) {
    uint8_t liste[37], w[37];
    int m = 0;
    for (int s = 1; s <= n; ++s)
      if (!GESPIELT[s]) liste[++m] = static_cast<uint8_t>(s);
    if (m < 2) {
      R = false;
    } else {
      uint8_t hilf = 0;
      PERMUTATION_ZIEHEN(w, liste, hilf, m);
      const int o = L < m ? m - L : 0;
      for (int j = 1; j <= o; ++j) q.rang[w[j]] = 255;
      for (int j = o + 1; j <= m; ++j) q.rang[w[j]] = static_cast<uint8_t>(j - o);
      uint64_t y = 0;
      if (L <= m) {
        y = CODEWORT(w + o, L);
        term::GotoXY(WX, WY);
        ZeichenSchreiben(y);
        term::GotoXY(WX, WY);
      }
      const VERTRETER v = Vertreter(q, L, y, L <= m);
      const int64_t zahl = v.zahl, y_platz = v.y, erster = v.erster;
      if (zahl == 0) {
        R = false;  // nothing to reduce to: search them all
      } else {
        ZAHL_DER_VERSUCHE = static_cast<int32_t>(zahl);
        if (y_platz > 0) {
          // y is examined first: it moves to the head of the chain.
          std::memmove(RS.kand + 1, RS.kand, sizeof(uint64_t) * y_platz);
          RS.kand[0] = y;
          if (GENUGPLATZ) {
            std::memmove(RS.marke + 1, RS.marke, y_platz);
            RS.marke[0] = 1;
          }
        } else if (L > m) {
          term::GotoXY(WX, WY);
          ZeichenSchreiben(RS.kand[erster]);
          term::GotoXY(WX, WY);
        }
        NUMMER_PLUS = std::min(NUMMER_PLUS, ZAHL_DER_VERSUCHE);
      }
    }
  }

  // C. Search.
  int32_t best_max = INT32_MAX;
  int64_t best_sq = OBERGRENZE;
  int best_cls = 0;
  bool best_ex = false;
  uint32_t k = 2;
  int64_t best_platz = -1;
  uint64_t best_wort = E && RS.kand_n > 0 ? RS.kand[0] : anfang;
  alignas(64) int32_t tab[kKlassen] = {};  // rows above L stay 0
  alignas(64) int32_t best_tab[kKlassen] = {};
  ZAHL_DER_STERNE = 0;
  GERATENE_VERSUCHE = 0;
  SPIELZEIT = RESTZEIT = 0;
  ZEIT_GERATEN_KL100 = true;
  SETZE_RATE_ZEIT_AKT = SETZEZEITLETZTERVERSUCH = true;
  RATEN_ZEITANZEIGE = E;
  ABFRAGE abfrage;
  int64_t naechster_stern = ZAHL_DER_VERSUCHE > 0 ? (ZAHL_DER_VERSUCHE + 9) / 10 : 1;
  const int64_t ende = E ? RS.kand_n : 1;
  int64_t letzter_platz = -1;
  bool geschnitten = false;
  for (int64_t platz = 0; platz < ende; ++platz) {
    if (R && GENUGPLATZ) {
      platz = NaechsteMarke(RS.marke, platz, ende);
      if (platz == ende) break;
    } else if (R && !Repraesentant(q, RS.kand[platz], L)) {
      continue;
    }
    const uint64_t g = E ? RS.kand[platz] : anfang;
    const BEWERTUNG b = Bewerten(g, tab, best_max, best_sq, abfrage, E);
    if (b.abbruch) {
      Abbruch(taste);
      return;
    }
    letzter_platz = platz;
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
        std::memcpy(best_tab, tab, sizeof tab);
        best_max = b.max;
        best_sq = b.sq;
        best_cls = b.cls;
        best_ex = b.ex;
        best_platz = E ? platz : -1;
        best_wort = g;
        WORT_ZEICHEN(g, L, AKTUELL_ZEICHEN);
      }
    }
    ++GERATENE_VERSUCHE;
    ++KANDIDATEN_GESAMT;
    if (GERATENE_VERSUCHE >= naechster_stern) {
      const int32_t zehntel = static_cast<int32_t>(int64_t{GERATENE_VERSUCHE} * 10 /
                                                   std::max<int32_t>(1, ZAHL_DER_VERSUCHE));
      STERNE_ZEIGEN(zehntel, WX, WY);
      naechster_stern =
          (int64_t{ZAHL_DER_STERNE + 1} * std::max<int32_t>(1, ZAHL_DER_VERSUCHE) + 9) / 10;
    }
    if (ABFRAGE_FAELLIG(abfrage, RS.erl_n + 32)) {
      UHR_BEDIENEN();
      if (TASTEN_LESEN(E)) {
        Abbruch(taste);
        return;
      }
    }
    // The user's cut: only once the search has run a while and would run on.
    if (F6_GEDR && GERATENE_VERSUCHE > NUMMER_PLUS && SPIELZEIT > 500 &&
        (RESTZEIT > 500 || RESTZEIT < 0) &&
        (int64_t{SPIELZEIT} + RESTZEIT > 1300 || int64_t{SPIELZEIT} + RESTZEIT < 0 ||
         RESTZEIT < 0)) {
      Unterbrechung();
      geschnitten = true;
      break;
    }
    if (ZEITLIMIT_GR_0 && SPIELZEIT >= ZEITLIMIT && GERATENE_VERSUCHE > NUMMER_PLUS) {
      ZeitgrenzeMelden();
      geschnitten = true;
      break;
    }
  }
  if (letzter_platz < 0 && E) {
    // Nothing was examined (cannot happen with a consistent store): play the
    // first possible code rather than nothing.
    best_wort = RS.erl_n > 0 ? RS.erl[0] : RS.kand[0];
    best_platz = -1;
    Bewerten(best_wort, best_tab, INT32_MAX, OBERGRENZE, abfrage, false);
  }

  // D. The candidates this search did not reach come first next time.
  if (geschnitten && E && RS.kand_n > 2 && letzter_platz + 1 < RS.kand_n) {
    const int64_t vorn = letzter_platz + 1;
    std::rotate(RS.kand, RS.kand + vorn, RS.kand + RS.kand_n);
    if (best_platz >= 0)
      best_platz = best_platz >= vorn ? best_platz - vorn : best_platz + (RS.kand_n - vorn);
  }
  RATEN_ZEITANZEIGE = false;
  CodeSetzen(best_wort, code);
  term::GotoXY(WX, WY);
  ZeichenSchreiben(best_wort);
  term::GotoXY(35, 25);
  term::Write(SP_D ? "00.00.00 .......... benötigte Zeit:  00.00.00"_cp
                   : std::string_view("00.00.00 .......... time yet needed: 00.00.00"));
  WX = static_cast<uint8_t>(WX + 6 + L / 2);
  RATENDRAN = false;

  // E. Answer.
  KLASSENTABELLE klassen;
  Tabelle(best_tab, klassen);
  if (!X.PC_STELLT) {
    X3I = WX;
    X4I = static_cast<uint8_t>(WX + 2);
    char t = 0;
    LESE_ANTWORT(klassen, P, S, t);
    if (t == kEsc || t == 3) {
      taste = kEsc;
      RATENDRAN = true;
      ALLES_FREIGEBEN();
      ZEITEIN = false;
      return;
    }
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
    if (P == L) Ton();
  }
  RATENDRAN = true;
  if (P > 0 || S > 0) AEQUI_KLASSE = false;

  // F. Narrowing.
  std::vector<uint8_t> liste;  // signs excluded by this answer
  uint8_t gz[10];
  WORT_ZEICHEN(best_wort, L, gz);
  uint64_t gmenge = WORT_ZEICHENMENGE(best_wort, L);
  bool fertig = false;
  if (P == L) {
    LOESUNG = code;
    fertig = true;
  } else {
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
      MoeglicheOhne(maske);
    } else {
      MoeglicheEingrenzen(best_wort, (P + S) << 4 | P);
    }
    if (RS.erl_n == 1 || RS.erl_n == 2) {
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
    if (TASTEN_LESEN(false)) {
      Abbruch(taste);
      return;
    }
    if (!(P == 0 && S == 0) && !KENNEALLEFARBEN) {
      std::memset(VORH_FARBE, 0, sizeof VORH_FARBE);
      ZAEHLE_VORH_FARBE = 0;
      if (P + S == L) {
        KENNEALLEFARBEN = true;
        for (int s = 1; s <= n; ++s) VORH_FARBE[s] = (gmenge >> s & 1) != 0;
      } else {
        uint64_t vorh = 0;
        const int stride = 1 + RS.worte;
        for (int64_t j = 0; j < RS.erl_n; ++j) vorh |= WORT_ZEICHENMENGE(RS.erl[j * stride], L);
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
    // Fillers: with few signs left, one excluded sign stays playable so that
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
    KandidatenStreichen(liste, E ? best_platz : -1);
  }
  // 8.
  if (AEQUI_KLASSE) ANFANG_NEU();
  if (ZAEHLE_VORH_FARBE == L && !X.WDHG) KENNEALLEFARBEN = true;
  for (int i = 1; i <= L; ++i) GESPIELT[gz[i]] = true;
  if (P == L) {
    ALLES_FREIGEBEN();
    ZEITEIN = false;
  }
}

}  // namespace mtspiel

// Keyboard input of the sign set's bounds, yes/no fields, the secret code and a
// human's trial with its answer.
#include "game/input.h"

#include <cassert>
#include <string>

#include "game/conditions_screen.h"
#include "game/signs.h"
#include "game/trial_record.h"
#include "screen/cp850.h"
#include "screen/terminal.h"

namespace mtspiel {
namespace {

using term::KEY_BACKSPACE;
using term::KEY_CTRL_C;
using term::KEY_ENTER;
using term::KEY_ESC;
constexpr char kDel = 127;

// How long a waiting loop may block between two clock calls: long enough that
// a player thinking on the board costs the machine nothing, short enough that
// the clock still turns over on time.
constexpr int kWaitMs = 15;

char Fold(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsRingSign(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z');
}

// The next plain key with capitals folded.
char ReadFoldedKey() {
  return Fold(term::ReadPlainKey());
}

// Writes the signs with numbers von..bis into the set's field, from its cell von.
void WriteSigns(int von, int bis) {
  std::string signs;
  for (int k = von; k <= bis; ++k) signs += FARBARRAY[k];
  ZUM_FELD(BF_VORRAT, SP_D, von - 1);
  term::Write(signs);
}

}  // namespace

void LESE_ZEICHEN(char grenze) {
  const bool first = grenze == '*';
  for (;;) {
    A = ReadFoldedKey();
    if (A == KEY_BACKSPACE || A == KEY_ENTER || A == KEY_CTRL_C || A == KEY_ESC) return;
    // A set has at least two signs: the last sign may not be the first one.
    if (IsRingSign(A) && (first || A != X.ERSTES)) break;
  }
  const int x = term::WhereX(), y = term::WhereY();
  if (first) {
    if (A == X.ERSTES) return;
    // The set keeps its number of signs and moves along the ring.
    const uint8_t count = MAXFARBE;
    X.ERSTES = A;
    POSITIONSWERTE(A);
    ZEICHENTABELLEN();
    MAXFARBE = count;
    X.LETZTES = FARBARRAY[count];
    ZUM_FELD(BF_ERSTES, SP_D);
    term::Write(X.ERSTES);
    ZUM_FELD(BF_LETZTES, SP_D);
    term::Write(X.LETZTES);
    WriteSigns(1, MAXFARBE);
  } else {
    if (A == X.LETZTES) return;
    const int neu = NR(A), alt = NR(X.LETZTES);
    ZUM_FELD(BF_LETZTES, SP_D);
    term::Write(A);
    if (neu > alt) {
      WriteSigns(alt + 1, neu);
    } else {
      ZUM_FELD(BF_VORRAT, SP_D, neu);
      term::Write(std::string(static_cast<size_t>(alt - neu), ' '));
    }
    X.LETZTES = A;
    MAXFARBE = static_cast<uint8_t>(neu);
  }
  term::GotoXY(x, y);
}

bool JA_TASTE(char taste) {
  // z and Z for keyboards with y and z exchanged.
  switch (taste) {
    case 'j':
    case 'J':
    case 'y':
    case 'Y':
    case 'z':
    case 'Z':
      return true;
    default:
      return false;
  }
}

void JA_NEIN(char& taste, bool& wert, bool& geaendert) {
  geaendert = false;
  for (;;) {
    taste = term::ReadPlainKey();
    taste = JA_TASTE(taste) ? 'j' : Fold(taste);
    if (taste == KEY_BACKSPACE || taste == KEY_ENTER || taste == 'j' || taste == 'n' ||
        taste == KEY_CTRL_C || taste == KEY_ESC)
      break;
  }
  if (taste != 'j' && taste != 'n') return;
  const bool ja = taste == 'j';
  if (ja == wert) return;
  wert = ja;
  geaendert = true;
  const int x = term::WhereX(), y = term::WhereY();
  term::GotoXY(WXX, WYY);
  term::Write(JA_NEIN_ECHO(ja, SP_D));
  term::GotoXY(x, y);
}

void LESE_LSG(CODE& loesung, char& taste) {
  const int laenge = X.LAENGE;
  // When every sign must occur exactly once, the last one is left over.
  const bool automatisch = laenge == MAXFARBE && !X.WDHG;
  const int m = automatisch ? laenge - 1 : laenge;
  int pos = 1;
  // Entered backwards, the signs before the last typed one stay in force, and
  // they are shown again: the field always shows the code that will be played.
  // Should they not be signs of the set (the field was never filled under these
  // conditions), it starts afresh.
  bool in_kraft = ZURUECK;
  for (int i = 1; i < m && in_kraft; ++i) in_kraft = IST_ZEICHEN(loesung[i]);
  if (in_kraft) {
    ZUM_FELD(BF_ANTWORT, SP_D);
    term::Write(std::string_view(&loesung[1], static_cast<size_t>(m - 1)));
    term::Write(automatisch ? "..\b\b" : ".\b");
    pos = m;
  } else if (ZURUECK) {
    IN_FELD(BF_ANTWORT, SP_D, std::string(static_cast<size_t>(laenge), '.'));
    ZUM_FELD(BF_ANTWORT, SP_D);
  }
  while (pos <= m) {
    taste = ReadFoldedKey();
    if (taste == KEY_CTRL_C || taste == KEY_ESC) return;
    if (!IST_ZEICHEN(taste)) {
      if (taste == KEY_BACKSPACE) {
        if (pos == 1) return;
        term::Write("\b.\b");
        --pos;
      }
      continue;
    }
    bool doppelt = false;
    for (int i = 1; i < pos; ++i) doppelt = doppelt || loesung[i] == taste;
    if (doppelt && !X.WDHG) continue;
    loesung[pos++] = taste;
    term::Write(taste);
  }
  if (automatisch) {
    int k = 1;
    for (int i = 1; i < laenge; ++i) {
      if (loesung[i] == FARBARRAY[k]) {
        ++k;
        i = 0;  // search again from the first position
      }
    }
    taste = FARBARRAY[k];
    loesung[laenge] = taste;
    term::Write(taste);
  }
  for (int i = laenge + 1; i <= 9; ++i) loesung[i] = ' ';
}

void LESE_CODE(uint8_t spalte, CODE& versuch, uint8_t& p, uint8_t& s, char& taste,
               const EINGABE_HAKEN& haken) {
  const int laenge = X.LAENGE;
  if (NUMMER > 1) {
    term::Write(std::string(static_cast<size_t>(laenge), '.'));
    term::GotoXY(WX, WY);
  }
  CODE trial;
  for (int i = 1; i <= 9; ++i) trial[i] = i <= laenge ? '.' : ' ';
  bool leer[10];
  for (bool& b : leer) b = true;
  int pos = 1;
  RATENDRAN = true;

  enum Action { NICHTS, LINKS, RECHTS, LOESCHEN };
  for (;;) {
    // Block briefly between clock calls instead of spinning on a zero timeout.
    while (!term::KeyWait(kWaitMs))
      if (haken.uhr) haken.uhr();
    taste = term::ReadKey();
    Action action = NICHTS;
    if (taste == 0) {
      switch (static_cast<uint8_t>(term::ReadKey())) {
        case term::EXT_LEFT:
        case term::EXT_CTRL_LEFT:
        case term::EXT_ALT_LEFT:
          action = LINKS;
          break;
        case term::EXT_RIGHT:
        case term::EXT_CTRL_RIGHT:
        case term::EXT_ALT_RIGHT:
          action = RECHTS;
          break;
        case term::EXT_DEL:
        case term::EXT_ALT_DEL:
        case 6:
        case 7:
          action = LOESCHEN;
          break;
        default:
          continue;
      }
    } else if (taste == KEY_CTRL_C || taste == KEY_ESC) {
      taste = KEY_ESC;
      RATENDRAN = false;
      if (haken.spiel_ende) haken.spiel_ende(true);
      return;
    } else if (taste == KEY_ENTER) {
      action = RECHTS;
    } else if (taste == ',' || taste == kDel) {
      action = LOESCHEN;
    }

    if (action == LINKS) {
      --pos;
    } else if (action == RECHTS) {
      ++pos;
    } else if (action == LOESCHEN || taste == KEY_BACKSPACE) {
      term::Write('.');
      trial[pos] = '.';
      leer[pos] = true;
      pos += action == LOESCHEN ? 1 : -1;
    } else if (taste == ' ' || taste == '*' || taste == '+' || taste == '~') {
      if (!X.LEER) continue;
      term::Write('*');
      trial[pos] = '*';
      leer[pos] = false;
      ++pos;
    } else if (IST_ZEICHEN(Fold(taste))) {
      taste = Fold(taste);
      term::Write(taste);
      trial[pos] = taste;
      leer[pos] = false;
      ++pos;
    } else {
      continue;
    }

    if (pos < 1) pos = laenge;
    if (pos > laenge) pos = 1;
    WXMINUS1 = static_cast<uint8_t>(WX - 1);
    term::GotoXY(WXMINUS1 + pos, WY);
    bool fertig = true;
    for (int i = 1; i <= laenge; ++i) fertig = fertig && !leer[i];
    if (fertig) break;
  }

  RATENDRAN = false;
  X3I = static_cast<uint8_t>(X3[spalte == 2 ? 2 : 1]);
  X4I = static_cast<uint8_t>(X4[spalte == 2 ? 2 : 1]);
  term::GotoXY(X3I, K);
  if (X.FEST) {
    versuch = trial;
    // Scored against the solution's sign counts; vacant positions count for nothing.
    uint8_t zaehler[37] = {};
    int gleich = 0;
    for (int i = 1; i <= laenge; ++i) {
      if (trial[i] == LOESUNG[i]) ++gleich;
      const uint8_t n = NR(trial[i]);
      if (trial[i] != '*' && n >= 1 && n <= 36) ++zaehler[n];
    }
    int gemeinsam = 0;
    for (int k = 1; k <= MAXFARBE; ++k)
      gemeinsam += zaehler[k] < LOESUNGSFARBEN[k] ? zaehler[k] : LOESUNGSFARBEN[k];
    p = static_cast<uint8_t>(gleich);
    s = static_cast<uint8_t>(gemeinsam - gleich);
  } else {
    assert(haken.antwort_nicht_fest);
    haken.antwort_nicht_fest(trial, versuch, p, s, taste);
    if (taste == KEY_ESC || taste == KEY_CTRL_C) {
      taste = KEY_ESC;
      return;
    }
  }
  if (X.FEST || X.PC_STELLT) {
    term::GotoXY(X3I, K);
    term::WriteInt(p);
    term::GotoXY(X4I, K);
    term::WriteInt(s);
    term::GotoXY(X4I, K);
  }
  if (p == laenge && haken.spiel_ende) haken.spiel_ende(!X.FEST);
}

}  // namespace mtspiel

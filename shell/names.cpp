#include "shell/names.h"

#include "game/conditions_screen.h"
#include "game/input.h"
#include "screen/cp850.h"
#include "screen/terminal.h"

namespace morvandeltrisk {
namespace {

using mtspiel::BFELD;
using mtspiel::NAMENSFELD;
using mtspiel::X;

bool IsCapital(char c) {
  return c >= 'A' && c <= 'Z';
}
bool IsSmall(char c) {
  return c >= 'a' && c <= 'z';
}
bool IsSeparator(char c) {
  return c == ' ' || c == '-';
}
char Capital(char c) {
  return static_cast<char>(c - 'a' + 'A');
}
char Small(char c) {
  return static_cast<char>(c - 'A' + 'a');
}

// The name field of line 1 (who sets the riddle) or line 2 (who cracks the code).
BFELD Namensfeld(int line) {
  return line == 1 ? mtspiel::BF_NAME1 : mtspiel::BF_NAME2;
}

// Puts the cursor on position p (1..31) of a name field.
void Cursor(BFELD feld, int p) {
  mtspiel::ZUM_FELD(feld, mtspiel::SP_D, p - 1);
}

void WriteName(BFELD feld, const NAMENSFELD& name) {
  mtspiel::IN_FELD(feld, mtspiel::SP_D, std::string_view(name.data() + 1, 31));
}

void Put(NAMENSFELD& name, BFELD feld, int p, char c) {
  if (p < 1 || p > 31) return;
  name[p] = c;
  Cursor(feld, p);
  term::Write(c);
}

// Completes the word before position p when a separator (or the end of the
// editing) comes: a single letter becomes an initial with its period. sep is
// what is stored after the word (a blank for Enter and the abort keys), and it
// is shown only when show. Returns the new position.
int PUNKT(NAMENSFELD& name, BFELD feld, int p, char sep, bool show) {
  if (p < 2) {
    name[p] = ' ';
    return p - 1;
  }
  name[p] = sep;
  if (IsSeparator(name[p - 2])) {
    Put(name, feld, p, '.');
    ++p;
    if (p <= 31) name[p] = sep;
  }
  if (show && p <= 31) {
    Put(name, feld, p, sep);
  } else if (p <= 31) {
    Cursor(feld, p);
  }
  return p;
}

enum class Ende { Fertig, Zurueck, Abbruch };  // Enter/Esc/full, Backspace, Ctrl-C

// The name editor from position p. Shapes the name while it is typed.
Ende Editor(NAMENSFELD& name, BFELD feld, int p) {
  Cursor(feld, p);
  while (p <= 31) {
    char k = term::ReadPlainKey();
    if (k == '_') k = '-';
    if (k == ':') k = '.';
    const char prev = name[p - 1];  // name[0] is always a blank
    const bool after_sep = p == 1 || IsSeparator(prev);
    if (IsSmall(k) || IsCapital(k)) {
      char c = k;
      if (after_sep && IsSmall(c)) c = Capital(c);
      if (!after_sep && IsCapital(c)) c = Small(c);
      Put(name, feld, p, c);
      ++p;
    } else if (k == ' ' || k == '-') {
      if (after_sep) {
        if (p > 1 && prev != k) Put(name, feld, p - 1, k);
        Cursor(feld, p);
      } else if (p < 30 && !(p == 29 && IsCapital(prev))) {
        p = PUNKT(name, feld, p, k, true) + 1;
        if (p <= 31) Cursor(feld, p);
      } else {
        if (IsCapital(prev)) Put(name, feld, p, '.');
        return Ende::Fertig;
      }
    } else if (k == '.') {
      if (after_sep) continue;
      if (p == 31) {
        Put(name, feld, p, '.');
        return Ende::Fertig;
      }
      Put(name, feld, p, '.');
      Put(name, feld, p + 1, ' ');
      if (p == 29) return Ende::Fertig;
      p += 2;
      if (p <= 31) Cursor(feld, p);
    } else if (k == term::KEY_BACKSPACE) {
      if (p == 1) {
        name.fill(' ');
        WriteName(feld, name);
        return Ende::Zurueck;
      }
      if (p >= 3 && name[p - 1] == ' ' && name[p - 2] == '.') {
        Put(name, feld, p - 1, ' ');
        Put(name, feld, p - 2, ' ');
        p -= 2;
      } else {
        Put(name, feld, p - 1, ' ');
        --p;
      }
      Cursor(feld, p);
    } else if (k == term::KEY_ENTER || k == term::KEY_ESC || k == term::KEY_CTRL_C) {
      if (p > 1 && name[p - 1] == '-') {
        Put(name, feld, p - 1, ' ');
      } else if (p > 1) {
        PUNKT(name, feld, p, ' ', false);
      }
      return k == term::KEY_CTRL_C ? Ende::Abbruch : Ende::Fertig;
    }
  }
  return Ende::Fertig;
}

// Where the editor resumes when a shown name is taken back with Backspace.
int ResumePosition(NAMENSFELD& name, BFELD feld) {
  int q = 0;
  for (int i = 31; i >= 1; --i)
    if (name[i] != ' ') {
      q = i;
      break;
    }
  int p = q + (q > 0 && name[q] == '.' ? 2 : 1);
  if (p > 31) p = 31;
  if (name[30] == '.') {
    Put(name, feld, 30, ' ');
    p -= 1;
  } else if (name[29] == '.') {
    Put(name, feld, 29, ' ');
    p -= 2;
  }
  return p < 1 ? 1 : p;
}

}  // namespace

void CLEAR_NAME(NAMENSFELD& name) {
  name[0] = name[32] = ' ';
  for (int i = 1; i <= 31; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    char r;
    if (c < 32 || (c >= 33 && c <= 44)) {
      r = ' ';
    } else if (c == ' ' || c == '-' || c == '.') {
      r = static_cast<char>(c);
    } else if (c == ':') {
      r = '.';
    } else if ((c >= 47 && c <= 57) || (c >= 59 && c <= 64)) {
      r = ' ';
    } else if (c >= 'A' && c <= 'Z') {
      r = Small(static_cast<char>(c));
    } else if (c == '_') {
      r = '-';
    } else if ((c >= 91 && c <= 94) || c == 96) {
      r = ' ';
    } else if (c >= 'a' && c <= 'z') {
      r = static_cast<char>(c);
    } else {
      r = ' ';
    }
    name[i] = r;
  }
  for (int i = 1; i <= 31; ++i) {
    const char prev = name[i - 1];
    char& cur = name[i];
    if (IsCapital(prev) && IsSeparator(cur)) cur = '.';
    if (prev == '.' && cur != '-') cur = ' ';
    if (IsSeparator(prev) && IsSmall(cur)) cur = Capital(cur);
    if (IsSeparator(prev) && (cur == ' ' || cur == '.' || cur == '-')) {
      for (int j = i - 1; j <= 31; ++j) name[j] = ' ';
      break;
    }
  }
  if (name[31] == '-') name[31] = ' ';
  if (IsSeparator(name[30])) name[30] = name[31] = ' ';
  name[0] = name[32] = ' ';
}

void NAMEOK(bool swap) {
  CLEAR_NAME(X.NAME1);
  CLEAR_NAME(X.NAME2);
  if (swap)
    for (int i = 1; i <= 31; ++i) std::swap(X.NAME1[i], X.NAME2[i]);
}

void SCHREIBE_NAME(bool line1, bool line2, bool swap) {
  NAMEOK(swap);
  if (line1) WriteName(mtspiel::BF_NAME1, X.NAME1);
  if (line2) WriteName(mtspiel::BF_NAME2, X.NAME2);
}

void SCHREIBE_PC(bool line1, bool line2) {
  const std::string_view text =
      mtspiel::SP_D ? "*** Der Computer ***           " : "*** The computer ***           ";
  if (line1) mtspiel::IN_FELD(mtspiel::BF_NAME1, mtspiel::SP_D, text);
  if (line2) mtspiel::IN_FELD(mtspiel::BF_NAME2, mtspiel::SP_D, text);
}

void LESE_NAMEN(uint8_t line, NAMENSFELD& name, char& taste) {
  const BFELD feld = Namensfeld(line);
  SCHREIBE_NAME(line == 1, line == 2, false);
  taste = ' ';
  for (;;) {
    CLEAR_NAME(name);
    WriteName(feld, name);
    mtspiel::ZUM_FELD(feld, mtspiel::SP_D);
    int p = 1;
    if (name[1] != ' ') {
      bool edit = false;
      while (!edit) {
        const char k = term::ReadPlainKey();
        if (k == term::KEY_ENTER || mtspiel::JA_TASTE(k)) {
          taste = 'j';
          return;
        }
        switch (k) {
          case 'n':
          case 'N':
            name.fill(' ');
            WriteName(feld, name);
            mtspiel::ZUM_FELD(feld, mtspiel::SP_D);
            p = 1;
            edit = true;
            break;
          case term::KEY_BACKSPACE:
            p = ResumePosition(name, feld);
            edit = true;
            break;
          case term::KEY_ESC:
            taste = term::KEY_BACKSPACE;
            return;
          case term::KEY_CTRL_C:
            taste = term::KEY_ESC;
            return;
          default:
            break;
        }
      }
    }
    switch (Editor(name, feld, p)) {
      case Ende::Abbruch:
        taste = 2;
        return;
      case Ende::Zurueck:
        taste = term::KEY_BACKSPACE;
        return;
      case Ende::Fertig:
        break;  // shaped and shown again for confirmation
    }
  }
}

}  // namespace morvandeltrisk

// The opening guesses: a fixed table of patterns by code length and number of
// signs, laid out with random signs at random positions (ANFANG_BILDEN,
// ANFANG_NEU), and the same patterns in canonical form for the board (INIT_MUSTER).
#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/engine_state.h"
#include "engine/guess_store.h"
#include "engine/guessing.h"
#include "game/input.h"
#include "game/signs.h"
#include "screen/terminal.h"

namespace mtspiel {
namespace {

// The pattern rows: "from-to:pattern" or "n:pattern", pattern digits name the
// signs in the order of PERMF, 'R' is the choice between 1-1 and 1-2 at random.
// Index [length][repetitions allowed].
constexpr std::string_view kRows[10][2] = {
    {"", ""},
    {"", ""},
    {"2-36:12", "2:R;3-36:12"},
    {"3-4:112;5-36:123", "2-3:112;4-36:123"},
    {"4-5:1122;6:1234;7:1123;8-18:1234;19:1123;20-36:1234",
     "2-3:1112;4-5:1123;6:1122;7-11:1234;12:1123;13:1234;14:1123;15:1234;16:1123;17-36:1234"},
    {"5:12345;6:11123;7:11122;8:11234;9:11223;10:12345;11-12:11234;13-20:12345;21-29:11234;"
     "30-36:12345",
     "2:11112;3-4:11123;5:11223;6:11234;7:11223;8-10:11234;11-20:12345;21-26:11234;27-36:12345"},
    {"6:123456;7:112233;8:111222;9:111234;10:123456;11-12:112345;13:123456;14:112345;"
     "15:123456;16-18:112345;19-30:123456;31-34:112345;35-36:123456",
     "2:111112;3:111123;4:111223;5:112233;6:111223;7-9:112233;10-12:112234;13-15:112345;"
     "16-27:123456;28-31:112345;32-36:123456"},
    {"7:1234567;8:1112234;9:1123456;10:1112345;11:1111234;12:1111223;13:1112345;14:1234567;"
     "15-16:1123456;17-21:1234567;22-24:1123456;25-36:1234567",
     "2:1111112;3:1111223;4-5:1112233;6:1122334;7:1112223;8:1112233;9:1122334;10:1122345;"
     "11-13:1122334;14-15:1234567;16-17:1122345;18-21:1123456;22-33:1234567;34-35:1122345;"
     "36:1234567"},
    {"8:12345678;9:11223344;10:11112223;11:11122345;12:11112234;13:11123456;14:12345678;"
     "15-16:11234567;17-19:12345678;20-21:11234567;22-26:12345678;27:11123456;28:12345678;"
     "29-32:11234567;33-36:12345678",
     "2:11111122;3:11111223;4:11112234;5:11112222;6:11122233;7:11122234;8-11:11223344;"
     "12:11223345;13-15:11223344;16-17:11234567;18:11223345;19-21:12345678;22-24:11223456;"
     "25-28:11234567;29-36:12345678"},
    {"9:123456789;10:111122345;11:111234567;12:111122345;13:111112345;14:111234567;"
     "15:111123456;16:111112345;17:111234567;18:123456789;19-20:112345678;21-22:123456789;"
     "23:111234567;24:123456789;25-27:112345678;28-34:123456789;35:111234567;36:123456789",
     "2:111111122;3:111111223;4:111112234;5:111122223;6-7:111222333;8:111223345;9:111222334;"
     "10-12:111223344;13-15:112233445;16-17:112233456;18:123456789;19-20:112234567;"
     "21-23:112345678;24-28:123456789;29-31:112234567;32-36:112345678"},
};

// With the filler allowed and two signs, lengths 4..9: the filler is digit 0.
constexpr std::string_view kFillerRows[10] = {
    "", "", "", "", "1110", "11120", "111120", "1111120", "11111120", "111111120"};

// The parsed table: pattern text for [length][repetitions][signs], "" where none.
struct Table {
  std::array<std::array<std::array<std::string_view, 37>, 2>, 10> row{};
};

constexpr int ParseInt(std::string_view s, size_t& i) {
  int v = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') v = v * 10 + (s[i++] - '0');
  return v;
}

Table BuildTable() {
  Table t;
  for (int l = 2; l <= 9; ++l) {
    for (int w = 0; w < 2; ++w) {
      std::string_view s = kRows[l][w];
      size_t i = 0;
      while (i < s.size()) {
        const int from = ParseInt(s, i);
        int to = from;
        if (s[i] == '-') {
          ++i;
          to = ParseInt(s, i);
        }
        ++i;  // ':'
        const size_t start = i;
        while (i < s.size() && s[i] != ';') ++i;
        for (int n = from; n <= to; ++n) t.row[l][w][n] = s.substr(start, i - start);
        if (i < s.size()) ++i;
      }
    }
  }
  return t;
}

const Table& PatternTable() {
  static const Table table = BuildTable();
  return table;
}

// The pattern digits (0..9, 0 = filler) for the arguments, or an empty string
// when there is none; a random choice is made only when zufall is set.
std::string Pattern(int laenge, int zeichen, bool wdhg, bool fuell, bool zufall) {
  if (zeichen < 1 || laenge < 1 || laenge > 9) return {};
  if (zeichen == 1) return std::string(static_cast<size_t>(laenge), '1');
  if (laenge == 1) return "1";
  if (fuell && zeichen == 2 && laenge >= 4) return std::string(kFillerRows[laenge]);
  if (zeichen > 36) zeichen = 36;
  const bool rep = wdhg || zeichen < laenge;
  std::string_view p = PatternTable().row[laenge][rep ? 1 : 0][zeichen];
  if (p == "R") {
    if (!zufall) return {};
    return term::Random(2) == 0 ? "11" : "12";
  }
  return std::string(p);
}

}  // namespace

void PERMUTATION_ZIEHEN(uint8_t* perm, uint8_t* liste, uint8_t& hilf, int m) {
  // Drawing from a shrinking list: every order is equally likely.
  for (int i = 1; i <= m; ++i) {
    hilf = static_cast<uint8_t>(term::Random(static_cast<uint32_t>(m + 1 - i)) + 1);
    perm[i] = liste[hilf];
    for (int j = hilf; j <= m - i; ++j) liste[j] = liste[j + 1];
  }
}

std::string INIT_MUSTER(uint8_t laenge, uint8_t farben, bool wdhg, bool leer) {
  if (laenge == 0 || laenge > 9 || farben == 0 || (laenge == 2 && farben == 2 && wdhg))
    return std::string(12, ' ');
  const std::string p = Pattern(laenge, farben, wdhg, leer, false);
  std::string text(static_cast<size_t>(9 - laenge), ' ');
  text += '(';
  for (char d : p) text += FARBARRAY[d - '0'];
  text += ") ";
  return text;
}

void ANFANG_BILDEN(uint8_t laenge, uint8_t zeichen, bool wdhg, bool fuell, bool zeigen) {
  OK = zeichen >= 1 && laenge >= 1 && laenge <= 9;
  if (!OK) return;
  const std::string p = Pattern(laenge, zeichen, wdhg, fuell, true);
  std::memset(ANFANG, 0, sizeof ANFANG);
  std::memset(ANFANG_ANZAHL, 0, sizeof ANFANG_ANZAHL);
  for (int k = 1; k <= laenge; ++k) ANFANG[PERMZ[k]] = PERMF[p[k - 1] - '0'];
  for (int k = 1; k <= laenge; ++k) ++ANFANG_ANZAHL[ANFANG[k]];
  if (zeigen) {
    for (int k = 1; k <= laenge; ++k) term::Write(FARBARRAY[ANFANG[k]]);
    term::GotoXY(WX, WY);
  }
}

void ANFANG_NEU() {
  const int l = X.LAENGE;
  for (int i = 1; i <= l; ++i) ZAHLENREIHENFOLGE[i] = static_cast<uint8_t>(i);
  PERMUTATION_ZIEHEN(PERMZ, ZAHLENREIHENFOLGE, HILFZAHLREIHENFOLGE, l);
  int m = 0;
  for (int s = 1; s <= MAXFARBE; ++s)
    if (ERL_FARBE[s] == 1) FARBENREIHENFOLGE[++m] = static_cast<uint8_t>(s);
  PERMUTATION_ZIEHEN(PERMF, FARBENREIHENFOLGE, HILFFARBREIHENFOLGE, m);
  PERMF[0] = FEHLZEICHEN;
  ANFANG_BILDEN(static_cast<uint8_t>(l), static_cast<uint8_t>(m), X.WDHG, true, false);
}

}  // namespace mtspiel

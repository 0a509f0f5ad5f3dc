// The inner loop of the computer's search: one candidate guess against a run of
// possible codes, counting each code into its answer class. The instruction
// set is chosen at run time. With 512-bit vectors, codes of every length and
// every number of count words are counted eight at a time without a count in
// memory; with 256-bit vectors the classes of a block of codes are computed in
// vectors and counted into four tables without a test per code. Without
// vectors, one code at a time. Every variant stops at exactly the same code
// and leaves exactly the same counts. The routines keep no state of their own:
// threads count at once, each with its own table and ZAEHLPLATZ.
#pragma once

#include <cstdint>

namespace mtspiel {

// Class index of an answer: total * 16 + P. A table has 160 entries.
inline constexpr int kKlassen = 160;

// Scratch tables of one counting thread: three further class tables that the
// counting loop spreads codes over. All zero between calls; the kernel leaves
// them so. Each thread that counts owns one.
struct ZAEHLPLATZ {
  alignas(64) int32_t neben[3][kKlassen] = {};
};

struct ZAEHLAUFTRAG {
  const uint64_t* erl;  // possible codes, 1 + worte words each (no vacant sign: P <= T)
  uint64_t gwort;       // the candidate's code word
  uint64_t gbits[6];    // the candidate's sign-count words
  uint64_t lanes;       // bit 6 of every used lane
  int32_t* tab;         // class counts
  int klassen;          // table entries in use: (L + 1) * 16
  ZAEHLPLATZ* platz;    // the counting thread's scratch tables
};

// Instruction sets the kernel may use: 0 plain, 1 population count, 2 also
// 256-bit vectors, 3 also 512-bit vectors with their population counts, byte
// selection and bit-matrix transform. Starts at what the machine offers; tests lower it to check
// that every variant counts alike.
inline constexpr int kStufeAllg = 0;
inline constexpr int kStufePopcnt = 1;
inline constexpr int kStufeAvx2 = 2;
inline constexpr int kStufeAvx512 = 3;
int ZAEHLSTUFE_MASCHINE();
inline int ZAEHLSTUFE = ZAEHLSTUFE_MASCHINE();

// Counts codes i = von.. bis-1 into the table while every count stays below
// schwelle; returns the index of the first code whose class count, with it
// counted, is at least schwelle (already counted, and no later code counted),
// or bis. Only the entries T << 4 | P with P <= T < klassen / 16 change.
int64_t ZAEHLEN_BIS(const ZAEHLAUFTRAG& a, int worte, int64_t von, int64_t bis, int32_t schwelle);

// Counts codes von..bis-1 keeping the running sum of squares quadrat (the
// fine test): stops and returns the index of a code after which the candidate
// can no longer win (a class above bestmax, or the sum above bestsq, or equal
// to it before the last code letzter), else returns bis.
int64_t ZAEHLEN_FEIN(const ZAEHLAUFTRAG& a, int worte, int64_t von, int64_t bis, int32_t bestmax,
                     int64_t bestsq, int64_t letzter, int64_t& quadrat);

// Writes the class index of code von + j into klasse[j], j < bis - von (for the narrowing).
void KLASSEN(const ZAEHLAUFTRAG& a, int worte, int64_t von, int64_t bis, uint8_t* klasse);

}  // namespace mtspiel

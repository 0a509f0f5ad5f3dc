#include "engine/guess_evaluate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/guess_test_helpers.h"
#include "engine/open_codes.h"
#include "tests/support/memory_screen.h"

namespace mtspiel {
namespace {

class OpenPossibleCodes : public ::testing::Test {
 protected:
  void TearDown() override {
    RATEN_SPEICHER_FREIGEBEN();
    FREIGABE_ABWARTEN();
    MISCH_KLEIN_BIS = kKleinVorher;
    SUCHFAEDEN_ZAHL = SUCHFAEDEN_MASCHINE();
    OFFEN_MEHRERE_AB = kMehrereVorher;
  }
  // The store of these conditions for this seed, possible codes left open.
  void Aufbauen(const rateprobe::SPIEL& s, uint64_t seed) {
    rateprobe::SPIEL_VORBEREITEN(s);
    term::RandSeed(seed);
    bool ok = false;
    rateprobe::SETUP(ok);
    ASSERT_TRUE(ok);
    ASSERT_TRUE(RS.offen);
  }
  static std::vector<uint64_t> Geschrieben() {
    return std::vector<uint64_t>(RS.erl, RS.erl + RS.erl_n * (1 + RS.worte));
  }
  const int64_t kKleinVorher = MISCH_KLEIN_BIS;
  const int64_t kMehrereVorher = OFFEN_MEHRERE_AB;
  testsupport::MemoryScreen screen_;
};

// Class index of the answer code gives to guess g.
int Klasse(uint64_t g, uint64_t code, int laenge) {
  uint8_t a[10], b[10];
  WORT_ZEICHEN(g, laenge, a);
  WORT_ZEICHEN(code, laenge, b);
  CODE x{}, y{};
  for (int i = 1; i <= laenge; ++i) {
    x[i] = FARBARRAY[a[i]];
    y[i] = FARBARRAY[b[i]];
  }
  uint8_t p, s;
  BEWERTE(x, y, laenge, p, s);
  return (p + s) << 4 | p;
}

// The open possible codes are made afresh whenever a turn needs them. They
// must count every guess into the same table as the written codes, and the
// answers (0, 0) and a class must leave the same codes in the same order as
// narrowing the written ones: on the small and the big set-up, with and
// without repetitions, with the vacant sign and with two count words; on one
// thread and on several, whether the guess was counted before or not.
TEST_F(OpenPossibleCodes, CountAndNarrowAsTheWrittenCodes) {
  struct FALL {
    rateprobe::SPIEL spiel;
    bool gross;
  } faelle[] = {
      {{4, 6, true, false}, false}, {{5, 8, false, false}, false}, {{5, 2, true, true}, false},
      {{6, 9, true, false}, true},  {{5, 9, false, false}, true},  {{4, 17, true, false}, true},
      {{7, 4, true, false}, true},
  };
  OFFEN_MEHRERE_AB = 0;
  for (const FALL& f : faelle) {
    for (int faeden : {1, 2, 8}) {
      SUCHFAEDEN_ZAHL = faeden;
      SCOPED_TRACE(testing::Message()
                   << "L=" << f.spiel.laenge << " n=" << f.spiel.farben << " rep=" << f.spiel.wdhg
                   << " vacant=" << f.spiel.leer << " big=" << f.gross << " threads=" << faeden);
      MISCH_KLEIN_BIS = f.gross ? 0 : INT64_MAX;
      const rateprobe::SPIEL& s = f.spiel;
      const int L = s.laenge;
      // The written codes, the reference.
      ASSERT_NO_FATAL_FAILURE(Aufbauen(s, 7));
      const int64_t offen_n = RS.erl_n;
      const std::vector<uint64_t> kette(RS.kand, RS.kand + RS.kand_n);
      ASSERT_TRUE(MOEGLICHE_SCHREIBEN(0, -1, UNTERBRECHUNG{}));
      ASSERT_EQ(RS.erl_n, offen_n);
      const int stride = 1 + RS.worte;
      const std::vector<uint64_t> alle = Geschrieben();
      // Guesses from all over the chain, the vacant sign's codes among them.
      std::vector<uint64_t> raten;
      for (size_t i = 0; i < kette.size(); i += kette.size() / 5 + 1) raten.push_back(kette[i]);
      struct TAFEL {
        BEWERTUNG b;
        std::vector<int32_t> tab;
      };
      auto zaehlen = [&](uint64_t g) {
        ZAEHLPLATZ platz;
        TAFEL t;
        t.tab.assign(kKlassen, 0);
        t.b = KANDIDAT_BEWERTEN(RS, g, t.tab.data(), platz, INT32_MAX, INT64_MAX, UNTERBRECHUNG{});
        return t;
      };
      std::vector<TAFEL> geschrieben;
      for (uint64_t g : raten) geschrieben.push_back(zaehlen(g));

      RATEN_SPEICHER_FREIGEBEN();
      ASSERT_NO_FATAL_FAILURE(Aufbauen(s, 7));
      for (size_t i = 0; i < raten.size(); ++i) {
        const TAFEL o = zaehlen(raten[i]);
        EXPECT_EQ(o.tab, geschrieben[i].tab) << "guess " << i;
        EXPECT_EQ(o.b.max, geschrieben[i].b.max);
        EXPECT_EQ(o.b.sq, geschrieben[i].b.sq);
        EXPECT_EQ(o.b.cls, geschrieben[i].b.cls);
        EXPECT_EQ(o.b.ex, geschrieben[i].b.ex);
        EXPECT_FALSE(o.b.verloren);
        EXPECT_EQ(o.b.vergleiche, offen_n);
      }
      ASSERT_TRUE(RS.offen);

      // The first guess answered (0, 0): its signs leave, as many codes as its
      // table counted stay. Then the second guess answered by the class of a
      // code still possible writes the codes out.
      const uint64_t g0 = raten[0], g1 = raten.size() > 1 ? raten[1] : raten[0];
      const uint64_t ohne = WORT_ZEICHENMENGE(g0, L);
      std::vector<uint64_t> bleiben;
      for (int64_t j = 0; j < offen_n; ++j)
        if (!(WORT_ZEICHENMENGE(alle[size_t(j * stride)], L) & ohne))
          bleiben.insert(bleiben.end(), alle.begin() + j * stride, alle.begin() + (j + 1) * stride);
      const int64_t bleiben_n = static_cast<int64_t>(bleiben.size()) / stride;
      EXPECT_EQ(bleiben_n, geschrieben[0].tab[0]);
      if (bleiben_n == 0) continue;
      const int klasse = Klasse(g1, bleiben[bleiben.size() / stride / 2 * stride], L);
      std::vector<uint64_t> erwartet;
      std::vector<int32_t> tafel(kKlassen, 0);
      for (int64_t j = 0; j < bleiben_n; ++j) {
        const int k = Klasse(g1, bleiben[size_t(j * stride)], L);
        ++tafel[size_t(k)];
        if (k == klasse)
          erwartet.insert(erwartet.end(), bleiben.begin() + j * stride,
                          bleiben.begin() + (j + 1) * stride);
      }
      // Narrowed with the second guess counted first (its pieces' counts say
      // where the codes go), and without.
      for (bool gezaehlt : {true, false}) {
        SCOPED_TRACE(gezaehlt ? "counted before" : "not counted");
        RATEN_SPEICHER_FREIGEBEN();
        ASSERT_NO_FATAL_FAILURE(Aufbauen(s, 7));
        RS.ohne = ohne;
        RS.erl_n = bleiben_n;
        if (gezaehlt) {
          const TAFEL t = zaehlen(g1);
          EXPECT_EQ(t.tab, tafel);
          EXPECT_EQ(t.b.vergleiche, bleiben_n);
        }
        const size_t vorher = RS.erl_bytes;
        ASSERT_TRUE(MOEGLICHE_SCHREIBEN(g1, klasse, UNTERBRECHUNG{}));
        EXPECT_FALSE(RS.offen);
        EXPECT_EQ(Geschrieben(), erwartet);
        // The array keeps the codes and at most a huge page beyond them.
        const size_t noetig = erwartet.size() * 8, seite = size_t{2} << 20;
        EXPECT_GE(RS.erl_bytes, noetig);
        EXPECT_LE(RS.erl_bytes, std::max(vorher, noetig + seite));
        if (noetig + seite < vorher) {
          EXPECT_LT(RS.erl_bytes, noetig + seite);
        }
      }
      RATEN_SPEICHER_FREIGEBEN();
    }
  }
}

// An interruption that asks to stop ends the making of the codes at its first
// question, in the count and in the writing alike, and only there. On one
// thread: with helpers, the main thread asks only while pieces are left after
// its own, and helpers that get the processor first may take them all.
TEST_F(OpenPossibleCodes, TheInterruptionIsAskedAsTheCodesAreMade) {
  OFFEN_MEHRERE_AB = INT64_MAX;
  static int fragen;
  static int64_t arbeit;
  const UNTERBRECHUNG halt{[](void*, int64_t a) {
                             ++fragen;
                             arbeit += a;
                             return true;
                           },
                           nullptr};
  ASSERT_NO_FATAL_FAILURE(Aufbauen({6, 9, true, false}, 3));
  ZAEHLPLATZ platz;
  int32_t tab[kKlassen] = {};
  fragen = 0;
  arbeit = 0;
  const BEWERTUNG b = KANDIDAT_BEWERTEN(RS, RS.kand[0], tab, platz, INT32_MAX, INT64_MAX, halt);
  EXPECT_TRUE(b.abbruch);
  EXPECT_EQ(fragen, 1);
  EXPECT_GT(arbeit, 0);
  EXPECT_LT(b.vergleiche, RS.erl_n);
  fragen = 0;
  EXPECT_FALSE(MOEGLICHE_SCHREIBEN(RS.kand[0], 0, halt));
  EXPECT_EQ(fragen, 1);
  // Asked all the way and never stopping: the whole count, as often as there
  // are stretches to make.
  static int64_t gesamt;
  gesamt = 0;
  const UNTERBRECHUNG weiter{[](void*, int64_t a) {
                               gesamt += a;
                               return false;
                             },
                             nullptr};
  const BEWERTUNG voll =
      KANDIDAT_BEWERTEN(RS, RS.kand[0], tab, platz, INT32_MAX, INT64_MAX, weiter);
  EXPECT_FALSE(voll.abbruch);
  EXPECT_EQ(voll.vergleiche, RS.erl_n);
  EXPECT_GT(gesamt, 0);
  EXPECT_LT(gesamt, RS.erl_n);  // not asked once every stretch is handed out
}

}  // namespace
}  // namespace mtspiel

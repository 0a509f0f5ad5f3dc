// A candidate store whose memory runs out in the middle of its set-up: the game
// is broken off as by Esc, nothing stays reserved or allocated (the leak check
// of the sanitizer build agrees), and the next game works. Played through the
// shell's game on an in-memory terminal.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "engine/guessing.h"
#include "engine/memory_budget.h"
#include "game/conditions.h"
#include "game/input.h"
#include "game/signs.h"
#include "screen/terminal.h"
#include "shell/game_board.h"
#include "shell/shell_state.h"
#include "tests/support/memory_screen.h"
#include "tests/support/startup_conditions.h"

namespace morvandeltrisk {
namespace {

using mtspiel::X;
using testsupport::MemoryScreen;
using testsupport::RunsToEnd;
using testsupport::WaitsForKey;

enum class Kind { kComputerGuesses, kVariableAnswer };

void Conditions(Kind kind) {
  testsupport::StartupConditions();
  // 9^6 codes: large enough that the store takes several reservations.
  X.LAENGE = 6;
  X.ERSTES = '1';
  X.LETZTES = '9';
  X.WDHG = true;
  X.PC_RAET = kind == Kind::kComputerGuesses;
  X.PC_STELLT = kind == Kind::kVariableAnswer;
  X.FEST = kind == Kind::kComputerGuesses;
  mtspiel::POSITIONSWERTE(X.ERSTES);
  mtspiel::ZEICHENTABELLEN();
  mtspiel::LISTEN_FREIGEBEN(true);  // as at start-up: the budget from the memory choice
}

// Whether the last row shows a count of trials (a game broken off shows none).
bool ShowsCount(MemoryScreen& s) {
  const std::string row = s->RowUtf8(25);
  size_t at = row.find("made:");
  if (at == std::string::npos) return true;
  at = row.find_first_not_of(' ', at + 5);
  return at != std::string::npos && row[at] >= '0' && row[at] <= '9';
}

struct Hooks {
  ~Hooks() {
    mtspiel::FEHLSCHLAG_BEI_RESERVIERUNG = -1;
    mtspiel::FEHLSCHLAG_BEI_STOREBLOCK = -1;
  }
};

// The k-th reservation (or store block) fails: the game ends as broken off.
void FailingGame(Kind kind, bool store_block, int k) {
  SCOPED_TRACE((store_block ? "store block " : "reservation ") + std::to_string(k));
  Hooks hooks;
  MemoryScreen s;
  Conditions(kind);
  if (store_block) {
    mtspiel::FEHLSCHLAG_BEI_STOREBLOCK = k;
  } else {
    mtspiel::FEHLSCHLAG_BEI_RESERVIERUNG = k;
  }
  // No key at all, so that nothing but the failure can break the set-up off
  // (a key pressed during the set-up would): the game must end at the
  // new-game question.
  ASSERT_TRUE(WaitsForKey([] { SPIEL(); })) << s->Dump();
  EXPECT_EQ(term::WhereY(), 25) << s->Dump();
  EXPECT_TRUE(SPIEL_ABGEBROCHEN) << s->Dump();
  EXPECT_EQ(mtspiel::A, term::KEY_ESC);
  EXPECT_FALSE(ShowsCount(s)) << "a broken-off game shows no count\n" << s->Dump();
  EXPECT_EQ(mtspiel::SPEICHER_RESERVIERT, 0u);
  mtspiel::LISTEN_FREIGEBEN(true);
  EXPECT_EQ(mtspiel::SPEICHER_RESERVIERT, 0u);
}

// Without a failure the same game gets past its set-up to the first trial.
// Returns the number of reservations the set-up made.
int NextGameWorks(Kind kind) {
  MemoryScreen s;
  Conditions(kind);
  constexpr int kMany = 1000000;
  mtspiel::FEHLSCHLAG_BEI_RESERVIERUNG = kMany;  // counts the reservations down
  // The board waits for the answer to the computer's first guess, or for the
  // human's first guess.
  EXPECT_TRUE(WaitsForKey([] { SPIEL(); })) << s->Dump();
  const int reservations = static_cast<int>(kMany - mtspiel::FEHLSCHLAG_BEI_RESERVIERUNG);
  mtspiel::FEHLSCHLAG_BEI_RESERVIERUNG = -1;
  EXPECT_GT(mtspiel::SPEICHER_RESERVIERT, 0u) << "the set-up reserved its store";
  if (kind == Kind::kComputerGuesses) {
    EXPECT_EQ(s->Text(40, 9, 6), "█║  1│") << s->Dump();
  }
  mtspiel::LISTEN_FREIGEBEN(true);
  EXPECT_EQ(mtspiel::SPEICHER_RESERVIERT, 0u);
  return reservations;
}

// The first, the second and the last reservation of the set-up fail in turn;
// then the next game works.
void EachReservationFails(Kind kind) {
  const int n = NextGameWorks(kind);
  ASSERT_GE(n, 1);
  std::printf("set-up of %s: %d reservations\n",
              kind == Kind::kComputerGuesses ? "the guesses" : "the variable answer", n);
  for (int k : {0, 1, n - 1})
    if (k < n) FailingGame(kind, false, k);
  NextGameWorks(kind);
}

TEST(ReliabilityAllocation, TheGuessingSetUpBreaksOffCleanly) {
  EachReservationFails(Kind::kComputerGuesses);
  FailingGame(Kind::kComputerGuesses, true, 0);
  FailingGame(Kind::kComputerGuesses, true, 2);
}

TEST(ReliabilityAllocation, TheVariableAnswerCodeBreaksOffCleanly) {
  EachReservationFails(Kind::kVariableAnswer);
}

}  // namespace
}  // namespace morvandeltrisk

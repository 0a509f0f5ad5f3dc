// The device-independent half of the terminal layer: cursor, window, control
// characters, key decoding, random numbers. The backend only puts cells.
#include "screen/terminal.h"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <cstring>
#include <random>

#include "screen/cp850.h"
#include "screen/key_decoder.h"

namespace term {
namespace {

#if defined(__x86_64__)
// The twist and the tempering below, four words at a time where the processor
// has 256-bit vectors: the same operations on every word, so the same output.
// (GCC and clang turn this vector type into AVX2 instructions in these
// functions alone; the rest of the program stays runnable on any x86-64.)
using VIER = uint64_t __attribute__((vector_size(32)));

[[gnu::target("avx2"), gnu::always_inline]] inline VIER Vier(const uint64_t* p) {
  VIER v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

[[gnu::target("avx2"), gnu::always_inline]] inline VIER SchrittVier(VIER a, VIER b, VIER c) {
  constexpr uint64_t kOben = ~uint64_t{0} << 31;
  const VIER y = (a & kOben) | (b & ~kOben);
  return c ^ (y >> 1) ^ ((VIER{} - (y & 1)) & 0xB5026F5AA96619E9ULL);
}

// Steps k..k+3 at once read x[k+1..k+4] before step k+1.. overwrites them,
// as the single steps would: each step reads the next word before it changes.
[[gnu::target("avx2")]] void DrehenVier(uint64_t* x, int kN, int kM) {
  int k = 0;
  for (; k + 4 <= kN - kM; k += 4) {
    const VIER n = SchrittVier(Vier(x + k), Vier(x + k + 1), Vier(x + k + kM));
    std::memcpy(x + k, &n, sizeof n);
  }
  for (; k + 4 <= kN - 1; k += 4) {
    const VIER n = SchrittVier(Vier(x + k), Vier(x + k + 1), Vier(x + k + kM - kN));
    std::memcpy(x + k, &n, sizeof n);
  }
  constexpr uint64_t kOben = ~uint64_t{0} << 31;
  for (; k < kN; ++k) {
    const uint64_t a = x[k], b = x[(k + 1) % kN], c = x[(k + kM) % kN];
    const uint64_t y = (a & kOben) | (b & ~kOben);
    x[k] = c ^ (y >> 1) ^ ((0 - (y & 1)) & 0xB5026F5AA96619E9ULL);
  }
}

[[gnu::target("avx2")]] void FormenVier(const uint64_t* x, uint64_t* out, size_t n) {
  size_t k = 0;
  for (; k + 4 <= n; k += 4) {
    VIER y = Vier(x + k);
    y ^= (y >> 29) & 0x5555555555555555ULL;
    y ^= (y << 17) & 0x71D67FFFEDA60000ULL;
    y ^= (y << 37) & 0xFFF7EEE000000000ULL;
    y ^= y >> 43;
    std::memcpy(out + k, &y, sizeof y);
  }
  for (; k < n; ++k) {
    uint64_t y = x[k];
    y ^= (y >> 29) & 0x5555555555555555ULL;
    y ^= (y << 17) & 0x71D67FFFEDA60000ULL;
    y ^= (y << 37) & 0xFFF7EEE000000000ULL;
    out[k] = y ^ (y >> 43);
  }
}
#endif

// The 64-bit Mersenne twister, output for output the standard library's
// mt19937_64, without the branch on each word's low bit that makes the
// library's version several times slower: the shuffle of a big candidate store
// draws hundreds of millions of numbers.
constexpr int kN = 312, kM = 156;
struct RandomState {
  uint64_t words[kN];
  int next;
};
#if defined(__x86_64__)
const bool kAvx2 = __builtin_cpu_supports("avx2");
#endif

void Seed(RandomState& s, uint64_t seed) {
  uint64_t* x = s.words;
  x[0] = seed;
  for (int k = 1; k < kN; ++k)
    x[k] = 6364136223846793005ULL * (x[k - 1] ^ (x[k - 1] >> 62)) + static_cast<uint64_t>(k);
  s.next = kN;
}

uint64_t Schritt(uint64_t a, uint64_t b, uint64_t c) {
  constexpr uint64_t kOben = ~uint64_t{0} << 31;
  const uint64_t y = (a & kOben) | (b & ~kOben);
  return c ^ (y >> 1) ^ ((0 - (y & 1)) & 0xB5026F5AA96619E9ULL);
}

void Drehen(RandomState& s) {
  uint64_t* x = s.words;
  s.next = 0;
#if defined(__x86_64__)
  if (kAvx2 && RandomVectors) {
    DrehenVier(x, kN, kM);
    return;
  }
#endif
  for (int k = 0; k < kN - kM; ++k) x[k] = Schritt(x[k], x[k + 1], x[k + kM]);
  for (int k = kN - kM; k < kN - 1; ++k) x[k] = Schritt(x[k], x[k + 1], x[k + kM - kN]);
  x[kN - 1] = Schritt(x[kN - 1], x[0], x[kM - 1]);
}

uint64_t Formen(uint64_t y) {
  y ^= (y >> 29) & 0x5555555555555555ULL;
  y ^= (y << 17) & 0x71D67FFFEDA60000ULL;
  y ^= (y << 37) & 0xFFF7EEE000000000ULL;
  return y ^ (y >> 43);
}

uint64_t Naechste(RandomState& s) {
  if (s.next >= kN) Drehen(s);
  return Formen(s.words[s.next++]);
}

void Fuellen(RandomState& s, uint64_t* out, size_t count) {
  while (count > 0) {
    if (s.next >= kN) Drehen(s);
    const size_t n = std::min(count, static_cast<size_t>(kN - s.next));
    const uint64_t* x = s.words + s.next;
#if defined(__x86_64__)
    if (kAvx2 && RandomVectors) {
      FormenVier(x, out, n);
    } else {
      for (size_t k = 0; k < n; ++k) out[k] = Formen(x[k]);
    }
#else
    for (size_t k = 0; k < n; ++k) out[k] = Formen(x[k]);
#endif
    s.next += static_cast<int>(n);
    out += n;
    count -= n;
  }
}

RandomState Anfang() {
  RandomState s;
  Seed(s, 20250621);
  return s;
}

// The layer's whole state, in one place.
struct LayerState {
  Backend* backend = nullptr;          // where cells and bytes go; not owned
  int cx = 1, cy = 1;                  // cursor, 1-based screen coordinates
  void (*input_closed)() = nullptr;    // called when the input ends
  void (*quit)() = nullptr;            // called for Ctrl-C while the page is hidden
  bool input_closed_reported = false;  // the handler runs once per backend
  RandomState rng = Anfang();          // the game's generator
};
LayerState L;

// The program's layouts are 80x25; the backend decides how the page is shown
// (a smaller terminal gets a notice instead).
constexpr int kCols = 80;
constexpr int kRows = 25;

Backend& B() {
  assert(L.backend && "term::SetBackend was not called");
  return *L.backend;
}

void NewLine() {
  L.cx = 1;
  if (L.cy < kRows) {
    ++L.cy;
  } else {
    B().ScrollUp(TextAttr);
  }
}

void PutChar(uint8_t c) {
  switch (c) {
    case 8:
      if (L.cx > 1) --L.cx;
      break;
    case 13:
      L.cx = 1;
      break;
    case 10:
      NewLine();
      break;
    case 7:
      B().Bell();
      break;
    default:
      B().PutCell(L.cx, L.cy, c, TextAttr);
      if (L.cx < kCols) {
        ++L.cx;
      } else {
        NewLine();
      }
  }
}

// Reads raw bytes until at least one decoded key byte can be delivered, or the
// timeout passes. Returns whether a key byte is waiting. While the page is
// hidden, keys go into the queue but none is delivered, and a wait may end
// early (when the window changes size) so that the caller looks again.
bool Fill(int timeout_ms) {
  if (KeyQueueSize() > 0 && !B().PageHidden()) return true;
  B().Flush();
  const int b = B().ReadByte(timeout_ms);
  if (b == Backend::kEndOfInput) {
    if (!L.input_closed_reported && L.input_closed) {
      L.input_closed_reported = true;
      L.input_closed();
    }
    // Nothing more can come that would be worth waiting for.
    KeyQueuePush(KEY_ESC);
    return true;
  }
  if (b != Backend::kNoByte) {
    if (b == KEY_CTRL_C && L.quit && B().PageHidden()) L.quit();
    if (DecodeKey(static_cast<uint8_t>(b), [](int t) { return B().ReadByte(t); })) {
      B().Redraw();
      B().Flush();
    }
  }
  return KeyQueueSize() > 0 && !B().PageHidden();
}

}  // namespace

void SetBackend(Backend* backend) {
  L.backend = backend;
  L.cx = L.cy = 1;
  L.input_closed_reported = false;
  TextAttr = 7;
  LastMode = backend && backend->Monochrome() ? 7 : 3;
  KeyQueueClear();
  if (backend) backend->SetCursor(1, 1);
}

Backend* CurrentBackend() {
  return L.backend;
}

void ClrScr() {
  B().Clear(TextAttr);
  L.cx = L.cy = 1;
  B().SetCursor(1, 1);
}

void GotoXY(int x, int y) {
  if (x < 1 || y < 1 || x > kCols || y > kRows) return;
  L.cx = x;
  L.cy = y;
  B().SetCursor(x, y);
}

int WhereX() {
  return L.cx;
}
int WhereY() {
  return L.cy;
}

void Write(std::string_view s) {
  for (char c : s) PutChar(static_cast<uint8_t>(c));
  B().SetCursor(L.cx, L.cy);
}

void Write(char c) {
  PutChar(static_cast<uint8_t>(c));
  B().SetCursor(L.cx, L.cy);
}

void WriteInt(int64_t n) {
  Write(std::to_string(n));
}

void WriteLnSystemText(std::string_view s) {
  if (!B().PutSystemText(L.cx, L.cy, s)) {
    for (size_t i = 0; i < s.size();) {
      const int32_t c = NextUtf8(s, i);
      const bool steuer = c < 0x20 || c == 0x7F;  // the invalid bytes (-1) too
      const uint8_t b = steuer ? 0 : UnicodeToCp850(static_cast<char32_t>(c));
      PutChar(b != 0 ? b : '?');
    }
  }
  NewLine();
  B().SetCursor(L.cx, L.cy);
}

void WriteLn(std::string_view s) {
  for (char c : s) PutChar(static_cast<uint8_t>(c));
  NewLine();
  B().SetCursor(L.cx, L.cy);
}

void Flush() {
  if (L.backend) L.backend->Flush();
}

void RestoreTerminal() {
  if (L.backend) L.backend->Shutdown();
}

char ReadKey() {
  while (!Fill(-1)) {
  }
  return static_cast<char>(KeyQueuePop());
}

char ReadKeyWhole() {
  const char c = ReadKey();
  if (c == 0) ReadKey();
  return c;
}

char ReadPlainKey() {
  for (;;) {
    const char c = ReadKeyWhole();
    if (c != 0) return c;
  }
}

bool KeyPressed() {
  return Fill(0);
}

bool KeyWait(int ms) {
  return Fill(ms);
}

void Delay(int ms) {
  B().Flush();
  B().Sleep(ms);
}

void Sound(int) {
  B().Bell();
}
void NoSound() {}

void SetInputClosedHandler(void (*handler)()) {
  L.input_closed = handler;
}

void SetQuitHandler(void (*handler)()) {
  L.quit = handler;
}

void GetDate(uint16_t& year, uint16_t& month, uint16_t& day, uint16_t& weekday) {
  LocalTime t = B().Now();
  year = static_cast<uint16_t>(t.year);
  month = static_cast<uint16_t>(t.month);
  day = static_cast<uint16_t>(t.day);
  weekday = static_cast<uint16_t>(t.weekday);
}

void GetTime(uint16_t& hour, uint16_t& minute, uint16_t& second, uint16_t& hundredths) {
  LocalTime t = B().Now();
  hour = static_cast<uint16_t>(t.hour);
  minute = static_cast<uint16_t>(t.minute);
  second = static_cast<uint16_t>(t.second);
  hundredths = static_cast<uint16_t>(t.hundredths);
}

void SetDate(uint16_t, uint16_t, uint16_t) {}
void SetTime(uint16_t, uint16_t, uint16_t, uint16_t) {}

void Randomize() {
  std::random_device rd;
  uint64_t seed =
      (static_cast<uint64_t>(rd()) << 32) ^ rd() ^
      static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  Seed(L.rng, seed);
}

void RandSeed(uint64_t seed) {
  Seed(L.rng, seed);
}

uint64_t Random64(uint64_t n) {
  if (n == 0) return 0;
  // Rejection keeps every value equally likely. A power of two (the shuffle's
  // bucket count) needs no division: the same outputs are kept, the same value
  // results.
  uint64_t x;
  if ((n & (n - 1)) == 0) {
    const uint64_t limit = 0 - n;  // RandomBound(n) = 2^64 - n
    do {
      x = Naechste(L.rng);
    } while (x >= limit);
    return x & (n - 1);
  }
  const uint64_t limit = RandomBound(n);
  do {
    x = Naechste(L.rng);
  } while (x >= limit);
  return x % n;
}

void RandomRaw(uint64_t* out, size_t count) {
  Fuellen(L.rng, out, count);
}

uint32_t Random(uint32_t n) {
  return static_cast<uint32_t>(Random64(n));
}

}  // namespace term

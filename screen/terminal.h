// The terminal layer: the operations of a classic 80x25 text console over a
// backend that is either a real POSIX terminal or an in-memory screen for tests.
//
// Every screen routine of the game draws through these free functions and reads
// or writes TextAttr directly. Texts are code page 850 bytes: one byte, one cell.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace term {

// ---- Key codes -----------------------------------------------------------
// Plain keys arrive as one byte; extended keys as 0 followed by one of these.
enum : uint8_t {
  KEY_CTRL_C = 3,
  KEY_BACKSPACE = 8,
  KEY_ENTER = 13,
  KEY_CTRL_X = 24,
  KEY_ESC = 27,
};
enum : uint8_t {
  EXT_F1 = 59,
  EXT_F2 = 60,
  EXT_F3 = 61,
  EXT_F4 = 62,
  EXT_F5 = 63,
  EXT_F6 = 64,
  EXT_F7 = 65,
  EXT_F8 = 66,
  EXT_F9 = 67,
  EXT_F10 = 68,
  EXT_HOME = 71,
  EXT_UP = 72,
  EXT_PGUP = 73,
  EXT_LEFT = 75,
  EXT_RIGHT = 77,
  EXT_END = 79,
  EXT_DOWN = 80,
  EXT_PGDN = 81,
  EXT_INS = 82,
  EXT_DEL = 83,
  EXT_SHIFT_F1 = 84,
  EXT_SHIFT_F4 = 87,
  EXT_SHIFT_F6 = 89,
  EXT_CTRL_F1 = 94,
  EXT_CTRL_F4 = 97,
  EXT_CTRL_F6 = 99,
  EXT_ALT_F1 = 104,
  EXT_ALT_F4 = 107,
  EXT_ALT_F6 = 109,
  EXT_CTRL_LEFT = 115,
  EXT_CTRL_RIGHT = 116,
  EXT_CTRL_PGDN = 118,
  EXT_CTRL_PGUP = 132,
  EXT_F11 = 133,
  EXT_F12 = 134,
  EXT_CTRL_UP = 141,
  EXT_CTRL_DOWN = 145,
  EXT_ALT_UP = 152,
  EXT_ALT_PGUP = 153,
  EXT_ALT_LEFT = 155,
  EXT_ALT_RIGHT = 157,
  EXT_ALT_DOWN = 160,
  EXT_ALT_PGDN = 161,
  EXT_ALT_DEL = 163,
};

// A local date and time as the system clock gives it.
struct LocalTime {
  int year, month, day, weekday;  // weekday 0 = Sunday .. 6 = Saturday
  int hour, minute, second, hundredths;
};

// The seam between the layer and the device. The layer keeps the cursor, the
// window and the attribute; a backend only puts cells and moves bytes. It
// exists so that every screen can be driven in memory by tests.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual int Columns() const = 0;
  virtual int Rows() const = 0;
  // Put one code page 850 byte at (x, y), 1-based, in attribute attr.
  virtual void PutCell(int x, int y, uint8_t ch, uint8_t attr) = 0;
  // Fill the whole screen with blanks in attr.
  virtual void Clear(uint8_t attr) = 0;
  // Scroll the whole screen up one row; the new last row is blank in attr.
  virtual void ScrollUp(uint8_t attr) = 0;
  // Show the cursor at (x, y).
  virtual void SetCursor(int x, int y) = 0;
  // Make everything put so far visible.
  virtual void Flush() = 0;
  // Next raw input byte. timeout_ms < 0 waits for ever, 0 only tests.
  // Returns 0..255, kNoByte when none came in time, kEndOfInput when the
  // input is closed or failed.
  virtual int ReadByte(int timeout_ms) = 0;
  static constexpr int kNoByte = -1;
  static constexpr int kEndOfInput = -2;
  // Local date and time now.
  virtual LocalTime Now() = 0;
  // Wait ms milliseconds.
  virtual void Sleep(int ms) = 0;
  // The audible signal.
  virtual void Bell() = 0;
  // Leave the device as it was found (the real backend restores the terminal
  // and writes everything after that as plain lines). Called more than once.
  virtual void Shutdown() {}
  // Text from the system (UTF-8, see WriteLnSystemText) at (x, y): a device that
  // can show it in its own encoding writes it itself and returns true; false
  // leaves it to the layer, which puts it as code page 850 cells.
  virtual bool PutSystemText(int /*x*/, int /*y*/, std::string_view /*utf8*/) { return false; }
  // Whether the page is hidden now because the window is too small for it (the
  // real backend then shows a notice instead). The layer holds keys back
  // meanwhile; the page is drawn on as usual and appears when the window grows.
  virtual bool PageHidden() { return false; }
  // Draw everything visible anew on the next Flush (the redraw key, Ctrl-L).
  virtual void Redraw() {}
  // Whether the device shows no colours: attributes then come out as bold,
  // reverse and blink only. The layer reports it as the monochrome text mode 7.
  virtual bool Monochrome() const { return false; }
};

// Installs the backend every operation below goes to; the layer does not own it.
// Resets cursor to (1,1), window to the screen, TextAttr to 7, LastMode to 3
// (7 on a monochrome backend).
void SetBackend(Backend* backend);
Backend* CurrentBackend();

// ---- Screen operations ----------------------------------------------------
inline uint8_t TextAttr = 7;  // attribute for all writes and ClrScr
// Text mode in effect at start: 3 (colour), 7 on a device without colours.
inline uint16_t LastMode = 3;

void ClrScr();
void GotoXY(int x, int y);
int WhereX();
int WhereY();

// Write code page 850 bytes at the cursor; 8, 10 and 13 act as control characters.
void Write(std::string_view cp850);
void Write(char c);
void WriteInt(int64_t n);
void WriteLn(std::string_view cp850 = {});
// Writes a line of text that comes from the system rather than from the
// program's own texts: a file name as the file system has it (UTF-8 on this
// platform). The terminal shows it in its own encoding and whole, however long;
// control characters and bytes that are no UTF-8 show as '?' (on a code page 850
// terminal, text that is no UTF-8 is taken as that code page's own bytes). On a
// screen of cells, a character code page 850 does not have shows as '?'.
void WriteLnSystemText(std::string_view utf8);
// Make all output visible (also done before every wait for a key and at exit).
void Flush();
// Gives the terminal back as it was found (mode, normal screen, attributes,
// cursor) before the exit text is written. The page drawn so far goes with the
// program's screen; what is written afterwards comes out as plain lines below the
// user's earlier output and stays there (ClrScr then only starts a fresh line).
// Safe to call more than once; in memory it changes nothing.
void RestoreTerminal();

// ---- Keyboard and timing --------------------------------------------------
// The redraw key (Ctrl-L) is never delivered: it makes the backend draw the
// whole page anew from the layer's copy. While the backend hides the page
// (PageHidden), keys are held back and delivered once it shows again.
char ReadKey();     // blocks; extended keys give 0 then the code
bool KeyPressed();  // never blocks
// One key read whole: a plain key's byte, or 0 for an extended key, whose code
// is read and dropped so that it never counts as a key of its own.
char ReadKeyWhole();
// Blocks until a plain key comes; extended keys are read whole and skipped.
char ReadPlainKey();
// Waits up to ms milliseconds for a key and reports whether one is waiting.
// Waiting loops use it between clock redraws so that an idle screen costs no CPU.
bool KeyWait(int ms);
void Delay(int ms);
void Sound(int hz);
void NoSound();

// When the input is closed (end of file, terminal gone) the layer calls this
// handler once; it is expected not to return (the program ends as choice 9 would).
// Without a handler, or if it returns, ReadKey delivers Esc.
void SetInputClosedHandler(void (*handler)());
// Ctrl-C while the page is hidden cannot reach the game, so the layer calls this
// handler instead; it is expected not to return (the program ends as choice 9
// would). Without a handler, or if it returns, the key is held like any other.
void SetQuitHandler(void (*handler)());

// ---- Date and time --------------------------------------------------------
void GetDate(uint16_t& year, uint16_t& month, uint16_t& day, uint16_t& weekday);
void GetTime(uint16_t& hour, uint16_t& minute, uint16_t& second, uint16_t& hundredths);
// Never change the system clock: the machines this runs on are shared. Refused silently.
void SetDate(uint16_t year, uint16_t month, uint16_t day);
void SetTime(uint16_t hour, uint16_t minute, uint16_t second, uint16_t hundredths);

// ---- Random numbers -------------------------------------------------------
void Randomize();               // seed once from the clock
void RandSeed(uint64_t seed);   // fixed seed, for tests and self-play
uint32_t Random(uint32_t n);    // uniform 0..n-1 (0 when n = 0)
uint64_t Random64(uint64_t n);  // uniform 0..n-1 (0 when n = 0)
// The rule behind Random64(n) for n > 0, for callers that draw many numbers in
// bulk: a raw output x of the generator is drawn again while x >= RandomBound(n),
// and the result is x % n. RandomRaw hands out the next raw outputs in order, so
// draws made that way and with Random/Random64 interleave exactly.
constexpr uint64_t RandomBound(uint64_t n) {
  return UINT64_MAX - UINT64_MAX % n;
}
void RandomRaw(uint64_t* out, size_t count);
// Test hook: false keeps the generator to its plain loops, which it otherwise
// leaves for vector ones where the processor has them; both give one sequence.
inline bool RandomVectors = true;

}  // namespace term

#include "screen/key_decoder.h"

#include "screen/terminal.h"

namespace term {
namespace {

// A small ring: the longest sequence we deliver as plain bytes is short.
constexpr int kQueueSize = 64;
uint8_t queue[kQueueSize];
int head = 0;
int count = 0;

void PushExtended(uint8_t code) {
  // Both bytes or neither: a lone 0 would make the next key count as a code.
  if (KeyQueueSize() > kQueueSize - 2) return;
  KeyQueuePush(0);
  KeyQueuePush(code);
}

// The classic console code of a key for a modifier parameter of xterm
// (2 Shift, 3 Alt, 5 Ctrl, combinations add up); Ctrl wins over Alt over Shift.
// Meta (8) counts as Alt, since terminals send either for the same key.
uint8_t Modified(int mod, uint8_t plain, uint8_t shift, uint8_t ctrl, uint8_t alt) {
  int m = mod > 1 ? mod - 1 : 0;
  if (m & 4) return ctrl;
  if (m & 10) return alt;
  if (m & 1) return shift;
  return plain;
}

// F1..F10 with modifiers follow one numbering: plain 59.., Shift 84.., Ctrl 94.., Alt 104...
uint8_t FunctionKey(int k, int mod) {  // k = 1..12
  if (k == 11) return Modified(mod, 133, 135, 137, 139);
  if (k == 12) return Modified(mod, 134, 136, 138, 140);
  return Modified(mod, static_cast<uint8_t>(58 + k), static_cast<uint8_t>(83 + k),
                  static_cast<uint8_t>(93 + k), static_cast<uint8_t>(103 + k));
}

// Cursor and editing keys by their final letter (CSI and SS3 forms); 0 if none.
uint8_t LetterKey(char f, int mod) {
  switch (f) {
    case 'A':
      return Modified(mod, EXT_UP, EXT_UP, EXT_CTRL_UP, EXT_ALT_UP);
    case 'B':
      return Modified(mod, EXT_DOWN, EXT_DOWN, EXT_CTRL_DOWN, EXT_ALT_DOWN);
    case 'C':
      return Modified(mod, EXT_RIGHT, EXT_RIGHT, EXT_CTRL_RIGHT, EXT_ALT_RIGHT);
    case 'D':
      return Modified(mod, EXT_LEFT, EXT_LEFT, EXT_CTRL_LEFT, EXT_ALT_LEFT);
    case 'H':
      return Modified(mod, EXT_HOME, EXT_HOME, 119, 151);
    case 'F':
      return Modified(mod, EXT_END, EXT_END, 117, 159);
    case 'K':
      return EXT_END;
    case 'P':
      return FunctionKey(1, mod);
    case 'Q':
      return FunctionKey(2, mod);
    case 'R':
      return FunctionKey(3, mod);
    case 'S':
      return FunctionKey(4, mod);
    default:
      return 0;
  }
}

// Keys of the form CSI number ~ ; 0 if none.
uint8_t TildeKey(int n, int mod) {
  switch (n) {
    case 1:
    case 7:  // Home and End of terminals of the rxvt family
      return Modified(mod, EXT_HOME, EXT_HOME, 119, 151);
    case 2:
      return Modified(mod, EXT_INS, EXT_INS, 146, 162);
    case 3:
      return Modified(mod, EXT_DEL, EXT_DEL, 147, EXT_ALT_DEL);
    case 4:
    case 8:
      return Modified(mod, EXT_END, EXT_END, 117, 159);
    case 5:
      return Modified(mod, EXT_PGUP, EXT_PGUP, EXT_CTRL_PGUP, EXT_ALT_PGUP);
    case 6:
      return Modified(mod, EXT_PGDN, EXT_PGDN, EXT_CTRL_PGDN, EXT_ALT_PGDN);
    case 15:
      return FunctionKey(5, mod);
    case 17:
      return FunctionKey(6, mod);
    case 18:
      return FunctionKey(7, mod);
    case 19:
      return FunctionKey(8, mod);
    case 20:
      return FunctionKey(9, mod);
    case 21:
      return FunctionKey(10, mod);
    case 23:
      return FunctionKey(11, mod);
    case 24:
      return FunctionKey(12, mod);
    case 25:
      return 86;  // shifted F3 .. F10 of terminals without modifier parameters
    case 26:
      return 87;
    case 28:
      return 88;
    case 29:
      return 89;
    case 31:
      return 90;
    case 32:
      return 91;
    case 33:
      return 92;
    case 34:
      return 93;
    default:
      return 0;
  }
}

// The classic Alt code of a letter or digit.
uint8_t AltCode(uint8_t c) {
  static const uint8_t letters[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                      49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
  if (c >= 'a' && c <= 'z') return letters[c - 'a'];
  if (c >= 'A' && c <= 'Z') return letters[c - 'A'];
  if (c >= '1' && c <= '9') return static_cast<uint8_t>(120 + (c - '1'));
  if (c == '0') return 129;
  return 0;
}

}  // namespace

int KeyQueueSize() {
  return count;
}

uint8_t KeyQueuePop() {
  if (count == 0) return 0;
  uint8_t b = queue[head];
  head = (head + 1) % kQueueSize;
  --count;
  return b;
}

void KeyQueuePush(uint8_t b) {
  if (count == kQueueSize) return;  // a flood of keys: drop what does not fit
  queue[(head + count) % kQueueSize] = b;
  ++count;
}

void KeyQueueClear() {
  head = count = 0;
}

namespace {

// xterm's modifier parameter is 1 (none) .. 16; anything else is no key (for
// instance a cursor position report, which also ends in a letter).
bool ValidModifier(int mod) {
  return mod >= 1 && mod <= 16;
}

}  // namespace

void DecodeKey(uint8_t first, ByteReader read) {
  if (first == 127) {
    KeyQueuePush(KEY_BACKSPACE);
    return;
  }
  if (first != KEY_ESC) {
    KeyQueuePush(first);
    return;
  }
  int b = read(kEscTimeoutMs);
  if (b < 0) {
    KeyQueuePush(KEY_ESC);
    return;
  }
  if (b == KEY_ESC) {  // Esc pressed twice, or Esc before a key sequence
    KeyQueuePush(KEY_ESC);
    return DecodeKey(KEY_ESC, read);
  }
  // Bytes of the sequence read so far, for delivering an unknown one as it came.
  uint8_t seq[16];
  int n = 0;
  seq[n++] = static_cast<uint8_t>(b);
  auto plain = [&]() {
    KeyQueuePush(KEY_ESC);
    for (int i = 0; i < n; ++i) KeyQueuePush(seq[i] == 127 ? uint8_t{KEY_BACKSPACE} : seq[i]);
  };
  // Reads one more byte of the sequence; false when none came or it grew too long.
  auto next = [&](int& f) {
    if (n >= static_cast<int>(sizeof seq)) return false;
    f = read(kEscTimeoutMs);
    if (f < 0) return false;
    seq[n++] = static_cast<uint8_t>(f);
    return true;
  };

  if (b == 'O') {  // SS3: F1..F4 and cursor keys in application mode
    int f;
    if (!next(f)) {
      if (n == 1) return PushExtended(AltCode('O'));  // Alt-O: nothing followed
      return plain();
    }
    int mod = 1;  // some terminals put the modifier between O and the letter
    if (f >= '1' && f <= '9') {
      mod = f - '0';
      if (!next(f)) return plain();
    }
    uint8_t code = f != 'K' ? LetterKey(static_cast<char>(f), mod) : 0;
    if (code) return PushExtended(code);
    return plain();
  }
  if (b != '[') {
    uint8_t alt = AltCode(static_cast<uint8_t>(b));
    if (alt) return PushExtended(alt);
    return plain();
  }

  // CSI: parameters (digits and ';'), then one final byte.
  int f;
  if (!next(f)) return plain();
  if (f == '[') {  // the console's F1..F5: ESC [ [ A .. E
    int g;
    if (!next(g)) return plain();
    if (g >= 'A' && g <= 'E') return PushExtended(static_cast<uint8_t>(59 + (g - 'A')));
    return plain();
  }
  int params[2] = {0, 0};
  int np = 0;
  bool any_digit = false;
  while ((f >= '0' && f <= '9') || f == ';') {
    if (f == ';') {
      if (++np > 1) return plain();  // no key of ours has three parameters
    } else {
      params[np] = params[np] * 10 + (f - '0');
      if (params[np] > 999) params[np] = 999;
      any_digit = true;
    }
    if (!next(f)) return plain();
  }
  int mod = np >= 1 ? params[1] : 1;
  if (!ValidModifier(mod)) return plain();
  uint8_t code = 0;
  if (f == '~') {
    if (any_digit) code = TildeKey(params[0], mod);
  } else if (params[0] <= 1) {  // letters carry at most "1;" before the modifier
    code = LetterKey(static_cast<char>(f), mod);
  }
  if (code) return PushExtended(code);
  plain();
}

}  // namespace term

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

// Bytes read ahead that belong to the next key, not to the sequence being read
// (a control byte inside a sequence, or the Esc that cut a string short).
ByteReader reader = nullptr;
int ahead[2];
int n_ahead = 0;

void PutBack(int b) {
  if (n_ahead < 2) ahead[n_ahead++] = b;
}

int Read(int timeout_ms) {
  if (n_ahead > 0) {
    const int b = ahead[0];
    ahead[0] = ahead[1];
    --n_ahead;
    return b;
  }
  return reader(timeout_ms);
}

// Esc followed by a printable key that begins no sequence (or one that nothing
// followed): Alt with a letter or digit, otherwise Esc and the key itself.
void EscAndKey(int b) {
  const uint8_t alt = AltCode(static_cast<uint8_t>(b));
  if (alt) return PushExtended(alt);
  KeyQueuePush(KEY_ESC);
  KeyQueuePush(b == 127 ? uint8_t{KEY_BACKSPACE} : static_cast<uint8_t>(b));
}

// What a control sequence consists of; only the first parameters are kept.
struct Sequence {
  char params[24];   // parameter bytes 0x30..0x3F, as far as they fit
  int n_params = 0;  //
  bool too_long = false;
  bool intermediates = false;  // bytes 0x20..0x2F: no key of ours has them
  bool out_of_order = false;   // a parameter byte after an intermediate
  int final = -1;              // 0x40..0x7E; -1 when the sequence was cut short
};

// Reads parameter and intermediate bytes up to the final byte, starting with b.
// A byte that cannot be part of a sequence (a control byte, Delete, a character
// beyond ASCII) ends it unfinished and is kept for the next key.
Sequence ReadSequence(int b) {
  Sequence s;
  for (;;) {
    if (b < 0) return s;  // nothing more came: cut short
    if (b >= 0x30 && b <= 0x3F) {
      if (s.intermediates) s.out_of_order = true;
      if (s.n_params < static_cast<int>(sizeof s.params)) {
        s.params[s.n_params++] = static_cast<char>(b);
      } else {
        s.too_long = true;
      }
    } else if (b >= 0x20 && b <= 0x2F) {
      s.intermediates = true;
    } else if (b >= 0x40 && b <= 0x7E) {
      s.final = b;
      return s;
    } else {
      PutBack(b);
      return s;
    }
    b = Read(kSequenceTimeoutMs);
  }
}

// The parameters of a key: at most two decimal numbers separated by ';'.
// False for anything else (private markers, sub-parameters, more numbers).
bool KeyParameters(const Sequence& s, int& first, int& mod, bool& any_digit) {
  if (s.too_long || s.intermediates || s.out_of_order) return false;
  int values[2] = {0, 0};
  int n = 0;
  any_digit = false;
  for (int i = 0; i < s.n_params; ++i) {
    const char c = s.params[i];
    if (c == ';') {
      if (++n > 1) return false;
    } else if (c >= '0' && c <= '9') {
      values[n] = values[n] * 10 + (c - '0');
      if (values[n] > 999) values[n] = 999;
      if (n == 0) any_digit = true;
    } else {
      return false;
    }
  }
  first = values[0];
  mod = n >= 1 ? values[1] : 1;
  return ValidModifier(mod);
}

// ESC [ ...: a cursor, editing or function key, or something to drop.
void Csi() {
  int b = Read(kSequenceTimeoutMs);
  if (b < 0) return EscAndKey('[');  // Esc and then '[' typed
  if (b == '[') {                    // the console's F1..F5: ESC [ [ A .. E
    const int f = Read(kSequenceTimeoutMs);
    if (f >= 'A' && f <= 'E') return PushExtended(static_cast<uint8_t>(EXT_F1 + (f - 'A')));
    if (f >= 0 && (f < 0x40 || f > 0x7E)) PutBack(f);
    return;
  }
  const Sequence s = ReadSequence(b);
  int first, mod;
  bool any_digit;
  if (s.final < 0 || !KeyParameters(s, first, mod, any_digit)) return;
  uint8_t code = 0;
  if (s.final == '~') {
    if (any_digit) code = TildeKey(first, mod);
  } else if (first <= 1) {  // letters carry at most "1;" before the modifier
    code = LetterKey(static_cast<char>(s.final), mod);
  }
  if (code) PushExtended(code);
}

// ESC O ...: F1..F4 and the cursor keys in application mode; Alt-O when nothing
// follows.
void Ss3() {
  int b = Read(kSequenceTimeoutMs);
  if (b < 0x20 || b > 0x7E) {
    if (b >= 0) PutBack(b);
    return EscAndKey('O');
  }
  const Sequence s = ReadSequence(b);
  if (s.final < 0 || s.final == 'K' || s.too_long || s.intermediates) return;
  // Some terminals put the modifier between O and the letter.
  int mod = 1;
  if (s.n_params == 1 && s.params[0] >= '1' && s.params[0] <= '9') {
    mod = s.params[0] - '0';
  } else if (s.n_params != 0) {
    return;
  }
  const uint8_t code = LetterKey(static_cast<char>(s.final), mod);
  if (code) PushExtended(code);
}

// ESC ] (OSC), ESC P (DCS), ESC _ (APC), ESC ^ (PM), ESC X (SOS): a string up to
// ESC \ or BEL, all dropped. When nothing follows the introducer, it was typed
// after Esc.
void String(int introducer) {
  int b = Read(kSequenceTimeoutMs);
  if (b < 0) return EscAndKey(introducer);
  for (;;) {
    if (b < 0 || b == 7) return;  // cut short, or ended by BEL
    if (b == KEY_ESC) {
      const int c = Read(kSequenceTimeoutMs);
      if (c < 0 || c == '\\') return;  // ended by ST
      PutBack(KEY_ESC);                // another sequence began: the string ends here
      PutBack(c);
      return;
    }
    b = Read(kSequenceTimeoutMs);
  }
}

// One key from its first byte; returns true for the redraw key.
bool DecodeOne(int first) {
  if (first == kRedrawKey) return true;
  if (first == 127) {
    KeyQueuePush(KEY_BACKSPACE);
    return false;
  }
  if (first != KEY_ESC) {
    KeyQueuePush(static_cast<uint8_t>(first));
    return false;
  }
  const int b = Read(kEscTimeoutMs);
  if (b < 0) {
    KeyQueuePush(KEY_ESC);
  } else if (b == KEY_ESC || (b < 0x20 && b != KEY_ESC)) {
    // Esc pressed twice, Esc before a key sequence, or Esc and a control key.
    KeyQueuePush(KEY_ESC);
    PutBack(b);
  } else if (b == '[') {
    Csi();
  } else if (b == 'O') {
    Ss3();
  } else if (b == ']' || b == 'P' || b == '_' || b == '^' || b == 'X') {
    String(b);
  } else {
    EscAndKey(b);
  }
  return false;
}

}  // namespace

bool DecodeKey(uint8_t first, ByteReader read) {
  reader = read;
  n_ahead = 0;
  bool redraw = DecodeOne(first);
  // Bytes read ahead start keys of their own.
  while (n_ahead > 0) redraw |= DecodeOne(Read(0));
  return redraw;
}

}  // namespace term

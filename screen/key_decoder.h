// Turns the terminal's raw input bytes into the console's key codes: plain
// bytes stay, Backspace (127) becomes 8, and escape sequences become 0 followed
// by the extended code, so that they can never be taken for typed characters.
//
// Every escape sequence is read whole: a CSI sequence (ESC [, parameters,
// intermediates, final byte), an SS3 sequence (ESC O), and the strings that
// begin with ESC ], ESC P, ESC _, ESC ^ and ESC X up to their terminator (BEL or
// ESC \ ). One without a key of ours (Shift-Tab, a focus report, an answer of
// the terminal, a bracketed-paste marker) is dropped as a whole: it never yields
// Esc, a letter or a digit. Esc alone (nothing within the Esc delay) is Esc; Esc
// followed by a printable key keeps its old meaning (Alt with a letter or digit,
// otherwise Esc and the key).
#pragma once

#include <cstdint>

namespace term {

// Reads the next raw byte within timeout_ms; returns -1 when none came.
using ByteReader = int (*)(int timeout_ms);

// Decodes the key that starts with first (reading further bytes through read
// where an escape sequence follows) and appends its bytes to the key queue.
// Returns true when the redraw key (Ctrl-L, byte 12) came, which is not queued.
bool DecodeKey(uint8_t first, ByteReader read);

// The byte of the redraw key.
constexpr uint8_t kRedrawKey = 12;

// The queue of decoded key bytes.
int KeyQueueSize();
uint8_t KeyQueuePop();
void KeyQueuePush(uint8_t b);
void KeyQueueClear();

// How long the decoder waits for the byte after an Esc before it takes the Esc
// as the Esc key.
constexpr int kEscTimeoutMs = 10;
// How long it waits for each further byte once a sequence has begun. A person
// cannot type a sequence, so waiting longer costs nothing, and a sequence split
// by a slow connection is still read whole.
constexpr int kSequenceTimeoutMs = 100;

}  // namespace term

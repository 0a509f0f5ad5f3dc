// Turns the terminal's raw input bytes into the console's key codes: plain
// bytes stay, Backspace (127) becomes 8, and escape sequences become 0 followed
// by the extended code, so that they can never be taken for typed characters.
#pragma once

#include <cstdint>

namespace term {

// Reads the next raw byte within timeout_ms; returns -1 when none came.
using ByteReader = int (*)(int timeout_ms);

// Decodes the key that starts with first (reading further bytes through read
// where an escape sequence follows) and appends its bytes to the key queue.
void DecodeKey(uint8_t first, ByteReader read);

// The queue of decoded key bytes.
int KeyQueueSize();
uint8_t KeyQueuePop();
void KeyQueuePush(uint8_t b);
void KeyQueueClear();

// How long the decoder waits for the byte after an Esc before it takes the Esc
// as the Esc key.
constexpr int kEscTimeoutMs = 10;

}  // namespace term

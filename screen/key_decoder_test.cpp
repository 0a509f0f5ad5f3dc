#include "screen/key_decoder.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "screen/terminal.h"

namespace {

// The fake terminal input: bytes in the order they arrive; kGap stands for a
// pause longer than any timeout of the decoder, kSplit for one of 50 ms (the
// rest of a sequence in a later read, over a slow connection).
constexpr int kGap = -1;
constexpr int kSplit = -2;
constexpr int kSplitMs = 50;
std::deque<int> script;
std::vector<int> timeouts_asked;
int redraws = 0;

int FakeRead(int timeout_ms) {
  timeouts_asked.push_back(timeout_ms);
  if (script.empty()) return -1;
  int b = script.front();
  script.pop_front();
  if (b == kSplit) {
    if (timeout_ms < kSplitMs) return -1;  // the rest comes too late for this wait
    if (script.empty()) return -1;
    b = script.front();
    script.pop_front();
  }
  return b;  // kGap is -1: "nothing came in time"
}

// Feeds the bytes (with gaps) through the decoder the way the layer does, one
// key at a time, and returns every decoded key byte; redraws counts Ctrl-L.
std::vector<int> DecodeBytes(std::vector<int> bytes) {
  term::KeyQueueClear();
  script.assign(bytes.begin(), bytes.end());
  timeouts_asked.clear();
  redraws = 0;
  while (!script.empty()) {
    int first = script.front();
    script.pop_front();
    if (first == kGap || first == kSplit) continue;
    if (term::DecodeKey(static_cast<uint8_t>(first), FakeRead)) ++redraws;
  }
  std::vector<int> out;
  while (term::KeyQueueSize() > 0) out.push_back(term::KeyQueuePop());
  return out;
}

std::vector<int> Decode(const std::string& s) {
  std::vector<int> bytes;
  for (char c : s) bytes.push_back(static_cast<uint8_t>(c));
  return DecodeBytes(bytes);
}

std::vector<int> Ext(int code) {
  return {0, code};
}

struct Sequence {
  const char* bytes;
  int code;
};

TEST(KeyDecoder, EveryTerminalSequenceOfTheKeyTable) {
  const Sequence table[] = {
      {"\x1b[A", 72},
      {"\x1bOA", 72},
      {"\x1b[B", 80},
      {"\x1bOB", 80},
      {"\x1b[C", 77},
      {"\x1bOC", 77},
      {"\x1b[D", 75},
      {"\x1bOD", 75},
      {"\x1b[H", 71},
      {"\x1b[1~", 71},
      {"\x1b[4~", 79},
      {"\x1b[K", 79},
      {"\x1b[5~", 73},
      {"\x1b[6~", 81},
      {"\x1b[2~", 82},
      {"\x1b[3~", 83},
      {"\x1bOP", 59},
      {"\x1b[[A", 59},
      {"\x1bOQ", 60},
      {"\x1b[[B", 60},
      {"\x1bOR", 61},
      {"\x1b[[C", 61},
      {"\x1bOS", 62},
      {"\x1b[[D", 62},
      {"\x1b[15~", 63},
      {"\x1b[[E", 63},
      {"\x1b[17~", 64},
      {"\x1b[18~", 65},
      {"\x1b[19~", 66},
      {"\x1b[20~", 67},
      {"\x1b[21~", 68},
      {"\x1b[23~", 133},
      {"\x1b[24~", 134},
      {"\x1b[25~", 86},
      {"\x1b[26~", 87},
      {"\x1b[28~", 88},
      {"\x1b[29~", 89},
      {"\x1b[31~", 90},
      {"\x1b[32~", 91},
      {"\x1b[33~", 92},
      {"\x1b[34~", 93},
      // Home and End of the rxvt family, and the xterm End key
      {"\x1b[7~", 71},
      {"\x1b[8~", 79},
      {"\x1b[F", 79},
      {"\x1bOH", 71},
      {"\x1bOF", 79},
  };
  for (const Sequence& s : table) {
    EXPECT_EQ(Decode(s.bytes), Ext(s.code)) << "sequence ESC" << (s.bytes + 1);
    // Only the byte after Esc has the short delay; a begun sequence is waited for.
    ASSERT_FALSE(timeouts_asked.empty());
    EXPECT_EQ(timeouts_asked[0], term::kEscTimeoutMs);
    for (size_t i = 1; i < timeouts_asked.size(); ++i)
      EXPECT_EQ(timeouts_asked[i], term::kSequenceTimeoutMs);
  }
}

TEST(KeyDecoder, ModifierFormsReachTheCodesTheProgramTests) {
  const Sequence table[] = {
      // cursor keys: Ctrl and Alt
      {"\x1b[1;5D", 115},
      {"\x1b[1;3D", 155},
      {"\x1b[1;5C", 116},
      {"\x1b[1;3C", 157},
      {"\x1b[1;5A", 141},
      {"\x1b[1;3A", 152},
      {"\x1b[1;5B", 145},
      {"\x1b[1;3B", 160},
      // Shift is the plain key; Ctrl wins over Alt over Shift; Meta counts as Alt
      {"\x1b[1;2D", 75},
      {"\x1b[1;7D", 115},
      {"\x1b[1;6A", 141},
      {"\x1b[1;4C", 157},
      {"\x1b[1;9D", 155},
      // F1, F4, F6 with Shift, Ctrl, Alt
      {"\x1b[1;2P", 84},
      {"\x1b[1;5P", 94},
      {"\x1b[1;3P", 104},
      {"\x1b[1;2S", 87},
      {"\x1b[1;5S", 97},
      {"\x1b[1;3S", 107},
      {"\x1b[17;2~", 89},
      {"\x1b[17;5~", 99},
      {"\x1b[17;3~", 109},
      // F1..F4 of terminals that put the modifier after SS3
      {"\x1bO2P", 84},
      {"\x1bO5S", 97},
      {"\x1bO3Q", 105},
      // F5, F11, F12 with modifiers
      {"\x1b[15;2~", 88},
      {"\x1b[23;5~", 137},
      {"\x1b[24;3~", 140},
      // PgUp, PgDn, Del
      {"\x1b[5;5~", 132},
      {"\x1b[5;3~", 153},
      {"\x1b[6;5~", 118},
      {"\x1b[6;3~", 161},
      {"\x1b[3;3~", 163},
      {"\x1b[3;2~", 83},
      // Home, End, Ins with Ctrl and Alt
      {"\x1b[1;5H", 119},
      {"\x1b[1;3F", 159},
      {"\x1b[2;5~", 146},
      {"\x1b[4;5~", 117},
  };
  for (const Sequence& s : table)
    EXPECT_EQ(Decode(s.bytes), Ext(s.code)) << "sequence ESC" << (s.bytes + 1);
}

TEST(KeyDecoder, EscAloneIsEscAfterTheTimeoutAndNeverStartsAKeyOfItsOwn) {
  EXPECT_EQ(DecodeBytes({27}), std::vector<int>{27});
  ASSERT_EQ(timeouts_asked.size(), 1u);
  EXPECT_EQ(timeouts_asked[0], term::kEscTimeoutMs);
  // Esc, a pause, then '[' and 'A' typed: Esc and two plain characters.
  EXPECT_EQ(DecodeBytes({27, kGap, '[', 'A'}), (std::vector<int>{27, '[', 'A'}));
  // Up delivers 0 then 72, never 27.
  EXPECT_EQ(Decode("\x1b[A"), Ext(72));
  // Esc twice, and Esc just before a key sequence
  EXPECT_EQ(DecodeBytes({27, 27, kGap}), (std::vector<int>{27, 27}));
  EXPECT_EQ(Decode("\x1b\x1b[B"), (std::vector<int>{27, 0, 80}));
}

TEST(KeyDecoder, PlainBytes) {
  EXPECT_EQ(DecodeBytes({127}), std::vector<int>{8});
  EXPECT_EQ(DecodeBytes({8}), std::vector<int>{8});
  EXPECT_EQ(DecodeBytes({3}), std::vector<int>{3});
  EXPECT_EQ(DecodeBytes({26, 19, 17, 24, 13, 0x94}), (std::vector<int>{26, 19, 17, 24, 13, 0x94}));
  EXPECT_EQ(Decode("aZ9 *"), (std::vector<int>{'a', 'Z', '9', ' ', '*'}));
  EXPECT_TRUE(timeouts_asked.empty()) << "a plain byte must not wait for more";
}

TEST(KeyDecoder, AltWithALetterOrDigit) {
  EXPECT_EQ(Decode("\x1bx"), Ext(45));
  EXPECT_EQ(Decode("\x1bQ"), Ext(16));
  EXPECT_EQ(Decode("\x1b"
                   "1"),
            Ext(120));
  EXPECT_EQ(Decode("\x1b"
                   "0"),
            Ext(129));
  // ESC O, ESC P and ESC X begin sequences; with nothing after them they were
  // Alt-O, Alt-P and Alt-X.
  EXPECT_EQ(DecodeBytes({27, 'O', kGap}), Ext(24));
  EXPECT_EQ(DecodeBytes({27, 'P', kGap}), Ext(25));
  EXPECT_EQ(DecodeBytes({27, 'X', kGap}), Ext(45));
  // Alt with anything else has no code: Esc and the key come through, also for
  // the introducers of sequences that nothing followed.
  EXPECT_EQ(Decode("\x1b,"), (std::vector<int>{27, ','}));
  EXPECT_EQ(DecodeBytes({27, '[', kGap}), (std::vector<int>{27, '['}));
  EXPECT_EQ(DecodeBytes({27, ']', kGap}), (std::vector<int>{27, ']'}));
  EXPECT_EQ(Decode("\x1b\x7f"), (std::vector<int>{27, 8}));
  // Esc and a control key: both keys.
  EXPECT_EQ(Decode("\x1b\x03"), (std::vector<int>{27, 3}));
}

// Each sequence is followed by "x": everything before it must vanish.
void ExpectDropped(const std::vector<std::string>& sequences) {
  for (const std::string& u : sequences) {
    EXPECT_EQ(Decode(u + "x"), std::vector<int>{'x'})
        << "sequence " << testing::PrintToString(u) << " was not dropped whole";
  }
}

TEST(KeyDecoder, ControlSequencesWithoutAKeyAreDroppedWhole) {
  ExpectDropped({
      "\x1b[Z",                              // Shift-Tab
      "\x1b[?64;1;2;6c",                     // the answer to a device attributes query
      "\x1b[>41;354;0c",                     // the answer to the secondary query
      "\x1b[I",                              // focus in
      "\x1b[O",                              // focus out
      "\x1b[200~",                           // bracketed paste begins
      "\x1b[201~",                           // and ends
      "\x1b[24;80R",                         // a cursor position report
      "\x1b[1;99A",                          // modifier out of range
      "\x1b[1;2;3A",                         // too many parameters
      "\x1b[99~",                            // no such key
      "\x1b[?1h",                            // a private marker
      "\x1b[<0;12;5M",                       // a mouse report
      "\x1b[2 q",                            // an intermediate byte
      "\x1b[1:2A",                           // a sub-parameter
      "\x1b[[Z",                             // console form beyond F5
      "\x1bOz",                              // SS3 with an unknown final
      "\x1bOK",                              // End exists only in the CSI form
      "\x1bO12P",                            // SS3 with two parameter bytes
      "\x1b[" + std::string(40, '1') + "~",  // endless parameters
  });
}

TEST(KeyDecoder, StringsAreDroppedUpToTheirTerminator) {
  ExpectDropped({
      "\x1b]0;window title\x07",              // OSC ended by BEL
      "\x1b]11;rgb:0000/0000/0000\x1b\\",     // OSC ended by ST
      "\x1bP1$r0;1m\x1b\\",                   // DCS
      "\x1bP>|terminal 3.2\x1b\\",            // DCS with letters and digits
      "\x1b_Gi=31;OK\x1b\\",                  // APC
      "\x1b^private message\x1b\\",           // PM
      "\x1bXstart of string\x1b\\",           // SOS
      "\x1b]52;c;\x84\x94\x81 and 1234\x07",  // any bytes inside
  });
  // A string that another sequence cuts short ends there; the sequence counts.
  EXPECT_EQ(Decode("\x1b]0;title\x1b[A"), Ext(72));
}

TEST(KeyDecoder, SequencesSplitAcrossReadsAreReadWhole) {
  EXPECT_EQ(DecodeBytes({27, '[', kSplit, '1', ';', '5', kSplit, 'D'}), Ext(115));
  EXPECT_EQ(DecodeBytes({27, 'O', kSplit, 'P'}), Ext(59));
  EXPECT_EQ(DecodeBytes({27, '[', '2', '0', kSplit, '0', '~', kSplit, 'x'}), std::vector<int>{'x'});
  EXPECT_EQ(DecodeBytes({27, '[', '?', '6', '4', ';', '1', kSplit, ';', '2', 'c', '5'}),
            std::vector<int>{'5'});
  EXPECT_EQ(DecodeBytes({27, ']', '0', ';', 'a', kSplit, 'b', 7, 'x'}), std::vector<int>{'x'});
  EXPECT_EQ(DecodeBytes({27, 'P', 'q', kSplit, 27, kSplit, '\\', 'x'}), std::vector<int>{'x'});
  // Only the byte after Esc must come within the Esc delay: later it was typed.
  EXPECT_EQ(DecodeBytes({27, kSplit, '[', 'A'}), (std::vector<int>{27, '[', 'A'}));
  // A sequence that stops for longer than any wait is dropped as far as it came.
  EXPECT_EQ(DecodeBytes({27, '[', '1', kGap, 'x'}), std::vector<int>{'x'});
  EXPECT_EQ(DecodeBytes({27, ']', '0', ';', 'a', kGap, 'y'}), std::vector<int>{'y'});
}

TEST(KeyDecoder, AControlByteInsideASequenceEndsItAndCountsAsAKey) {
  EXPECT_EQ(Decode("\x1b[1\x03"), std::vector<int>{3});
  EXPECT_EQ(DecodeBytes({27, '[', 127}), std::vector<int>{8});
  EXPECT_EQ(Decode("\x1bO\x0d"), (std::vector<int>{0, 24, 13}));  // Alt-O, then Enter
  EXPECT_EQ(Decode("\x1b[1;5\x1b[B"), Ext(80));
}

TEST(KeyDecoder, CtrlLAsksForARedrawAndIsNoKey) {
  EXPECT_EQ(Decode("\x0c"), std::vector<int>{});
  EXPECT_EQ(redraws, 1);
  EXPECT_EQ(Decode("a\x0c"
                   "b"),
            (std::vector<int>{'a', 'b'}));
  EXPECT_EQ(redraws, 1);
  // Also right after Esc, and where it cuts a sequence short.
  EXPECT_EQ(Decode("\x1b\x0c"), std::vector<int>{27});
  EXPECT_EQ(redraws, 1);
  EXPECT_EQ(Decode("\x1b[2\x0c"), std::vector<int>{});
  EXPECT_EQ(redraws, 1);
}

TEST(KeyDecoder, AFullQueueNeverSplitsAnExtendedKey) {
  term::KeyQueueClear();
  for (int i = 0; i < 63; ++i) term::KeyQueuePush('a');
  script.assign({'[', 'A'});
  term::DecodeKey(27, FakeRead);  // no room for two bytes: dropped whole
  ASSERT_EQ(term::KeyQueueSize(), 63);
  while (term::KeyQueueSize() > 0) EXPECT_EQ(term::KeyQueuePop(), 'a');
}

}  // namespace

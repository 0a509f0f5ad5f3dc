// Checks one arbitrary input to the conditions reader: the record it yields must
// have every field in range and the values derived from it must agree with it.
// Shared by the seeded unit test and the coverage-guided fuzz target, so both
// hold the reader to the same rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace testsupport {

// Feeds bytes[0..len) to the reader (as the file's content) and checks the
// result. Returns an empty string when everything holds, otherwise what broke.
// repair_path receives a bit per record field that the reader had to change
// (bit 14: the input was too short to be a record), so that callers can count
// how many distinct ways of repairing the inputs reached.
std::string CheckConditionsInput(const uint8_t* bytes, size_t len, uint32_t& repair_path);

// For a conditions file the program wrote: empty when it is one whole record
// whose every field is already in range (reading it repairs nothing), otherwise
// what is wrong.
std::string CheckWrittenRecord(const uint8_t* bytes, size_t len);

}  // namespace testsupport

// Test helper: the conditions and shell state as start-up leaves them with the
// defaults and no conditions file, in English, so that in-memory tests can
// drive the conditions screen and games directly.
#pragma once

namespace testsupport {

// X at its defaults with the sign tables and time limits derived, English,
// memory choice 10 (8 GiB), the default colours, no file to write.
void StartupConditions();

}  // namespace testsupport

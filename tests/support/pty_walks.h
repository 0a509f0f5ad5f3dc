// End-to-end helper: walks through the program's menus that many tests share.
#pragma once

#include <string>

#include "tests/support/pty_driver.h"

namespace testsupport {

// From the language screen to the English main menu; false when either did
// not come within limit_ms.
bool ToTheEnglishMenu(PtyDriver& pty, int limit_ms);

// Ends the program from the main menu with 9 and expects a clean end: exit
// code 0, the terminal's mode as it was found. Returns the screen left behind.
std::string EndFromTheMenu(PtyDriver& pty, int limit_ms);

}  // namespace testsupport

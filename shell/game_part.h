// The game part of the program: the conditions screen with its game menu and
// the games played from it. Returns to the main menu.
#pragma once

namespace morvandeltrisk {

void SPIELTEIL();

// Clears the screen and draws the whole conditions screen; no input.
void BILDSCHIRM();

}  // namespace morvandeltrisk

// One game on the board: the secret code is fixed, trials are made and answered
// until the code is cracked or a player breaks off; then the new-game question.
#pragma once

namespace morvandeltrisk {

// Plays one game with the conditions X. Returns true when the player wants a
// new game (back to the conditions screen), false for the main menu.
bool SPIEL();

// Draws the board of the game (rows 1..25) for the conditions X.
void SPIELBRETT(int wieviele, const char* muster);

}  // namespace morvandeltrisk

// The conditions file BEDINGUN.DAT (its place: conditions_path.h): one 80-byte record of the
// conditions X, read and repaired field by field at start-up, written atomically.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace morvandeltrisk {

// Path of the conditions file: the directory of the program's own path
// (up to and including its last '/') followed by "BEDINGUN.DAT".
std::string BEDINGUNGSDATEI(const std::string& programmpfad);

// Reads the conditions file at path into X, with every repair in order, and
// builds the sign tables and the time limits from it. A missing, empty, short or
// unreadable file gives the defaults; nothing is reported. Anything but a regular
// file at path (a FIFO, a device, a socket, a directory) counts as unreadable and
// is never waited on.
void BEDINGUNGEN_LESEN(const std::string& path);

// Removes what writes of the conditions file at path that were killed midway
// left beside it: temporary files "BEDINGUN.DAT." with six letters or digits,
// regular, at most one record long and older than a minute (a running writer
// holds its own for a moment only). Nothing else is touched.
void ZWISCHENDATEIEN_AUFRAEUMEN(const std::string& path);

// Takes the conditions from a record of len bytes as the file would hold them
// (fewer than 80 bytes count as a failed read) and repairs them as at start-up.
void BEDINGUNGEN_AUS_BYTES(const uint8_t* bytes, size_t len);

// The colour repairs, applied once the text mode is chosen.
void FARBEN_PRUEFEN(bool farbbildschirm);

// Writes X to the conditions file ALT: the player's own vacant-sign choice, the
// memory choice and the colours go in; names are normalised. Written to a
// temporary file and renamed over the old one (a regular file or a symbolic
// link), so an interruption or a full disk never leaves a short file; anything
// else at that path is left alone and nothing is written. Failures stay silent
// until the exit screen, which reads ALT_GESCHRIEBEN.
void BEDINGUNGENSPEICHERN();

// The folder of path (up to its last '/', the working directory when there is
// none) opened for the calls relative to it, name set to the last part. A path
// longer than the system takes in one call is walked one folder at a time.
// -1 when the folder cannot be opened; the caller closes the descriptor.
int ORDNER_OEFFNEN(const std::string& path, std::string& name);

}  // namespace morvandeltrisk

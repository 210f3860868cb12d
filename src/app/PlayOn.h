#pragma once
// Playing on after the program has ended. Our playback is digital and ends with the
// process, so the rest of the disc is handed to a small detached player: this same
// executable started with --play-on. The next start stops it before it opens the drive,
// as a continued playback was always stopped at start-up.
#include <QString>
#include <cstdint>

#include "PlayOnMpris.h"

// Starts the detached player for drive from position from to position to (milliseconds);
// the desktop sees it as a player of the disc so named.
bool StartPlayOn(const QString& drive, int32_t from, int32_t to, const PlayOnDisc& disc);
// Stops a detached player if one runs, and returns once it has let go of the drive.
void StopPlayOn();
// The player's entry: mirelune --play-on [--keep-awake] DRIVE FROM TO [VOLUME ALBUM ARTIST TITLE...].
int RunPlayOn(int argc, char** argv);

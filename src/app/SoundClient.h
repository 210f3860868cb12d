#pragma once
// How the sound server's mixer names the program's sound. The sound output (libpulse,
// also under PipeWire) takes the client's properties from PULSE_PROP_OVERRIDE when it
// connects: the stream is "Mirelune" with the program's icon and the music role, so the
// mixer shows it by name and the desktop's rules for music (ducking under a call) apply.
// Called before anything opens a sound output.
#include <QByteArray>

// The properties for an override the user may already have set: ours first, so that the
// user's own (later, so winning) stay as they were.
QByteArray SoundClientProperties(const QByteArray& userOverride);
// Puts them into this process's environment (and so into its children's).
void NameSoundClient();

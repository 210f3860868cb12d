#pragma once
// The disc data and the playback controller, tied together on a drive, a clock, the
// settings and the command set, answering to a host: the main window in the program (see
// Application), a fake in the player's tests.
#include "core/discdata/Words.h"
#include "core/playback/PlaybackController.h"

class CdDevice;
class Clock;
class CommandSet;
class PlaybackHost;
struct Settings;

class PlayerCore {
public:
    PlayerCore(CdDevice& device, Clock& clock, Settings& settings, CommandSet& commands, PlaybackHost& host)
        : words(device, commands, settings), controller(device, clock, commands, words, host)
    {
    }

    TWords words;
    PlaybackController controller;
};

#include "PlayState.h"

void PlayState::SetTransport(TransportState now)
{
    if (transport == now) return;
    transport = now;
    emit Changed();
}

void PlayState::SetType(int playType)
{
    if (playType < 0 || playType > 3) playType = -1;
    if (type == playType) return;
    type = playType;
    emit Changed();
}

void PlayState::SetRepeat(RepeatMode mode)
{
    if (repeat == mode) return;
    repeat = mode;
    emit Changed();
}

void PlayState::SetHasProgram(bool has)
{
    if (program == has) return;
    program = has;
    emit Changed();
}

int32_t PlayState::Code() const
{
    const int32_t repeatBits = repeat == RepeatMode::All ? 16 : repeat == RepeatMode::One ? 32 : 0;
    return (type < 0 ? 0 : type) + repeatBits;
}

RepeatMode PlayState::RepeatOfCode(int32_t code)
{
    const int32_t bits = code & 0xF0;
    if (bits == 0) return RepeatMode::Off;
    return bits == 32 ? RepeatMode::One : RepeatMode::All;
}

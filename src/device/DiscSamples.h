#pragma once
// The disc in a drive read again for the waveform's thread: the drive or image is opened
// a second time, beside the player's own reading.
#include "core/entry/Waveform.h"

class DiscDevice;

// Readers of the disc device plays now (opened on their first read, on the thread that
// reads); none while it has no disc.
SampleReaderOpener DiscSampleReaders(DiscDevice& device);
// A reader of the disc in a drive or image of that name, opened at its first read.
std::unique_ptr<SampleReader> DiscSampleReader(const QString& name);

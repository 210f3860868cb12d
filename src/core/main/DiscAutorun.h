#pragma once
// Whether the disc in a drive carries an autorun.inf in the data session the system
// mounted from it (such a disc, put in while the program runs, does not play by itself).
#include <QString>

// drive: the drive's device file; false when it is none or nothing of it is mounted.
bool DiscHasAutorun(const QString& drive);

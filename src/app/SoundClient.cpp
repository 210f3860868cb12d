#include "SoundClient.h"

#include <QtGlobal>

QByteArray SoundClientProperties(const QByteArray& userOverride)
{
    QByteArray p = "application.name='Mirelune' application.id='org.mirelune.Mirelune' "
                   "application.icon_name='mirelune' media.role='music'";
    if (!userOverride.trimmed().isEmpty()) p += ' ' + userOverride;
    return p;
}

void NameSoundClient()
{
    // Set once: a child started from here (the player left playing on) finds ours already.
    const QByteArray current = qgetenv("PULSE_PROP_OVERRIDE");
    if (current.startsWith("application.name='Mirelune'")) return;
    qputenv("PULSE_PROP_OVERRIDE", SoundClientProperties(current));
}

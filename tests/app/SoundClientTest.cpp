#include <gtest/gtest.h>

#include "app/SoundClient.h"

TEST(SoundClient, OurNamesComeFirstAndTheUsersOwnOverrideWins)
{
    const QByteArray ours = SoundClientProperties(QByteArray());
    EXPECT_TRUE(ours.contains("application.name='Mirelune'"));
    EXPECT_TRUE(ours.contains("media.role='music'"));
    EXPECT_TRUE(ours.contains("application.icon_name='mirelune'"));
    // The server takes the last of a name: the user's own stays in force.
    const QByteArray mixed = SoundClientProperties("media.role='video'");
    EXPECT_GT(mixed.indexOf("media.role='video'"), mixed.indexOf("media.role='music'"));

    qunsetenv("PULSE_PROP_OVERRIDE");
    NameSoundClient();
    NameSoundClient(); // once only
    EXPECT_EQ(qgetenv("PULSE_PROP_OVERRIDE"), ours);
}

// The window stack: the stay-on-top state held, skipped and reasserted, the dialogs
// counted, closed with the disc and run one at a time.
#include <gtest/gtest.h>

#include <QDialog>
#include <QTimer>

#include "ui/main/WindowStack.h"

namespace {

struct Stack {
    QWidget owner;
    WindowStack stack{&owner};
    QList<bool> given; // what the windows were told, in order
    Stack()
    {
        stack.SetTopmost = [this](bool on) { given << on; };
    }
};

TEST(WindowStack, HoldsNestAndASkipIsTakenByTheNextReassertionOnly)
{
    Stack s;
    s.stack.StayOnTop = true;
    s.stack.Reassert();
    EXPECT_EQ(s.given, QList<bool>{true});
    {
        const WindowStack::Hold outer(s.stack);
        {
            const WindowStack::Hold inner(s.stack);
            s.stack.StayOnTop = false;
        }
        // The inner end leaves the state alone: the outer hold still stands.
        EXPECT_TRUE(s.stack.Held());
        EXPECT_EQ(s.given, QList<bool>{true});
    }
    EXPECT_FALSE(s.stack.Held());
    EXPECT_EQ(s.given, (QList<bool>{true, false}));

    s.stack.SkipOnce();
    s.stack.Reassert();
    EXPECT_FALSE(s.stack.SkipOwed());
    EXPECT_EQ(s.given.size(), 2);
    s.stack.Reassert();
    EXPECT_EQ(s.given.size(), 3);
    // A skip no longer owed (a list closed without a choice) skips nothing.
    s.stack.SkipOnce();
    s.stack.CancelSkip();
    s.stack.Reassert();
    EXPECT_EQ(s.given.size(), 4);
}

TEST(WindowStack, DialogsCountWhenShownAndGoWithTheDiscButTheSettings)
{
    Stack s;
    QDialog config(&s.owner), manager(&s.owner), entry(&s.owner);
    config.setObjectName(QStringLiteral("ConfigForm"));
    manager.setObjectName(QStringLiteral("DiscMngForm"));
    int cancelled = 0;
    s.stack.Add(&config);
    s.stack.Add(&manager);
    s.stack.Add(&entry, [&] {
        ++cancelled;
        entry.hide();
    });
    EXPECT_FALSE(s.stack.DialogOpen());
    manager.show();
    EXPECT_TRUE(s.stack.DialogOpen());
    EXPECT_TRUE(s.stack.Open(QStringLiteral("DiscMngForm")));
    EXPECT_FALSE(s.stack.Open(QStringLiteral("ConfigForm")));
    // Before start-up ends none is in the way.
    bool started = false;
    s.stack.Counting = [&] { return started; };
    EXPECT_FALSE(s.stack.DialogOpen());
    started = true;
    EXPECT_TRUE(s.stack.DialogOpen());
    s.stack.Close(QStringLiteral("DiscMngForm"));
    EXPECT_FALSE(manager.isVisible());

    config.show();
    manager.show();
    entry.show();
    s.stack.CloseDiscDialogs();
    EXPECT_TRUE(config.isVisible());
    EXPECT_FALSE(manager.isVisible());
    EXPECT_FALSE(entry.isVisible());
    EXPECT_EQ(cancelled, 1);
    config.hide();
    EXPECT_FALSE(s.stack.DialogOpen());
}

TEST(WindowStack, AModalDialogRunsOnlyWhenNoOtherIsOpenAndTheStateIsReassertedAfter)
{
    Stack s;
    QDialog other(&s.owner), dialog(&s.owner);
    s.stack.Add(&other);
    s.stack.Add(&dialog);
    s.stack.StayOnTop = true;
    other.show();
    bool prepared = false;
    QTimer::singleShot(0, &dialog, [&] { dialog.reject(); }); // should it open after all
    EXPECT_FALSE(s.stack.RunModal(dialog, [&] { prepared = true; }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(prepared);
    EXPECT_TRUE(s.given.isEmpty());
    other.hide();

    bool openWhileShown = false;
    QTimer::singleShot(0, &dialog, [&] {
        openWhileShown = s.stack.DialogOpen();
        s.given.clear(); // what counts is what comes once it closes
        dialog.accept();
    });
    EXPECT_TRUE(s.stack.RunModal(dialog, [&] { prepared = true; }));
    EXPECT_TRUE(prepared);
    EXPECT_TRUE(openWhileShown);
    EXPECT_EQ(s.given, QList<bool>{true});
}

} // namespace

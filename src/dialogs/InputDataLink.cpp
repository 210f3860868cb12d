#include "InputDataLink.h"


#include "common/Commands.h"
#include "dialogs/InputData.h"
#include "main/Main.h"
#include "playback/PlaybackController.h"

void LinkInputData(TInputDataForm& dialog, TMainForm& form, PlaybackController& player, CommandSet& commands)
{
    // Even during a capture: Cancel stops it and reads the file back.
    form.AddDialog(&dialog, [&dialog] { dialog.CancelBtnClick(); });
    form.TimingTesting = [&dialog] { return dialog.Testing(); };
    dialog.HoldTopmost = [&form](bool hold) { form.HoldTopmost = hold; };
    dialog.SkipTopmostOnce = [&form] { form.SkipTopmostOnce = true; };
    QObject::connect(commands.InputDataItem, &Command::triggered, &form, [&dialog, &form, &player] {
        if (form.DialogOpen()) return;
        dialog.InitialTrack = player.CurrentTrack;
        player.StopBtnClick();
        player.InDataEntry = true;
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint, form.StayOnTopNow);
        dialog.exec();
        player.InDataEntry = false;
        form.ApplyStayOnTop();
    });
}

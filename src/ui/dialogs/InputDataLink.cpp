#include "InputDataLink.h"

#include "InputData.h"
#include "core/common/Commands.h"
#include "core/playback/PlaybackController.h"
#include "core/settings/IniFile.h"
#include "ui/main/WindowStack.h"

void LinkInputData(TInputDataForm& dialog, WindowStack& windows, PlaybackController& player, CommandSet& commands,
                   const Settings& settings)
{
    // Even during a capture: Cancel stops it and reads the file back.
    // The disc's waveforms go with it (and a reading still under way stops).
    windows.Add(&dialog, [&dialog] {
        dialog.CancelNow();
        dialog.Waveforms.Clear();
    });
    QObject::connect(commands.InputDataItem, &Command::triggered, &dialog, [&dialog, &windows, &player, &settings] {
        // A disc not registered yet is registered first, if the user wants.
        if (!dialog.DiscRegistered() && (windows.DialogOpen() || !dialog.RegisterDisc || !dialog.RegisterDisc()))
            return;
        const bool ran = windows.RunModal(dialog, [&] {
            dialog.InitialTrack = player.CurrentTrack;
            dialog.Capture.ReactionMs = settings.ReactionTime;
            player.StopBtnClick();
            player.InDataEntry = true;
            dialog.setWindowFlag(Qt::WindowStaysOnTopHint, windows.StayOnTop);
        });
        if (ran) player.InDataEntry = false;
    });
}

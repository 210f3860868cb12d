#pragma once
// Ties the data-entry dialog to the main window: its menu item (and Ctrl+D) opens the
// dialog on the current track with the drive stopped, the tick asks it whether a
// timing test runs, and a disc that goes cancels it.
class CommandSet;
class PlaybackController;
class TInputDataForm;
class TMainForm;

void LinkInputData(TInputDataForm& dialog, TMainForm& form, PlaybackController& player, CommandSet& commands);

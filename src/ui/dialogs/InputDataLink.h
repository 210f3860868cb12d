#pragma once
// Ties the data-entry dialog to the main window: its menu item (and Ctrl+D) opens the
// dialog on the current track with the drive stopped (and the reaction time of the
// settings taken off the stamps), and a disc that goes cancels it.
class CommandSet;
class PlaybackController;
struct Settings;
class TInputDataForm;
class WindowStack;

void LinkInputData(TInputDataForm& dialog, WindowStack& windows, PlaybackController& player, CommandSet& commands,
                   const Settings& settings);

#pragma once
// The program's objects and how they are tied together: the commands, the play log, the
// disc data, the main window and the playback controller, on a drive, a clock and
// settings given from outside (the drive and the system clock; in tests a simulated drive
// and a manual clock). main.cpp builds the windows and dialogs on it in the order of the
// start; the tests build what they need of them.
#include <functional>
#include <memory>

#include "core/app/PlayLog.h"
#include "core/app/PlayerCore.h"
#include "core/common/Commands.h"
#include "ui/main/Main.h"

class CdDevice;
class Clock;
class TInputDataForm;
class TWordsForm;
struct Settings;

class Application {
public:
    // Makes the main window (a test makes one that answers some questions itself).
    using FormMaker = std::function<std::unique_ptr<TMainForm>(CommandSet&, Settings&, PlayLog&)>;
    template <class Form> static FormMaker Make()
    {
        return [](CommandSet& c, Settings& s, PlayLog& l) { return std::make_unique<Form>(c, s, l); };
    }

    Application(CdDevice& device, Clock& clock, Settings& settings, const FormMaker& makeForm = Make<TMainForm>());

    TMainForm& Form() const { return *form; }

    // The lyrics window, which the tick shows, hides and updates: its menu becomes the
    // icon's, it follows the stay-on-top state, and closing it closes the program.
    void AttachWordsForm(TWordsForm& wordsForm);
    // The data-entry dialog: its command opens it over the stopped drive, a disc that goes
    // cancels it, and the tick asks it whether a timing test runs.
    void AttachInputData(TInputDataForm& dialog);

    CdDevice& device;
    Clock& clock;
    Settings& settings;
    CommandSet commands;
    PlayLog playLog;

private:
    std::unique_ptr<TMainForm> form;
    PlayerCore core;

public:
    TWords& words = core.words;
    PlaybackController& controller = core.controller;
};

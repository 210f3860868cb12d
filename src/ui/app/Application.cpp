#include "Application.h"

#include "ui/dialogs/InputData.h"
#include "ui/dialogs/InputDataLink.h"
#include "ui/lyrics/WordsForm.h"

Application::Application(CdDevice& d, Clock& c, Settings& s, const FormMaker& makeForm)
    : device(d), clock(c), settings(s), form(makeForm(commands, settings, playLog)),
      core(device, clock, settings, commands, *form)
{
    form->Attach(&controller, &words, &device);
}

void Application::AttachWordsForm(TWordsForm& wordsForm)
{
    wordsForm.Attach(&controller, &words, &device, form.get());
    controller.SetWordsView(&wordsForm);
    form->AttachWordsForm(&wordsForm);
}

void Application::AttachInputData(TInputDataForm& dialog)
{
    LinkInputData(dialog, form->Windows, controller, commands, settings);
    form->TimingTesting = [&dialog] { return dialog.Testing(); };
    // Edits neither the data file nor a draft holds are not dropped without a word.
    form->ConfirmClose = [&dialog] { return dialog.MayEnd(); };
}

// Orvane Panel: the configuration panel of the Orvane sound-level display.
#include <windows.h>

#include "app/paneloptions.h"
#include "app/shell.h"
#include "app/singleinstance.h"
#include "app/skinchoice.h"
#include "framework/forms.h"
#include "history/unit3.h"
#include "monitor/unit2.h"
#include "panel/panelprobe.h"
#include "panel/unit1.h"
#include "skin/winskinform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const TPanelOptions options = ParsePanelOptions(ProgramArguments());
    if (options.Help || !options.Error.empty()) {
        // A windowed program has no console to print to.
        const std::string text = options.Error.empty() ? kPanelUsage : options.Error + "\n\n" + kPanelUsage;
        ::MessageBoxA(nullptr, text.c_str(), "Orvane Panel",
                      MB_OK | (options.Error.empty() ? MB_ICONINFORMATION : MB_ICONERROR));
        return options.Error.empty() ? ExitSuccess : ExitUsage;
    }
    // A second panel for one device would find it held by the first and
    // say "No connect device!" over it: the running one comes forward instead.
    const TPanelInstance instance(TPanelInstance::NameForThisDevice());
    if (!instance.Claimed()) return instance.BringRunningToFront(10000) ? ExitAlreadyRunning : ExitSuccess;
    const int code = RunShell(*Application, [&options] {
        Application->Initialize();
        // Message boxes carry it; the file name would be "orvane-panel".
        Application->Title = "Orvane Panel";
        TForm1::ChooseSkin = [&options](TSkinData& skin) { ApplySkinChoice(skin, options); };
        Application->CreateForm(Form1);
        Application->CreateForm(Form2);
        Application->CreateForm(Form3);
        // Test runs only: the variable is set by the test driver.
        InstallPanelProbe(*Form1);
        Application->Run();
    });
    // The main window's skin data created the manager; it goes last, after
    // every window it watched, so its hook never sees a half-freed form.
    delete SkinManager;
    return code;
}

// Orvane Panel: the configuration panel of the Orvane sound-level display.
#include <windows.h>

#include "app/shell.h"
#include "framework/forms.h"
#include "monitor/unit2.h"
#include "panel/unit1.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return RunShell(*Application, [] {
        Application->Initialize();
        Application->CreateForm(Form1);
        Application->CreateForm(Form2);
        Application->Run();
    });
}

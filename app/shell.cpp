#include "app/shell.h"

#include "framework/forms.h"

int RunShell(TApplication& app, const std::function<void()>& startUp)
{
    int code = ExitSuccess;
    try {
        startUp();
    } catch (...) {
        // Anything that is not one of ours is shown with an empty message.
        app.HandleException(&app);
        code = ExitFailure;
    }
    try {
        app.DestroyComponents();
    } catch (...) {
        app.HandleException(&app);
        code = ExitFailure;
    }
    return code;
}

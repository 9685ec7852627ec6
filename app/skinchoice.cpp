#include "app/skinchoice.h"

#include <windows.h>

#include <shellapi.h>

#include <functional>
#include <utility>

#include "framework/forms.h"
#include "skin/winskindata.h"

std::string SkinFileMessage(const std::string& file, const std::string& reason)
{
    return "The skin \"" + file + "\" cannot be used:\n" + reason +
           "\n\nThe panel opens in its built-in skin.";
}

void ApplySkinChoice(TSkinData& skin, const TPanelOptions& options)
{
    using Choice = TPanelOptions::TSkinChoice;
    if (options.Skin == Choice::None) {
        skin.SetActive(false);
        return;
    }
    if (options.Skin != Choice::File) return;
    // The loader tells of some failures with the reason alone and of a
    // missing file not at all; the user gets one message with both.
    {
        struct Quiet {
            std::function<void(const std::string&)> kept =
                std::exchange(TSkinData::ShowSkinMessage, [](const std::string&) {});
            ~Quiet() { TSkinData::ShowSkinMessage = std::move(kept); }
        } quiet;
        skin.LoadFromFile(options.SkinFile);
    }
    if (skin.LoadError.empty()) return;
    std::string reason = skin.LoadError;
    const std::string prefix = options.SkinFile + ": ";
    if (reason.rfind(prefix, 0) == 0) reason.erase(0, prefix.size());
    const std::string text = SkinFileMessage(options.SkinFile, reason);
    if (TSkinData::ShowSkinMessage)
        TSkinData::ShowSkinMessage(text);
    else
        Application->MessageBox(text, Application->Title, MB_OK | MB_ICONWARNING);
}

std::vector<std::string> ProgramArguments()
{
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!wide) return args;
    for (int i = 1; i < count; ++i) {
        const int n = ::WideCharToMultiByte(CP_ACP, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(n > 0 ? n - 1 : 0, '\0');
        if (n > 1) ::WideCharToMultiByte(CP_ACP, 0, wide[i], -1, arg.data(), n, nullptr, nullptr);
        args.push_back(std::move(arg));
    }
    ::LocalFree(wide);
    return args;
}

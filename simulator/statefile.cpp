#include "simulator/statefile.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

std::optional<std::string> ReadSmallFile(const std::string& path, size_t maxBytes, std::string& problem)
{
    problem.clear();
    std::error_code ec;
    if (!fs::exists(path, ec)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        problem = "cannot be read";
        return std::nullopt;
    }
    std::string text(maxBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) {
        problem = "cannot be read";
        return std::nullopt;
    }
    text.resize(static_cast<size_t>(in.gcount()));
    if (text.size() > maxBytes) {
        problem = "larger than " + std::to_string(maxBytes) + " bytes";
        return std::nullopt;
    }
    return text;
}

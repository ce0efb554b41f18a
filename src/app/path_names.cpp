#include "app/path_names.h"

#include "script/scanning.h"

#include <filesystem>
#include <system_error>

namespace cellwatch {

std::string fileNameOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string folderOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash));
}

std::string extensionOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : toLowerAscii(name.substr(dot + 1));
}

bool fileExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

bool pathExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(path, ec);
}

std::string resolveAgainstFolder(std::string_view path, std::string_view scriptFolder) {
    std::string kept(path);
    if (path.empty() || path.front() == '/' || scriptFolder.empty() || pathExists(kept))
        return kept;
    std::string joined(scriptFolder);
    joined += '/';
    joined += path;
    return pathExists(joined) ? joined : kept;
}

} // namespace cellwatch

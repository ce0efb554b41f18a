// Over the common AtomicFile rather than QSaveFile, so that every file the program writes treats
// links, devices and FIFOs the same way, and a save cut short by a signal leaves no temporary file.
#include "platform/file_save.h"

#include "common/atomic_file.h"

#include <cstring>

namespace cellwatch {
namespace {

SaveStatus failure(const std::string& path, const AtomicFile& file) {
    SaveStatus status;
    status.error = "Cannot save " + path + ": " + std::strerror(file.lastError());
    return status;
}

} // namespace

SaveStatus saveFileAtomically(const std::string& path, std::string_view bytes) {
    if (path.empty())
        return SaveStatus{false, "Cannot save: no file name."};
    AtomicFile file;
    if (!file.open(path))
        return failure(path, file);
    if (!file.write(bytes.data(), bytes.size())) {
        SaveStatus status = failure(path, file);
        file.abandon();
        return status;
    }
    if (!file.commit())
        return failure(path, file);
    return SaveStatus{true, std::string()};
}

} // namespace cellwatch

#include "platform/file_save.h"

#include <QSaveFile>
#include <QString>

namespace cellwatch {
namespace {

SaveStatus failure(const std::string& path, const QSaveFile& file) {
    SaveStatus status;
    status.error = "Cannot save " + path + ": " + file.errorString().toStdString();
    return status;
}

} // namespace

SaveStatus saveFileAtomically(const std::string& path, std::string_view bytes) {
    if (path.empty())
        return SaveStatus{false, "Cannot save: no file name."};
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly))
        return failure(path, file);
    std::size_t written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.data() + written, qint64(bytes.size() - written));
        if (n <= 0) {
            SaveStatus status = failure(path, file);
            file.cancelWriting();
            return status;
        }
        written += std::size_t(n);
    }
    if (!file.commit())
        return failure(path, file);
    return SaveStatus{true, std::string()};
}

} // namespace cellwatch

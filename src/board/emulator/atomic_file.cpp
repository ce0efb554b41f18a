#include "board/emulator/atomic_file.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace cellwatch {

bool writeFileAtomically(const std::string& path, std::string_view data) {
    std::vector<char> temp(path.begin(), path.end());
    for (char c : std::string_view(".XXXXXX"))
        temp.push_back(c);
    temp.push_back('\0');
    const int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n <= 0)
            ok = false;
        else
            done += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && std::rename(temp.data(), path.c_str()) == 0;
    if (!ok)
        std::remove(temp.data());
    return ok;
}

} // namespace cellwatch

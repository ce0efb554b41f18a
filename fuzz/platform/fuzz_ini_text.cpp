// libFuzzer target for the INI text check that guards the settings file. Standard library only.
#include "platform/ini_text.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const bool ini = cellwatch::readsAsIniText(text);
    // A text with a NUL byte is never taken for settings.
    if (ini && text.find('\0') != std::string_view::npos)
        __builtin_trap();
    return 0;
}

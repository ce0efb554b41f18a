// Arbitrary bytes as a whole command script, parsed by a real session on the counter8 example
// over the emulated board: sections, every command's compile half and the clock checks.
#include "app/cwiz_doc.h"
#include "batch/batch_host.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>

using namespace cellwatch;

namespace {

struct Fixture {
    std::filesystem::path folder;
    std::unique_ptr<BatchHost> host;
    MemorySettings settings;
    std::unique_ptr<CWizDoc> doc;

    Fixture() {
        folder =
            std::filesystem::temp_directory_path() / ("cellwatch_fuzz_parse_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        const std::string script = (folder / "fuzz.cmd").string();
        std::ofstream(script, std::ios::binary)
            << "|GRT_SYMBOL_TABLE \"" CELLWATCH_SOURCE_DIR "/examples/counter8.sym\"\r\n";
        const std::string scratch = folder.string();
        host = std::make_unique<BatchHost>([](std::string_view) {}, [scratch] { return scratch; },
                                           [] { return std::string("Mon Jan 01 00:00:00 2024"); });
        doc = std::make_unique<CWizDoc>(*host, settings, "emulator");
        if (!doc->OpenSession(script) || !doc->UseOwnScript())
            std::abort();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Fixture fixture;
    TextBuffer* buffer = fixture.doc->scriptBuffer();
    buffer->deleteLines(0, buffer->lineCount());
    buffer->insertAt(0, std::string_view(reinterpret_cast<const char*>(data), size));
    fixture.doc->ParseScript();
    return 0;
}

// Arbitrary bytes as a whole command script, parsed by a real session on the counter8 example
// over the emulated board: sections, every command's compile half and the clock checks.
#include "app/cwiz_doc.h"

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

class QuietHost final : public SessionHost {
public:
    explicit QuietHost(std::string folder) : m_folder(std::move(folder)) {}
    void messageOk(std::string_view) override {}
    Answer askYesNo(std::string_view) override { return Answer::No; }
    Answer askYesNoCancel(std::string_view) override { return Answer::Cancel; }
    bool boardNotFound(std::string_view, std::string_view, std::string_view) override { return false; }
    std::optional<std::string> openFileDialog(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> saveFileDialog(const FileDialogRequest&) override { return std::nullopt; }
    void beep() override {}
    void beginWaitCursor() override {}
    void endWaitCursor() override {}
    void startRunTimer(int) override {}
    void killRunTimer() override {}
    void updateAllViews() override {}
    void openResultLogView() override {}
    void splitLogFrame() override {}
    void quit(int) override {}
    std::string localDate() override { return "Mon Jan 01 00:00:00 2024"; }
    std::string scratchFolder() override { return m_folder; }

private:
    std::string m_folder;
};

struct Fixture {
    std::filesystem::path folder;
    std::unique_ptr<QuietHost> host;
    MemorySettings settings;
    std::unique_ptr<CWizDoc> doc;

    Fixture() {
        folder = std::filesystem::temp_directory_path() / ("cellwatch_fuzz_parse_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        const std::string script = (folder / "fuzz.cmd").string();
        std::ofstream(script, std::ios::binary)
            << "|GRT_SYMBOL_TABLE \"" CELLWATCH_SOURCE_DIR "/examples/counter8.sym\"\r\n";
        host = std::make_unique<QuietHost>(folder.string());
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

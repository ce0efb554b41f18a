// The script editor's document keeps the TextBuffer contract the script side relies on.

#include "text_buffer_conformance.h"

#include "ui/views/script/document_text_buffer.h"

#include <QApplication>
#include <QPlainTextEdit>

namespace {

struct EditorHolder {
    QPlainTextEdit editor;
};

// The buffer and the editor it works on, made and freed together.
class EditorBuffer final : private EditorHolder, public cellwatch::DocumentTextBuffer {
public:
    explicit EditorBuffer(std::string_view text) : DocumentTextBuffer(editor) {
        insertAt(0, text);
        setModified(false);
    }
};

struct EditorBufferFactory {
    static std::unique_ptr<cellwatch::TextBuffer> make(std::string_view text) {
        return std::make_unique<EditorBuffer>(text);
    }
};

} // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Editor, TextBufferConformance, ::testing::Types<EditorBufferFactory>);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

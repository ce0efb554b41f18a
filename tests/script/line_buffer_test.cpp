#include "script/line_buffer.h"

#include "text_buffer_conformance.h"

namespace {

struct LineBufferFactory {
    static std::unique_ptr<cellwatch::TextBuffer> make(std::string_view text) {
        return std::make_unique<cellwatch::LineBuffer>(text);
    }
};

} // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Line, TextBufferConformance, ::testing::Types<LineBufferFactory>);

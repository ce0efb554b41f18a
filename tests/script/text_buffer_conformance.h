#pragma once
// Conformance cases every TextBuffer implementation must pass. An implementation joins by defining
// a factory type with `static std::unique_ptr<cellwatch::TextBuffer> make(std::string_view text)`
// (the buffer holding that text, not modified) and instantiating the suite with it:
//   INSTANTIATE_TYPED_TEST_SUITE_P(Mine, TextBufferConformance, ::testing::Types<MyFactory>);

#include "script/text_buffer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

template <typename Factory> class TextBufferConformance : public ::testing::Test {
protected:
    std::unique_ptr<cellwatch::TextBuffer> make(std::string_view text) { return Factory::make(text); }

    static std::vector<std::string> linesOf(const cellwatch::TextBuffer& b) {
        std::vector<std::string> out;
        for (int n = 0; n < b.lineCount(); ++n)
            out.push_back(b.line(n));
        return out;
    }
};

TYPED_TEST_SUITE_P(TextBufferConformance);

using Lines = std::vector<std::string>;

TYPED_TEST_P(TextBufferConformance, LinesAndLineBreaks) {
    auto b = this->make("");
    EXPECT_EQ(b->lineCount(), 0);
    EXPECT_EQ(b->line(0), "");
    EXPECT_FALSE(b->isModified());

    b = this->make("a\r\nb\nc\rd");
    EXPECT_EQ(this->linesOf(*b), (Lines{"a", "b", "c", "d"}));
    b = this->make("a\r\n\r\nb\r\n");
    EXPECT_EQ(this->linesOf(*b), (Lines{"a", "", "b"})) << "a final break starts no further line";
    EXPECT_EQ(b->line(-1), "");
    EXPECT_EQ(b->line(3), "");
    EXPECT_EQ(cellwatch::bufferText(*b), "a\r\n\r\nb\r\n");
    EXPECT_EQ(cellwatch::bufferText(*this->make("x")), "x\r\n") << "saving ends every line";
    EXPECT_EQ(cellwatch::bufferText(*this->make("")), "");
}

TYPED_TEST_P(TextBufferConformance, InsertAtLineStarts) {
    auto b = this->make("one\r\ntwo\r\n");
    ASSERT_TRUE(b->insertAt(1, "new\r\n"));
    EXPECT_EQ(this->linesOf(*b), (Lines{"one", "new", "two"}));
    EXPECT_TRUE(b->isModified());
    ASSERT_TRUE(b->insertAt(3, "end\r\n"));
    ASSERT_TRUE(b->insertAt(0, "x\r\ny\r\n"));
    EXPECT_EQ(this->linesOf(*b), (Lines{"x", "y", "one", "new", "two", "end"}));
    ASSERT_TRUE(b->insertAt(2, "pre-"));
    EXPECT_EQ(b->line(2), "pre-one") << "text without a break joins the line";
    ASSERT_TRUE(b->insertAt(b->lineCount(), "tail"));
    EXPECT_EQ(b->line(b->lineCount() - 1), "tail") << "appended text becomes a line";
    EXPECT_FALSE(b->insertAt(-1, "bad\r\n"));
    EXPECT_FALSE(b->insertAt(b->lineCount() + 1, "bad\r\n"));
    EXPECT_EQ(b->lineCount(), 7);

    auto empty = this->make("");
    ASSERT_TRUE(empty->insertAt(0, "a\r\nb\r\n"));
    EXPECT_EQ(this->linesOf(*empty), (Lines{"a", "b"}));
}

TYPED_TEST_P(TextBufferConformance, DeleteLines) {
    auto b = this->make("a\r\nb\r\nc\r\nd\r\n");
    ASSERT_TRUE(b->deleteLines(1, 2));
    EXPECT_EQ(this->linesOf(*b), (Lines{"a", "d"}));
    EXPECT_TRUE(b->isModified());
    ASSERT_TRUE(b->deleteLines(1, 5));
    EXPECT_EQ(this->linesOf(*b), (Lines{"a"}));
    EXPECT_FALSE(b->deleteLines(1, 1));
    EXPECT_FALSE(b->deleteLines(0, 0));
    EXPECT_FALSE(b->deleteLines(-1, 1));
    ASSERT_TRUE(b->deleteLines(0, 1));
    EXPECT_EQ(b->lineCount(), 0);
}

TYPED_TEST_P(TextBufferConformance, ModifiedFlag) {
    auto b = this->make("a\r\n");
    b->setModified(true);
    EXPECT_TRUE(b->isModified());
    b->setModified(false);
    EXPECT_FALSE(b->isModified());
    EXPECT_FALSE(b->insertAt(5, "x\r\n"));
    EXPECT_FALSE(b->isModified()) << "a refused edit changes nothing";
}

TYPED_TEST_P(TextBufferConformance, SelectionFollowsItsText) {
    using cellwatch::TextSelection;
    auto b = this->make("l0\r\nline1\r\nline2\r\nl3\r\n");
    const TextSelection sel{{1, 2}, {2, 3}};
    b->setSelection(sel);
    EXPECT_EQ(b->selection(), sel);

    ASSERT_TRUE(b->insertAt(0, "new\r\n"));
    EXPECT_EQ(b->selection(), (TextSelection{{2, 2}, {3, 3}})) << "lines inserted above push it down";
    ASSERT_TRUE(b->insertAt(4, "below\r\n"));
    EXPECT_EQ(b->selection(), (TextSelection{{2, 2}, {3, 3}})) << "lines inserted below leave it";
    ASSERT_TRUE(b->deleteLines(0, 1));
    EXPECT_EQ(b->selection(), sel);
    ASSERT_TRUE(b->insertAt(1, "ab"));
    EXPECT_EQ(b->selection(), (TextSelection{{1, 4}, {2, 3}})) << "text put before it on its line";
}

TYPED_TEST_P(TextBufferConformance, SavedSelectionComesBackOnTheSameText) {
    using cellwatch::TextSelection;
    auto b = this->make("a\r\nbb\r\ncc\r\n");
    const TextSelection user{{2, 0}, {2, 2}};
    b->setSelection(user);
    b->saveSelection();
    b->setSelection({{0, 0}, {0, 0}}); // an operation moves the caret
    ASSERT_TRUE(b->insertAt(1, "x\r\ny\r\n"));
    b->restoreSelection();
    EXPECT_EQ(b->selection(), (TextSelection{{4, 0}, {4, 2}}));
    EXPECT_EQ(b->line(b->selection().anchor.line), "cc");

    b->saveSelection();
    ASSERT_TRUE(b->deleteLines(4, 1));
    b->restoreSelection();
    EXPECT_EQ(b->selection(), (TextSelection{{4, 0}, {4, 0}})) << "a deleted selection collapses";
}

TYPED_TEST_P(TextBufferConformance, SelectionIsClampedToTheText) {
    using cellwatch::TextSelection;
    auto b = this->make("abc\r\nd\r\n");
    b->setSelection({{0, 10}, {1, 7}});
    EXPECT_EQ(b->selection(), (TextSelection{{0, 3}, {1, 1}}));
    b->setSelection({{-3, 0}, {9, 9}});
    EXPECT_EQ(b->selection(), (TextSelection{{0, 0}, {2, 0}})) << "the end lies after the last break";
}

REGISTER_TYPED_TEST_SUITE_P(TextBufferConformance, LinesAndLineBreaks, InsertAtLineStarts, DeleteLines,
                            ModifiedFlag, SelectionFollowsItsText, SavedSelectionComesBackOnTheSameText,
                            SelectionIsClampedToTheText);

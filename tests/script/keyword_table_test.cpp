#include "script/command_table.h"
#include "script/keyword_table.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace cellwatch;

namespace {

// The command words of the command table, in table order.
std::vector<std::string> CommandWords() {
    std::vector<std::string> words;
    for (const CommandEntry& entry : commandTable())
        words.emplace_back(entry.word);
    return words;
}

const std::string kKeywordsFile = CELLWATCH_SOURCE_DIR "/data/keywords.dat";

} // namespace

TEST(KeywordTable, LookupLowerCasesUnlessCaseSensitive) {
    KeywordTable t;
    t.insert("assign");
    t.insert("ASSIGNX");
    EXPECT_TRUE(t.contains("assign"));
    EXPECT_TRUE(t.contains("ASSIGN"));
    EXPECT_FALSE(t.contains("assignx")) << "upper-case entries can never match a lower-cased lookup";
    EXPECT_FALSE(t.contains("ASSIGNX"));
    EXPECT_FALSE(t.contains("assig")) << "a prefix is not a keyword";
    EXPECT_FALSE(t.contains("assign|x"));
    EXPECT_FALSE(t.contains(""));

    KeywordTable exact(true);
    exact.insert("Reset");
    EXPECT_TRUE(exact.contains("Reset"));
    EXPECT_FALSE(exact.contains("reset"));
}

TEST(KeywordTable, SharedPrefixesKeepTheirOwnEnds) {
    KeywordTable t;
    for (const char* w : {"trace", "traceon", "traceoff", "t"})
        t.insert(w);
    for (const char* w : {"trace", "traceon", "traceoff", "t"})
        EXPECT_TRUE(t.contains(w)) << w;
    EXPECT_FALSE(t.contains("traceo"));
    EXPECT_FALSE(t.contains("tr"));
}

TEST(KeywordTable, FileTextIsCutIntoPiecesOfNineteen) {
    KeywordTable t;
    t.loadText("assign\r\n" + std::string(19, 'a') + "bbbbbb\nwith blank\nlast");
    EXPECT_TRUE(t.contains("assign")) << "CR LF ends a line";
    EXPECT_TRUE(t.contains(std::string(19, 'a')));
    EXPECT_TRUE(t.contains("bbbbbb")) << "a 25-character line makes two keywords";
    EXPECT_FALSE(t.contains(std::string(19, 'a') + "bbbbbb"));
    EXPECT_TRUE(t.contains("with blank")) << "blanks belong to the keyword";
    EXPECT_TRUE(t.contains("last"));

    KeywordTable exact19;
    exact19.loadText(std::string(19, 'z') + "\nnext\n");
    EXPECT_TRUE(exact19.contains(std::string(19, 'z')));
    EXPECT_TRUE(exact19.contains("next"));
    EXPECT_FALSE(exact19.contains(""));
}

TEST(KeywordTable, MissingFileGivesAnEmptyTable) {
    KeywordTable t;
    EXPECT_FALSE(t.loadFile(CELLWATCH_TEST_DATA "/script/no-such-keywords.dat"));
    EXPECT_FALSE(t.contains("assign"));
}

TEST(KeywordsFile, HoldsExactlyTheCommandWords) {
    KeywordTable t;
    ASSERT_TRUE(t.loadFile(kKeywordsFile));
    for (const std::string& word : CommandWords())
        EXPECT_TRUE(t.contains(word)) << word << " is missing from keywords.dat";

    std::ifstream in(kKeywordsFile, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    std::istringstream lines(s.str());
    const auto words = CommandWords();
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        EXPECT_LE(line.size(), KeywordTable::kPieceLength) << line;
        EXPECT_NE(std::find(words.begin(), words.end(), line), words.end())
            << "\"" << line << "\" in keywords.dat is not a command word";
    }
}

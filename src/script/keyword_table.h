#pragma once
// The words the script editor shows in the keyword colour: a character trie filled from
// keywords.dat. Built once per editor and only read afterwards.

#include <string>
#include <string_view>
#include <vector>

namespace cellwatch {

class KeywordTable {
public:
    // With caseSensitive off every character looked up is lower-cased first; keywords are stored as
    // read, so only lower-case entries can then match.
    explicit KeywordTable(bool caseSensitive = false);

    void insert(std::string_view word);
    bool contains(std::string_view word) const;

    // Adds the keywords of a keywords.dat text: pieces of at most 19 characters, each line being cut
    // into as many pieces as it needs; a line break ending a piece is dropped and everything else,
    // blanks included, belongs to the keyword. CR LF counts as a line break like LF.
    void loadText(std::string_view text);
    // The same from a file; a missing or unreadable file adds nothing and returns false.
    bool loadFile(const std::string& path);

    static constexpr std::size_t kPieceLength = 19;

private:
    struct Node {
        char ch = 0;
        bool end = false;
        int child = -1;
        int sibling = -1;
    };
    int findChild(int node, char ch) const;

    bool m_caseSensitive;
    std::vector<Node> m_nodes; // m_nodes[0] is the root
};

} // namespace cellwatch

#include "script/keyword_table.h"

#include "common/file_text.h"
#include "script/scanning.h"

namespace cellwatch {

KeywordTable::KeywordTable(bool caseSensitive) : m_caseSensitive(caseSensitive), m_nodes(1) {}

int KeywordTable::findChild(int node, char ch) const {
    for (int c = m_nodes[static_cast<std::size_t>(node)].child; c >= 0;
         c = m_nodes[static_cast<std::size_t>(c)].sibling)
        if (m_nodes[static_cast<std::size_t>(c)].ch == ch)
            return c;
    return -1;
}

void KeywordTable::insert(std::string_view word) {
    if (word.empty())
        return;
    int node = 0;
    for (char ch : word) {
        int next = findChild(node, ch);
        if (next < 0) {
            // New children go to the front of the list.
            Node fresh;
            fresh.ch = ch;
            fresh.sibling = m_nodes[static_cast<std::size_t>(node)].child;
            next = static_cast<int>(m_nodes.size());
            m_nodes.push_back(fresh);
            m_nodes[static_cast<std::size_t>(node)].child = next;
        }
        node = next;
    }
    m_nodes[static_cast<std::size_t>(node)].end = true;
}

bool KeywordTable::contains(std::string_view word) const {
    if (word.empty())
        return false;
    int node = 0;
    for (char ch : word) {
        node = findChild(node, m_caseSensitive ? ch : lowerAscii(ch));
        if (node < 0)
            return false;
    }
    return m_nodes[static_cast<std::size_t>(node)].end;
}

void KeywordTable::loadText(std::string_view text) {
    // The file is text: CR LF is one line break.
    std::string normal;
    normal.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            normal.push_back(text[i]);

    // Pieces as a 20-byte line reader yields them: up to 19 characters, or up to and with a LF.
    std::size_t pos = 0;
    while (pos < normal.size()) {
        std::size_t len = 0;
        while (len < kPieceLength && pos + len < normal.size()) {
            ++len;
            if (normal[pos + len - 1] == '\n')
                break;
        }
        std::string_view piece(normal.data() + pos, len);
        pos += len;
        if (!piece.empty() && piece.back() == '\n')
            piece.remove_suffix(1);
        insert(piece);
    }
}

bool KeywordTable::loadFile(const std::string& path) {
    std::string text;
    if (!readFileText(path, text))
        return false;
    loadText(text);
    return true;
}

} // namespace cellwatch

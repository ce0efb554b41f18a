#pragma once
// Just enough of an XML reader to tell whether a JUnit report is well-formed and to count what it
// holds: elements, attributes with entity references decoded, text, proper nesting.

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace cellwatch::test {

struct XmlNode {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::string text;
    std::vector<std::unique_ptr<XmlNode>> children;

    std::vector<const XmlNode*> all(std::string_view tag) const {
        std::vector<const XmlNode*> found;
        collect(tag, found);
        return found;
    }
    std::string attr(const std::string& key) const {
        auto it = attributes.find(key);
        return it == attributes.end() ? std::string() : it->second;
    }

private:
    void collect(std::string_view tag, std::vector<const XmlNode*>& found) const {
        if (name == tag)
            found.push_back(this);
        for (const auto& child : children)
            child->collect(tag, found);
    }
};

class XmlReader {
public:
    // The root element, or null (error() says why) when the text is not well-formed.
    std::unique_ptr<XmlNode> parse(std::string_view text) {
        m_text = text;
        m_pos = 0;
        m_error.clear();
        skipSpace();
        if (m_text.substr(m_pos, 5) == "<?xml") {
            const std::size_t end = m_text.find("?>", m_pos);
            if (end == std::string_view::npos)
                return fail("unterminated declaration");
            m_pos = end + 2;
        }
        skipSpace();
        auto root = element();
        if (!root)
            return nullptr;
        skipSpace();
        if (m_pos != m_text.size())
            return fail("content after the root element");
        return root;
    }
    const std::string& error() const { return m_error; }

private:
    std::unique_ptr<XmlNode> fail(const std::string& why) {
        if (m_error.empty())
            m_error = why + " at offset " + std::to_string(m_pos);
        return nullptr;
    }
    void skipSpace() {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\n' ||
                                         m_text[m_pos] == '\r' || m_text[m_pos] == '\t'))
            ++m_pos;
    }
    static bool nameChar(char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
               c == '-' || c == '.' || c == ':';
    }
    std::string name() {
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() && nameChar(m_text[m_pos]))
            ++m_pos;
        return std::string(m_text.substr(start, m_pos - start));
    }
    // Decodes one reference after '&'; false when it is not a valid one.
    bool reference(std::string& out) {
        const std::size_t end = m_text.find(';', m_pos);
        if (end == std::string_view::npos)
            return false;
        const std::string_view ref = m_text.substr(m_pos, end - m_pos);
        m_pos = end + 1;
        if (ref == "amp")
            out += '&';
        else if (ref == "lt")
            out += '<';
        else if (ref == "gt")
            out += '>';
        else if (ref == "quot")
            out += '"';
        else if (ref == "apos")
            out += '\'';
        else if (ref.size() > 1 && ref[0] == '#') {
            const bool hex = ref[1] == 'x';
            const std::string digits(ref.substr(hex ? 2 : 1));
            if (digits.empty())
                return false;
            std::size_t used = 0;
            const unsigned long code = std::stoul(digits, &used, hex ? 16 : 10);
            if (used != digits.size() || !(code == 9 || code == 10 || code == 13 || code >= 0x20))
                return false;
            if (code < 0x80)
                out += static_cast<char>(code);
            else
                out += '?';
        } else
            return false;
        return true;
    }
    std::unique_ptr<XmlNode> element() {
        if (m_pos >= m_text.size() || m_text[m_pos] != '<')
            return fail("expected '<'");
        ++m_pos;
        auto node = std::make_unique<XmlNode>();
        node->name = name();
        if (node->name.empty())
            return fail("expected an element name");
        for (;;) {
            skipSpace();
            if (m_pos >= m_text.size())
                return fail("unterminated start tag");
            if (m_text.substr(m_pos, 2) == "/>") {
                m_pos += 2;
                return node;
            }
            if (m_text[m_pos] == '>') {
                ++m_pos;
                break;
            }
            const std::string key = name();
            if (key.empty())
                return fail("expected an attribute name");
            if (m_pos + 1 >= m_text.size() || m_text[m_pos] != '=' || m_text[m_pos + 1] != '"')
                return fail("expected =\"");
            m_pos += 2;
            std::string value;
            while (m_pos < m_text.size() && m_text[m_pos] != '"') {
                const char c = m_text[m_pos++];
                if (c == '<')
                    return fail("'<' in an attribute");
                if (c == '&') {
                    if (!reference(value))
                        return fail("bad reference");
                } else if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                    return fail("control character");
                } else {
                    value += c;
                }
            }
            if (m_pos >= m_text.size())
                return fail("unterminated attribute");
            ++m_pos;
            if (!node->attributes.emplace(key, value).second)
                return fail("duplicate attribute " + key);
        }
        for (;;) {
            if (m_pos >= m_text.size())
                return fail("unterminated element " + node->name);
            const char c = m_text[m_pos];
            if (c == '<') {
                if (m_text.substr(m_pos, 2) == "</") {
                    m_pos += 2;
                    if (name() != node->name)
                        return fail("mismatched end tag of " + node->name);
                    skipSpace();
                    if (m_pos >= m_text.size() || m_text[m_pos] != '>')
                        return fail("expected '>'");
                    ++m_pos;
                    return node;
                }
                auto child = element();
                if (!child)
                    return nullptr;
                node->children.push_back(std::move(child));
            } else if (c == '&') {
                ++m_pos;
                if (!reference(node->text))
                    return fail("bad reference");
            } else if (c == '>') {
                node->text += c; // allowed, though we always escape it
                ++m_pos;
            } else if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                return fail("control character");
            } else {
                node->text += c;
                ++m_pos;
            }
        }
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    std::string m_error;
};

} // namespace cellwatch::test

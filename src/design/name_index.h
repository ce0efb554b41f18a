#pragma once
// An open-addressed index from element names (ignoring case) to elements, kept at a low load so
// that lookups stay short whatever the tree's own slot array looks like.

#include "design/design_element.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace cellwatch {

class NameIndex {
public:
    DesignElement* find(std::string_view name) const { return find(name, hashOf(name)); }
    // The same with the name's hashOf already worked out, so a caller that looks up a name and then
    // files it hashes it once.
    DesignElement* find(std::string_view name, std::uint64_t hash) const;
    // Files the element under its fullName; false (and no change) when the name is already there.
    bool insert(DesignElement* element) { return insert(element, hashOf(element->fullName)); }
    bool insert(DesignElement* element, std::uint64_t hash);
    // Drops the element if it is the one filed under its name.
    void erase(const DesignElement* element);
    void clear();
    void reserve(std::size_t count);
    std::size_t size() const { return m_used; }

    static std::uint64_t hashOf(std::string_view name);

private:
    struct Entry {
        std::uint64_t hash = 0;
        DesignElement* element = nullptr;
    };

    std::size_t home(std::uint64_t hash) const {
        return static_cast<std::size_t>(hash) & (m_entries.size() - 1);
    }
    void rehash(std::size_t entries);

    std::vector<Entry> m_entries; // a power of two in size, or empty
    std::size_t m_used = 0;
};

} // namespace cellwatch

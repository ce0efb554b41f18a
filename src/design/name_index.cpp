#include "design/name_index.h"

#include "design/design_element.h"
#include "design/name_hash.h"

#include <cstring>
#include <utility>

namespace cellwatch {

namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ull;

// Folds the ASCII capitals among eight bytes at once, leaving every other byte as it is, so that
// the hash agrees with foldCase byte for byte.
std::uint64_t foldWord(std::uint64_t x) {
    const std::uint64_t low7 = x & (kOnes * 0x7F);
    const std::uint64_t atLeastA = low7 + kOnes * (0x80 - 'A');
    const std::uint64_t aboveZ = low7 + kOnes * (0x80 - 'Z' - 1);
    const std::uint64_t upper = atLeastA & ~aboveZ & ~x & (kOnes * 0x80);
    return x | (upper >> 2);
}

std::uint64_t loadWord(const char* p, std::size_t n) {
    std::uint64_t word = 0;
    std::memcpy(&word, p, n);
    return word;
}

} // namespace

std::uint64_t NameIndex::hashOf(std::string_view name) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ name.size();
    std::size_t i = 0;
    for (; i + 8 <= name.size(); i += 8) {
        h = (h ^ foldWord(loadWord(name.data() + i, 8))) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 32;
    }
    if (i < name.size()) {
        h = (h ^ foldWord(loadWord(name.data() + i, name.size() - i))) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 32;
    }
    h *= 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 29);
}

DesignElement* NameIndex::find(std::string_view name, std::uint64_t hash) const {
    if (m_entries.empty())
        return nullptr;
    const std::size_t mask = m_entries.size() - 1;
    for (std::size_t i = home(hash);; i = (i + 1) & mask) {
        const Entry& e = m_entries[i];
        if (!e.element)
            return nullptr; // the load stays below a half, so an empty entry always comes
        if (e.hash == hash && sameName(e.element->fullName, name))
            return e.element;
    }
}

bool NameIndex::insert(DesignElement* element, std::uint64_t hash) {
    if ((m_used + 1) * 2 > m_entries.size())
        rehash(m_entries.empty() ? 128 : m_entries.size() * 2);
    const std::size_t mask = m_entries.size() - 1;
    std::size_t i = home(hash);
    for (; m_entries[i].element; i = (i + 1) & mask)
        if (m_entries[i].hash == hash && sameName(m_entries[i].element->fullName, element->fullName))
            return false;
    m_entries[i] = {hash, element};
    ++m_used;
    return true;
}

void NameIndex::erase(const DesignElement* element) {
    if (m_entries.empty())
        return;
    const std::size_t mask = m_entries.size() - 1;
    std::size_t i = home(hashOf(element->fullName));
    while (m_entries[i].element && m_entries[i].element != element)
        i = (i + 1) & mask;
    if (!m_entries[i].element)
        return;
    // Shift later members of the run back so that no lookup stops early at the hole.
    std::size_t hole = i;
    for (std::size_t j = (i + 1) & mask; m_entries[j].element; j = (j + 1) & mask) {
        const std::size_t want = home(m_entries[j].hash);
        const bool movable = hole <= j ? (want <= hole || want > j) : (want <= hole && want > j);
        if (movable) {
            m_entries[hole] = m_entries[j];
            hole = j;
        }
    }
    m_entries[hole] = Entry{};
    --m_used;
}

void NameIndex::clear() {
    m_entries.clear();
    m_entries.shrink_to_fit();
    m_used = 0;
}

void NameIndex::reserve(std::size_t count) {
    std::size_t size = m_entries.empty() ? 128 : m_entries.size();
    while (size < count * 2 + 2)
        size *= 2;
    if (size > m_entries.size())
        rehash(size);
}

void NameIndex::rehash(std::size_t entries) {
    std::vector<Entry> old(entries);
    old.swap(m_entries);
    const std::size_t mask = m_entries.size() - 1;
    for (const Entry& e : old) {
        if (!e.element)
            continue;
        std::size_t i = home(e.hash);
        while (m_entries[i].element)
            i = (i + 1) & mask;
        m_entries[i] = e;
    }
}

} // namespace cellwatch

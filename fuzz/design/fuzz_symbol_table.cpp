// Loads arbitrary bytes as a symbol table and, when they load, builds the design tree from them and
// checks that what was read can be written, read again and found.
#include "design/design_tree.h"
#include "design/element_info.h"
#include "design/symbol_table.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

using namespace cellwatch;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The fitted member changes how many row-mask words a column record keeps.
    selectDevice(size > 0 ? data[0] % 4 : 1);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    SymbolTable table;
    if (!table.loadFromBuffer(bytes)) {
        if (SymbolTable::lastError() != SymbolTable::kBadSymbolRecord || table.entryCount() != 0)
            std::abort();
        return 0;
    }

    DesignTree tree(&table);
    tree.buildFromSymbols();
    std::vector<DesignElement*> members;
    for (DesignElement* e = tree.first(); e; e = e->next) {
        if (tree.find(e->fullName) != e)
            std::abort();
        isReadable(*e);
        elementInfo(*e);
        if (members.size() < 4)
            members.push_back(e);
    }
    const std::uint32_t before = tree.count();
    if (DesignElement* group = tree.addElement("fuzz group", ElementType::Group, members)) {
        if (!tree.remove(group) || tree.count() != before || tree.find("fuzz group"))
            std::abort();
    }

    std::string text;
    table.writeAll(text);
    SymbolTable again;
    if (!again.loadFromBuffer(text) || again.entryCount() != table.entryCount())
        std::abort();
    SymbolTable::NameIterator names(table);
    for (const std::string* name = names.first(); name; name = names.next())
        if (!again.find(*name))
            std::abort();
    return 0;
}

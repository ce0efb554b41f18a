// Command-line entry point. Until the run engine is in place, `cellwatch -run FILE` opens the design
// that FILE names (a .cmd script or a .sym symbol table) and prints its hierarchy.
#include "design/design_tree.h"
#include "design/element_info.h"
#include "design/symbol_table.h"
#include "script/script_file.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <sys/stat.h>

using namespace cellwatch;

namespace {

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void printElement(const DesignElement& element, int depth) {
    const ElementInfo info = elementInfo(element);
    std::printf("%*s%s  (%s, size %s, row %s, column %s)\n", depth * 2, "", element.shortName.c_str(),
                info.type.c_str(), info.size.c_str(), info.row.c_str(), info.column.c_str());
    for (const DesignElement* child : element.children)
        printElement(*child, depth + 1);
}

void usage() {
    std::puts("usage: cellwatch -run FILE.cmd|FILE.sym\n"
              "  Opens the design the file names and prints its hierarchy.");
}

} // namespace

int main(int argc, char** argv) {
    bool batch = false;
    std::string file;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            usage();
            return 0;
        }
        if (!arg.empty() && (arg[0] == '-' || arg[0] == '/') && !fileExists(std::string(arg))) {
            if (arg.substr(1) == "run")
                batch = true;
            continue;
        }
        file = arg;
    }
    if (!batch || file.empty()) {
        usage();
        return 2;
    }
    if (!fileExists(file)) {
        std::fprintf(stderr, "cellwatch: %s: no such file\n", file.c_str());
        return 255;
    }

    std::string symbolPath = file;
    if (file.size() > 4 && file.compare(file.size() - 4, 4, ".cmd") == 0) {
        if (!ReadDesignReference(file, symbolPath) || symbolPath.empty()) {
            std::fprintf(stderr, "cellwatch: %s: Bad or corrupt command file.\n", file.c_str());
            return 2;
        }
        // A design named by a bare file name lives beside its script.
        if (symbolPath[0] != '/' && !fileExists(symbolPath))
            symbolPath = folderOf(file) + symbolPath;
    }

    SymbolTable symbols;
    if (!symbols.load(symbolPath)) {
        std::fprintf(stderr, "cellwatch: %s: %s\n", symbolPath.c_str(),
                     SymbolTable::errorText(SymbolTable::lastError()));
        return 2;
    }
    DesignTree tree(&symbols);
    tree.buildFromSymbols();
    std::printf("Design %s: %u symbols, %u elements\n", symbolPath.c_str(), symbols.entryCount(), tree.count());
    for (const DesignElement* e = tree.first(); e; e = e->next)
        if (!e->parent)
            printElement(*e, 1);
    return 0;
}

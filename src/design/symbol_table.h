#pragma once
// The parsed .sym file of a compiled design: symbol records in a case-insensitive hash table keyed
// by name, with the lookups the session and the design tree need.

#include "design/device_geometry.h"
#include "design/symbol_record.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace cellwatch {

// The device address word of a record's cell in the current member: mode 0, the record's column,
// column-offset 3, the record's row (0 for a column record), each cut to its field.
AddressWord cellAddressOf(const SymbolRecord& record);

class SymbolTable {
public:
    // Reader error codes; the last one is process-wide, shared by all tables.
    enum ErrorCode : int {
        kNoError = 0,
        kBadSymbolRecord = 1,
        kInvalidFile = 2,
        kBadTableRecord = 3,
        kErrorInHeader = 4,
        kErrorInFile = 5,
        kBadErrorNumber = 6,
    };

    // Walks the record names in bucket order, then down each chain. Any insert or clear on the
    // table invalidates it.
    class NameIterator {
    public:
        explicit NameIterator(const SymbolTable& table) : m_table(&table) {}
        const std::string* first();
        const std::string* next();
        // The record whose name first or next returned last.
        const SymbolRecord* record() const { return m_link; }

    private:
        const std::string* settle();

        const SymbolTable* m_table;
        const SymbolRecord* m_link = nullptr;
        std::size_t m_bucket = 0;
    };

    SymbolTable() = default;
    // Creates the table and loads it from path; isLoaded() tells the outcome.
    explicit SymbolTable(std::string_view path);
    virtual ~SymbolTable() = default;

    SymbolTable(const SymbolTable&) = delete;
    SymbolTable& operator=(const SymbolTable&) = delete;

    // Frees every record; the table is then empty and not loaded.
    virtual void clear();
    // Reads the file derived from path by symbolPath(). An empty path fails without touching the
    // table or the error code; any other failure leaves the table empty and not loaded.
    virtual bool load(std::string_view path);
    // The same reading, from bytes already in memory; fileName becomes name.
    bool loadFromBuffer(std::string_view bytes, std::string_view name = {});
    virtual void writeAll(std::string& out) const;
    // Writes the named record; false when there is none.
    virtual bool writeOne(std::string& out, std::string_view name) const;
    // Files the record at the tail of its chain, growing the table first when it is full.
    // Duplicate names are not checked: a later one is never found.
    virtual void insert(std::unique_ptr<SymbolRecord> record);
    virtual std::unique_ptr<SymbolRecord> createRecord();

    const SymbolRecord* find(std::string_view name) const;

    // The device address word of the named symbol's cell (mode 0, offset 3); true when the symbol
    // exists and its type is not X. A missing symbol leaves address untouched.
    bool cellAddress(std::string_view name, AddressWord& address) const;
    bool typeCode(std::string_view name, std::uint32_t& code) const;
    bool kindCode(std::string_view name, std::uint32_t& code) const;
    bool column(std::string_view name, std::uint32_t& value) const;
    bool polarity(std::string_view name, std::uint8_t& inverted) const;

    bool isLoaded() const { return m_loaded; }
    std::uint32_t bucketCount() const { return static_cast<std::uint32_t>(m_buckets.size()); }
    std::uint32_t entryCount() const { return m_entryCount; }
    const std::string& fileName() const { return m_fileName; }

    // The file a load of path opens: path.sym when the file name has no extension, path itself
    // when the extension contains "sym", else the extension replaced by "sym".
    static std::string symbolPath(std::string_view path);

    static int lastError();
    // Codes outside 0..6 are kept as 6.
    static void setLastError(int code);
    static const char* errorText(int code);

private:
    struct Bucket {
        SymbolRecord* head = nullptr;
        SymbolRecord* tail = nullptr;
    };

    bool parse(std::string_view bytes);
    void grow();
    void file(SymbolRecord* record);

    bool m_loaded = false;
    std::uint32_t m_entryCount = 0;
    std::string m_fileName;
    std::vector<Bucket> m_buckets;
    // Ownership apart from the chains, so that freeing never recurses down a long chain.
    std::vector<std::unique_ptr<SymbolRecord>> m_records;
};

} // namespace cellwatch

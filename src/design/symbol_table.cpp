#include "design/symbol_table.h"

#include "common/file_text.h"
#include "design/name_hash.h"
#include "design/symbol_reader.h"

#include <cstdio>

namespace cellwatch {

namespace {

int g_lastError = SymbolTable::kNoError;

bool containsSym(std::string_view ext) {
    for (std::size_t i = 0; i + 3 <= ext.size(); ++i)
        if (sameName(ext.substr(i, 3), "sym"))
            return true;
    return false;
}

} // namespace

AddressWord cellAddressOf(const SymbolRecord& record) {
    AddressWord word = 0;
    setModeField(word, 0);
    setColumnField(word, record.column);
    setOffsetField(word, 3);
    setRowField(word, record.isColumnRecord ? 0 : record.row);
    return word;
}

SymbolTable::SymbolTable(std::string_view path) {
    load(path);
}

int SymbolTable::lastError() {
    return g_lastError;
}

void SymbolTable::setLastError(int code) {
    g_lastError = (code < 0 || code > 6) ? kBadErrorNumber : code;
}

const char* SymbolTable::errorText(int code) {
    switch (code) {
    case kNoError:
        return "No Errors Found";
    case kBadSymbolRecord:
        return "Bad Symbol Table Record";
    case kInvalidFile:
        return "Invalid File Found";
    case kBadTableRecord:
        return "Bad Table Record";
    case kErrorInHeader:
        return "Error in Header";
    case kErrorInFile:
        return "Error in File";
    default:
        return "Bad Error Number";
    }
}

std::string SymbolTable::symbolPath(std::string_view path) {
    // Only the last path component can carry the extension: "../designs/adder" is not "..sym".
    const std::size_t slash = path.rfind('/');
    const std::size_t base = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    std::string result(path);
    if (dot == std::string_view::npos || dot < base) {
        result += ".sym";
    } else if (!containsSym(path.substr(dot + 1))) {
        result.resize(dot + 1);
        result += "sym";
    }
    return result;
}

void SymbolTable::clear() {
    m_buckets.clear();
    m_buckets.shrink_to_fit();
    m_records.clear();
    m_fileName.clear();
    m_entryCount = 0;
    m_loaded = false;
}

bool SymbolTable::load(std::string_view path) {
    if (path.empty())
        return false;
    const std::string derived = symbolPath(path);
    std::string bytes;
    // A folder opens on Linux but cannot be read: that is no symbol table either.
    if (!readFileText(derived, bytes)) {
        clear();
        setLastError(kInvalidFile);
        return false;
    }
    return loadFromBuffer(bytes, derived);
}

bool SymbolTable::loadFromBuffer(std::string_view bytes, std::string_view name) {
    clear();
    setLastError(kNoError);
    m_fileName.assign(name);
    m_loaded = parse(bytes);
    if (!m_loaded) {
        // A bad record fails the whole file: nothing read before it stays findable.
        clear();
    }
    return m_loaded;
}

bool SymbolTable::parse(std::string_view bytes) {
    SymbolReader reader(bytes);
    for (;;) {
        std::unique_ptr<SymbolRecord> record = createRecord();
        const SymbolReader::Result result = reader.readRecord(*record);
        if (result == SymbolReader::Result::End)
            return true;
        if (result == SymbolReader::Result::Error) {
            setLastError(kBadSymbolRecord);
            return false;
        }
        insert(std::move(record));
    }
}

std::unique_ptr<SymbolRecord> SymbolTable::createRecord() {
    return std::make_unique<SymbolRecord>();
}

void SymbolTable::file(SymbolRecord* record) {
    Bucket& bucket = m_buckets[record->m_hash % m_buckets.size()];
    record->next = nullptr;
    if (bucket.tail)
        bucket.tail->next = record;
    else
        bucket.head = record;
    bucket.tail = record;
    ++m_entryCount;
}

void SymbolTable::grow() {
    const std::uint32_t size = nextTableSize(bucketCount());
    if (size == 0)
        return; // past the largest size the chains just get longer
    std::vector<Bucket> old(size);
    old.swap(m_buckets);
    m_entryCount = 0;
    for (const Bucket& bucket : old) {
        SymbolRecord* record = bucket.head;
        while (record) {
            SymbolRecord* following = record->next;
            file(record);
            record = following;
        }
    }
}

void SymbolTable::insert(std::unique_ptr<SymbolRecord> record) {
    if (!record)
        return;
    if (m_entryCount >= bucketCount())
        grow();
    record->m_hash = nameHash(record->name);
    file(record.get());
    m_records.push_back(std::move(record));
}

const SymbolRecord* SymbolTable::find(std::string_view name) const {
    if (m_buckets.empty())
        return nullptr;
    const std::uint32_t hash = nameHash(name);
    for (const SymbolRecord* r = m_buckets[hash % m_buckets.size()].head; r; r = r->next)
        if (r->m_hash == hash && sameName(r->name, name))
            return r;
    return nullptr;
}

bool SymbolTable::cellAddress(std::string_view name, AddressWord& address) const {
    const SymbolRecord* r = find(name);
    if (!r)
        return false;
    address = cellAddressOf(*r);
    return r->typeCode != kTypeX;
}

bool SymbolTable::typeCode(std::string_view name, std::uint32_t& code) const {
    const SymbolRecord* r = find(name);
    if (r)
        code = r->typeCode;
    return r != nullptr;
}

bool SymbolTable::kindCode(std::string_view name, std::uint32_t& code) const {
    const SymbolRecord* r = find(name);
    if (r)
        code = r->kindCode;
    return r != nullptr;
}

bool SymbolTable::column(std::string_view name, std::uint32_t& value) const {
    const SymbolRecord* r = find(name);
    if (r)
        value = r->column;
    return r != nullptr;
}

bool SymbolTable::polarity(std::string_view name, std::uint8_t& inverted) const {
    const SymbolRecord* r = find(name);
    if (r)
        inverted = r->inverted ? 1 : 0;
    return r != nullptr;
}

void SymbolTable::writeAll(std::string& out) const {
    for (const Bucket& bucket : m_buckets)
        for (const SymbolRecord* r = bucket.head; r; r = r->next)
            r->write(out);
}

bool SymbolTable::writeOne(std::string& out, std::string_view name) const {
    const SymbolRecord* r = find(name);
    if (r)
        r->write(out);
    return r != nullptr;
}

const std::string* SymbolTable::NameIterator::first() {
    m_bucket = 0;
    m_link = m_table->m_buckets.empty() ? nullptr : m_table->m_buckets[0].head;
    return settle();
}

const std::string* SymbolTable::NameIterator::next() {
    if (m_link)
        m_link = m_link->next;
    return settle();
}

const std::string* SymbolTable::NameIterator::settle() {
    const auto& buckets = m_table->m_buckets;
    while (!m_link && m_bucket + 1 < buckets.size())
        m_link = buckets[++m_bucket].head;
    return m_link ? &m_link->name : nullptr;
}

} // namespace cellwatch

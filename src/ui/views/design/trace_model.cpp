#include "ui/views/design/trace_model.h"

#include "app/cwiz_doc.h"
#include "app/log_format.h"
#include "design/design_element.h"
#include "script/scanning.h"
#include "ui/views/design/element_images.h"

#include <algorithm>
#include <string>

namespace cellwatch {

namespace {

QString decimal(std::int64_t value) {
    return QString::number(value);
}

QString placeText(std::int32_t value) {
    return value < 0 ? QStringLiteral("n/a") : decimal(value);
}

ElementImage imageOf(const DesignElement& element, const DesignElement* clock) {
    if (&element == clock)
        return ElementImage::Clock;
    switch (element.type) {
    case ElementType::Symbol:
        return element.combinatorial != 0 ? ElementImage::Combinatorial : ElementImage::Sequential;
    case ElementType::Composite:
        return ElementImage::Composite;
    case ElementType::Group:
        return ElementImage::Group;
    case ElementType::SoftwareClock:
        return ElementImage::Clock;
    }
    return ElementImage::Composite;
}

} // namespace

QString traceValueText(const DesignElement& element, std::int32_t value) {
    // Unlike the log, the list does not fall back to the session's radix.
    const int radix = (element.radix == 8 || element.radix == 10 || element.radix == 16) ? element.radix : 2;
    std::string text;
    FormatNumber(static_cast<std::uint32_t>(value), text, digitCount(element.size, radix), radix, '0');
    return QString::fromStdString(text);
}

TraceListModel::TraceListModel(const CWizDoc& doc, QObject* parent) : QAbstractTableModel(parent), m_doc(doc) {}

void TraceListModel::append(const TracedComponent& entry) {
    const int row = static_cast<int>(m_rows.size());
    beginInsertRows({}, row, row);
    m_rows.push_back(&entry);
    endInsertRows();
}

void TraceListModel::remove(const TracedComponent& entry) {
    const int row = rowOf(entry);
    if (row < 0)
        return;
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

void TraceListModel::clear() {
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void TraceListModel::refreshValues() {
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0, ValueColumn), index(rowCount() - 1, ValueColumn), {Qt::DisplayRole});
}

void TraceListModel::refreshImages() {
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0, SymbolColumn), index(rowCount() - 1, SymbolColumn),
                           {Qt::DecorationRole, ImageRole});
}

const TracedComponent* TraceListModel::entryAt(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < m_rows.size() ? m_rows[static_cast<std::size_t>(row)]
                                                                     : nullptr;
}

int TraceListModel::rowOf(const TracedComponent& entry) const {
    const auto it = std::find(m_rows.begin(), m_rows.end(), &entry);
    return it != m_rows.end() ? static_cast<int>(it - m_rows.begin()) : -1;
}

int TraceListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int TraceListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TraceListModel::data(const QModelIndex& index, int role) const {
    const TracedComponent* entry = entryAt(index.row());
    if (entry == nullptr || entry->element == nullptr)
        return {};
    const DesignElement& element = *entry->element;
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case SymbolColumn:
            return QString::fromStdString(element.fullName);
        case SizeColumn:
            return decimal(element.size);
        case RowColumn:
            return placeText(element.row);
        case ColumnColumn:
            return placeText(element.column);
        case ValueColumn:
            return traceValueText(element, entry->lastValue);
        default:
            return {};
        }
    }
    if (index.column() == SymbolColumn && (role == Qt::DecorationRole || role == ImageRole)) {
        const ElementImage image = imageOf(element, m_doc.clockElement());
        return role == ImageRole ? QVariant(static_cast<int>(image)) : QVariant(elementIcon(image));
    }
    return {};
}

QVariant TraceListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const titles[] = {"Symbol", "Size", "Row", "Column", "Value"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}

} // namespace cellwatch

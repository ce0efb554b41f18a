#pragma once
// The rows of the trace list: one per traced component, in the session's list order, each pointing
// at its entry. Every cell is worked out from the entry and its element when asked, so a run only
// has to say that values changed.

#include <QAbstractTableModel>

#include <cstdint>
#include <vector>

namespace cellwatch {

class CWizDoc;
class DesignElement;
struct TracedComponent;

// The "Value" text: the value in the element's own radix (binary unless 8, 10 or 16), zero-padded
// to the digits of the element's width in that radix.
QString traceValueText(const DesignElement& element, std::int32_t value);

class TraceListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { SymbolColumn, SizeColumn, RowColumn, ColumnColumn, ValueColumn, ColumnCount };
    // data() of this role in the first column is the row's image index (an int, see ElementImage).
    static constexpr int ImageRole = Qt::UserRole + 1;

    explicit TraceListModel(const CWizDoc& doc, QObject* parent = nullptr);

    void append(const TracedComponent& entry);
    // Drops the entry's row; the rows after it move up one place.
    void remove(const TracedComponent& entry);
    void clear();
    void refreshValues();
    void refreshImages();

    // The entry of that row (its position in the list), or null.
    const TracedComponent* entryAt(int row) const;
    // The row of the entry, or -1.
    int rowOf(const TracedComponent& entry) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const CWizDoc& m_doc;
    std::vector<const TracedComponent*> m_rows;
};

} // namespace cellwatch

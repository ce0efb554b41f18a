#pragma once
// The SRAM contents view: the board's whole SRAM as a hex and character dump, several 32-bit words
// to a row, with a vertical scroll bar and a jump to an address. It reads the SRAM in one piece
// into its own copy when first shown and whenever the session announces a change, so scrolling
// never touches the board.

#include "ui/views/wiz_view.h"

#include <QAbstractScrollArea>
#include <QFont>

#include <cstdint>
#include <string>
#include <vector>

class QMenu;

namespace cellwatch {

class CWizDoc;

class CMemoryView final : public QAbstractScrollArea, public WizView {
    Q_OBJECT
public:
    explicit CMemoryView(CWizDoc& doc, QWidget* parent = nullptr);
    ~CMemoryView() override;

    ViewKind viewKind() const override { return ViewKind::Sram; }
    // The session changed: read the SRAM again, keeping the scroll position.
    void documentUpdated() override;

    // Row r of the dump (13 + 14 * words per line characters).
    std::string rowText(int row) const;
    int wordsPerLine() const { return m_wordsPerLine; }
    int lines() const { return m_wordsPerLine > 0 ? static_cast<int>(m_copy.size()) / m_wordsPerLine : 0; }
    int visibleRows() const;
    int columnWidth() const { return m_columnWidth; }
    // The copy's size in words (0 until first shown).
    int size() const { return static_cast<int>(m_copy.size()); }
    // The view's size when its window opens: wide enough for the first layout to put four words in
    // a row with their characters, and about twenty rows high.
    QSize openingSize() const;
    // The "&View SRAM location..." command: asks for a hex byte address and brings its row to the top.
    void OnViewLocation();
    // The context menu, while it is up.
    QMenu* contextMenu() const { return m_pMenu; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void measure();
    void readSram();
    void layoutRows(int divisor, int rangeEnd);

    CWizDoc& m_doc;
    QFont m_font;
    int m_lineHeight = 0;
    int m_columnWidth = 0;
    int m_wordsPerLine = 1;
    bool m_shown = false;
    std::vector<std::uint32_t> m_copy;
    QMenu* m_pMenu = nullptr;
};

} // namespace cellwatch

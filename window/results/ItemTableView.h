#pragma once

#include <QPersistentModelIndex>
#include <QTableView>

class ItemTable;

// The results' table of every item, as the user works it from the mouse or the keyboard: a click
// on a column's title or Return in a column sorts by it (counts largest first, Return again turns
// the order), Tab leaves it, and rows are selected as in any list. Once the focus has left, no cell
// stays current, so that a screen reader is not told of a focused cell in a table it has left; the
// cell is current again when the focus comes back.
class ItemTableView : public QTableView {
    Q_OBJECT

public:
    ItemTableView(ItemTable* items, QWidget* parent);

    // The columns' titles on a line, then rows in the order shown, each cell as shown with a tab
    // between them and a "-" for the minus sign, so that a spreadsheet reads the numbers: the
    // selected rows, or every row.
    QString RowsText(bool selected) const;

    // The width that shows every column whole, beside the scroll bar.
    int FullWidth() const;

    // The height of the title row and a whole number of rows, at least `height`.
    int WholeRowsHeight(int height) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FitToFont();
    void SortBy(int column);

    ItemTable* items_;
    QPersistentModelIndex left_;  // the current cell when the focus left
};

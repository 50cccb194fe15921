#include "window/results/ItemTableView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSortFilterProxyModel>

#include <algorithm>
#include <utility>

#include "window/results/ItemTable.h"

ItemTableView::ItemTableView(ItemTable* items, QWidget* parent)
    : QTableView(parent), items_(items) {
    auto* sorted = new QSortFilterProxyModel(this);
    sorted->setSourceModel(items);
    sorted->setSortRole(ItemTable::SortRole);
    setObjectName(QStringLiteral("ItemTable1"));
    setAccessibleName(tr("Picks of each item"));
    setAccessibleDescription(tr("Return sorts by the current column"));
    setModel(sorted);
    setSortingEnabled(true);
    sortByColumn(ItemTable::Item, Qt::AscendingOrder);
    horizontalHeader()->setToolTip(tr("Click a title, or press Return in a column, to sort by it"));
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    setWordWrap(false);
    // Tab leaves the table, as it leaves every other control; the arrow keys move in it.
    setTabKeyNavigation(false);
    FitToFont();
    // The numbers' columns as wide as their widest number or their title, for every run.
    connect(items, &QAbstractItemModel::modelReset, this, &ItemTableView::FitToFont);
}

QString ItemTableView::RowsText(bool selected) const {
    QList<int> rows;
    if (selected) {
        for (const QModelIndex& index : selectionModel()->selectedRows()) {
            rows << index.row();
        }
        std::ranges::sort(rows);
    } else {
        for (int row = 0; row < model()->rowCount(); ++row) {
            rows << row;
        }
    }
    const auto line = [this](const auto& cell) {
        QStringList cells;
        for (int column = 0; column < model()->columnCount(); ++column) {
            cells << cell(column);
        }
        return cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    };
    QString text =
        line([this](int column) { return model()->headerData(column, Qt::Horizontal).toString(); });
    for (const int row : rows) {
        text += line([this, row](int column) {
            return model()->index(row, column).data().toString().replace(QChar(0x2212), '-');
        });
    }
    return text;
}

int ItemTableView::FullWidth() const {
    int width = 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < model()->columnCount(); ++column) {
        width += std::max(columnWidth(column), horizontalHeader()->sectionSizeHint(column));
    }
    return width;
}

int ItemTableView::WholeRowsHeight(int height) const {
    const int around = 2 * frameWidth() + horizontalHeader()->sizeHint().height();
    const int row = verticalHeader()->defaultSectionSize();
    return around + (std::max(0, height - around) + row - 1) / row * row;
}

void ItemTableView::FitToFont() {
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    const Summary& summary = items_->GetSummary();
    // Digits are of one width: the largest number is the widest.
    for (const auto& [column, largest] :
         {std::pair(ItemTable::Item, static_cast<int>(summary.counts.size())),
          std::pair(ItemTable::Count, summary.highest)}) {
        const int widest = std::max(
            fontMetrics().horizontalAdvance(QString::number(largest)),
            fontMetrics().horizontalAdvance(items_->headerData(column, Qt::Horizontal).toString()));
        // Room for the sort indicator and the cell's margins.
        setColumnWidth(column, widest + fontMetrics().height() + 12);
    }
}

void ItemTableView::SortBy(int column) {
    QHeaderView* header = horizontalHeader();
    const Qt::SortOrder order =
        header->sortIndicatorSection() == column
            ? (header->sortIndicatorOrder() == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                  : Qt::AscendingOrder)
            : static_cast<Qt::SortOrder>(
                  model()->headerData(column, Qt::Horizontal, Qt::InitialSortOrderRole).toInt());
    sortByColumn(column, order);
    scrollTo(currentIndex());
}

void ItemTableView::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        currentIndex().isValid()) {
        SortBy(currentIndex().column());
        return;
    }
    QTableView::keyPressEvent(event);
}

void ItemTableView::focusInEvent(QFocusEvent* event) {
    if (left_.isValid()) {
        selectionModel()->setCurrentIndex(left_, QItemSelectionModel::NoUpdate);
    }
    QTableView::focusInEvent(event);
}

void ItemTableView::focusOutEvent(QFocusEvent* event) {
    left_ = currentIndex();
    selectionModel()->clearCurrentIndex();
    QTableView::focusOutEvent(event);
}

void ItemTableView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        FitToFont();
    }
    QTableView::changeEvent(event);
}

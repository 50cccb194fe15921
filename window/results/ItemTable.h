#pragma once

#include <QAbstractTableModel>
#include <QString>

#include "finish/Summary.h"

// Every item of a finished run, one row each: the item, its count, and how far the count lies
// from the count it would have if the draws followed their law exactly. The sort role gives
// numbers, so that a view sorts by value rather than by the text shown.
class ItemTable : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Item, Count, Difference, Columns };
    static constexpr int SortRole = Qt::UserRole;

    using QAbstractTableModel::QAbstractTableModel;

    void SetSummary(const Summary& summary);
    const Summary& GetSummary() const { return summary_; }

    // One line per item: the item, a tab, its count.
    QString CountsText() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    double DifferenceOf(int row) const;

    Summary summary_;
};

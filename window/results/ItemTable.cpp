#include "window/results/ItemTable.h"

#include <cmath>

namespace {

// With a sign, to one decimal (halves away from 0); a difference that would show as 0 keeps three.
QString Signed(double value) {
    const double tenths = std::round(value * 10) / 10;
    const QString digits = tenths == 0 && value != 0 ? QString::number(std::abs(value), 'f', 3)
                                                     : QString::number(std::abs(tenths), 'f', 1);
    return value > 0   ? QStringLiteral("+") + digits
           : value < 0 ? QStringLiteral("\u2212") + digits
                       : digits;
}

}  // namespace

void ItemTable::SetSummary(const Summary& summary) {
    beginResetModel();
    summary_ = summary;
    endResetModel();
}

QString ItemTable::CountsText() const {
    QString text;
    for (std::size_t k = 0; k < summary_.counts.size(); ++k) {
        text += QStringLiteral("%1\t%2\n").arg(k + 1).arg(summary_.counts[k]);
    }
    return text;
}

int ItemTable::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(summary_.counts.size());
}

int ItemTable::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Columns;
}

double ItemTable::DifferenceOf(int row) const {
    const auto k = static_cast<std::size_t>(row);
    return summary_.counts[k] - summary_.expected[k];
}

QVariant ItemTable::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return {};
    }
    const int row = index.row();
    const int count = summary_.counts[static_cast<std::size_t>(row)];
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole && role != SortRole) {
        return {};
    }
    switch (index.column()) {
        case Item:
            return row + 1;
        case Count:
            return count;
        default:
            return role == SortRole ? QVariant(DifferenceOf(row))
                                    : QVariant(Signed(DifferenceOf(row)));
    }
}

QVariant ItemTable::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (section) {
        case Item:
            return tr("Item");
        case Count:
            return tr("Picks");
        default:
            return tr("From expected");
    }
}

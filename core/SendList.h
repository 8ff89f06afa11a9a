#pragma once

// The send list: the (number, text) rows that a recipient window hands to the send screen,
// and a grid model over it that tells its views about every change row by row, so that a
// list of 100,000 rows fills and trims without a reset of the views.

#include "core/RecordSet.h"

#include <QAbstractTableModel>

constexpr int kSendListNumberSize = 10;  // GsmNo
constexpr int kSendListMessageSize = 255; // Mesaj

// An empty list with the fields GsmNo (10) and Mesaj (255), in this order.
RecordSet MakeSendList();

class SendListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit SendListModel(QObject *parent = nullptr);

    const RecordSet &list() const { return m_list; }

    // Appends one row at the end. A number over 10 or a text over 255 characters throws
    // OrvekError and adds nothing.
    void appendRow(const QString &gsmNo, const QString &mesaj);
    void removeRow(int row);
    void clear();
    // Room for `rows` rows (a filling that knows its count).
    void reserve(int rows) { m_list.reserve(rows); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    RecordSet m_list;
};

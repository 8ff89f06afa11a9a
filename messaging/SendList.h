#pragma once

// The send list: the (number, text) rows that a recipient window hands to the send screen,
// and a grid model over it. Telling a grid of one more row costs time that grows with the
// grid, so while a long filling runs (setDeferred(true)) the rows go into the list at once
// and the views hear of them in batches, at most every kFlushIntervalMs.

#include "core/RecordSet.h"

#include <QAbstractTableModel>
#include <QTimer>

constexpr int kSendListNumberSize = 10;   // GsmNo
constexpr int kSendListMessageSize = 255; // Mesaj

// An empty list with the fields GsmNo (10) and Mesaj (255), in this order.
RecordSet MakeSendList();

class SendListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kFlushIntervalMs = 100;

    // A new model takes the storage the last model its thread let go left behind (see
    // ~SendListModel), so the list of each send fills memory it already has.
    explicit SendListModel(QObject *parent = nullptr);
    // The list's storage, emptied, stays with the thread for its next model; of two models
    // that end, the one with room for more rows is kept. A text read from the list before
    // keeps its characters (RecordSet::clearKeepingStorage).
    ~SendListModel() override;

    // Every row, also those the views have not heard of yet.
    const RecordSet &list() const { return m_list; }

    // While deferred, appended rows reach the views in batches (the model's rowCount() is
    // what the views know); switching it off tells them of the rest at once.
    void setDeferred(bool deferred);
    bool isDeferred() const { return m_deferred; }
    // Tells the views of every row appended so far.
    void flush();

    // Appends one row at the end, its characters copied into the list's own text blocks (no
    // string per row), so a caller can write the next row into the same buffers. A number
    // over 10 or a text over 255 characters throws OrvekError and adds nothing.
    void appendRow(QStringView gsmNo, QStringView mesaj);
    void appendRow(const QString &gsmNo, const QString &mesaj) { appendRow(QStringView(gsmNo), QStringView(mesaj)); }
    void removeRow(int row);
    void clear();
    // Room for `rows` rows (a filling that knows its count).
    void reserve(int rows) { m_list.reserve(rows); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void pushRow(QStringView gsmNo, QStringView mesaj);

    RecordSet m_list;
    int m_shown = 0; // rows the views know of
    bool m_deferred = false;
    QTimer m_flushTimer;
};

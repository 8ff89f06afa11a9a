#pragma once

// The data control of a recipient window: the rows of one message kind's ERP query in memory
// (typed columns, see ErpQueries.h), a filter over them, and the model a grid shows them
// through. The window names it after its control (rsGrup, rsBakiye).

#include "core/RecordSet.h"

#include <QObject>
#include <QString>

class ErpDataControl : public QObject {
    Q_OBJECT
public:
    ErpDataControl(const QString &name, const QString &kind, QObject *parent = nullptr);

    // The message kind whose query the control runs ("ChkMesaj", ...).
    QString kind() const { return m_kind; }

    // Runs the kind's query on the open ERP connection and takes its rows, unfiltered. Throws
    // OrvekError when the query fails; the rows and the filter held before then stay.
    void Refresh();
    // Removes the filter and runs the query again (the same rule on failure, but the filter
    // is gone: the rows held before stay, all of them visible).
    void Requery();

    // The rows, as filtered. After changing the set's filter call rowsChanged().
    RecordSet &Recordset() { return m_set; }
    const RecordSet &Recordset() const { return m_set; }
    int RecordCount() const { return m_set.rowCount(); }
    // Whether a query has filled the control (false until the first Refresh succeeds).
    bool isOpen() const { return m_open; }

    RecordSetModel *model() const { return m_model; }
    // Tells the model the visible rows changed.
    void rowsChanged();

private:
    QString m_kind;
    RecordSet m_set;
    RecordSetModel *m_model = nullptr;
    bool m_open = false;
};

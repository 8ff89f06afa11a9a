#pragma once

// The report of the report window (rsKopuk1): one in-memory record set that the grids of all
// three tabs show at once, each through a model of its own (a grid may title its columns
// differently).
//
//     ReportDataControl rs;
//     grid->view()->setModel(rs.addGrid());      // once per grid
//     rs.replace(ReportFields(withNames));       // a fresh, empty, unfiltered set
//     rs.append({number, state});                // rows go into the set at once...
//     rs.catchUp();                              // ...and the grids show them here
//     rs.setFilterText(text);                    // the grids show the rows that pass
//
// append() costs no widget work; call catchUp() now and then while a long fill runs and once
// at its end. replace() and setFilterText() reset the grids' models (their columns lose their
// widths: the window sets them again).

#include "core/RecordSet.h"

#include <QAbstractTableModel>
#include <QObject>
#include <QStringList>
#include <vector>

class ReportGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ReportGridModel(const RecordSet *set, QObject *parent = nullptr);

    // Column titles in place of the field names; an empty or missing title shows the name.
    void setHeaders(const QStringList &headers);
    // The rows of the set as they stand now.
    void reset();
    // Announces the rows appended since the last reset or catch-up.
    void catchUp();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const RecordSet *m_set;
    QStringList m_headers;
    int m_rows = 0;
    int m_columns = 0;
};

class ReportDataControl : public QObject {
    Q_OBJECT
public:
    explicit ReportDataControl(QObject *parent = nullptr);

    ReportGridModel *addGrid();

    RecordSet &recordSet() { return m_set; }
    const RecordSet &recordSet() const { return m_set; }

    // A fresh, empty set of these fields in place of the current one; no filter.
    void replace(const QVector<RecordField> &fields);
    // One row into the set (as RecordSet::addRow); the grids show it at the next catchUp().
    void append(RecordRow row);
    void catchUp();
    // The filter of the set (SetFilterText: "" removes it); the grids show the rows that pass.
    void setFilterText(const QString &text);
    // The grids show the set as it stands (after a change made directly on recordSet()).
    void resetGrids();

private:
    RecordSet m_set;
    std::vector<ReportGridModel *> m_models;
};

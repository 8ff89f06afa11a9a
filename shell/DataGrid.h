#pragma once

// A data grid as the windows use it: an optional caption bar above the column headers and a
// read-only table view with whole-row selection and one current row. The grid's model and
// selection are the view's; the caption bar is hidden while the caption is empty.

#include <QFrame>
#include <QString>

class QLabel;
class QTableView;

class DataGrid : public QFrame {
    Q_OBJECT
public:
    explicit DataGrid(QWidget *parent = nullptr);

    QTableView *view() const { return m_view; }
    QLabel *captionLabel() const { return m_caption; }
    void setCaption(const QString &caption);
    QString caption() const;

    // A column's width in twips, never narrower than its heading needs in the grid's font.
    void setColumnWidthTw(int column, int twips);

    // The current row, -1 when there is none.
    int currentRow() const;
    // Makes row the current one (and selects it); a row outside the model clears it.
    void setCurrentRow(int row);

signals:
    // The current row changed (-1: none).
    void currentRowChanged(int row);

private:
    void watchSelection();
    QLabel *m_caption = nullptr;
    QTableView *m_view = nullptr;
};

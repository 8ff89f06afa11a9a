#pragma once

// A data grid as the windows use it: an optional caption bar above the column headers and a
// read-only table view with whole-row selection and one current row. The grid's model and
// selection are the view's; the caption bar is hidden while the caption is empty.

#include <QFrame>
#include <QList>
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

    // The design widths (twips) of the columns from `first` on, in order; fitColumns() starts
    // from them, and they outlive a reset of the model. Sets the columns to them.
    void setDesignWidthsTw(int first, const QList<int> &twips);
    // Fits the visible columns to their contents within the grid: each as wide as its heading
    // and its cells need (measured as the view measures them: the rows in view and up to a
    // thousand more), never narrower than its design width (a column without one: the
    // header's default) or its heading. When the contents need more than the grid's width, the
    // widest columns share what the others leave, cut to one width but not below their design
    // width, so the narrow columns show whole; a column no wider than the widest design width
    // is never cut: when those do not fit, the grid scrolls.
    // Once fitted, the grid fits its columns again whenever it is resized.
    void fitColumns();
    // The width the columns have inside the grid: the view less its frame, its row headers and
    // the vertical scroll bar when the rows need it.
    int columnRoom() const;

    // The current row, -1 when there is none.
    int currentRow() const;
    // Makes row the current one (and selects it); a row outside the model clears it.
    void setCurrentRow(int row);

protected:
    void resizeEvent(QResizeEvent *event) override;

signals:
    // The current row changed (-1: none).
    void currentRowChanged(int row);

private:
    void watchSelection();
    QLabel *m_caption = nullptr;
    QTableView *m_view = nullptr;
    bool m_fitted = false;
    int m_designFirst = 0;
    QList<int> m_designTw;
};

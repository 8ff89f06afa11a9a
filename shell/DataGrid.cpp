#include "shell/DataGrid.h"

#include "shell/Twips.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

DataGrid::DataGrid(QWidget *parent) : QFrame(parent)
{
    setFrameShape(QFrame::StyledPanel);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_caption = new QLabel(this);
    m_caption->setObjectName(QStringLiteral("Caption"));
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setAutoFillBackground(true);
    m_caption->setBackgroundRole(QPalette::Button);
    m_caption->setMargin(2);
    m_caption->hide();
    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("Grid"));
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setWordWrap(false);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 6);
    layout->addWidget(m_caption);
    layout->addWidget(m_view, 1);
}

void DataGrid::setCaption(const QString &caption)
{
    m_caption->setText(caption);
    m_caption->setVisible(!caption.isEmpty());
}

QString DataGrid::caption() const { return m_caption->text(); }

int DataGrid::currentRow() const
{
    const QModelIndex i = m_view->currentIndex();
    return i.isValid() ? i.row() : -1;
}

void DataGrid::setCurrentRow(int row)
{
    watchSelection();
    QAbstractItemModel *model = m_view->model();
    QItemSelectionModel *sel = m_view->selectionModel();
    if (!model || !sel) return;
    if (row < 0 || row >= model->rowCount()) {
        sel->clear();
        sel->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
        return;
    }
    // The first visible column, so a hidden key column does not hold the current cell.
    int column = 0;
    while (column < model->columnCount() - 1 && m_view->isColumnHidden(column)) ++column;
    sel->setCurrentIndex(model->index(row, column), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void DataGrid::watchSelection()
{
    QItemSelectionModel *sel = m_view->selectionModel();
    if (!sel || sel->property("watched").toBool()) return;
    sel->setProperty("watched", true);
    connect(sel, &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current, const QModelIndex &) {
                emit currentRowChanged(current.isValid() ? current.row() : -1);
            });
}

void DataGrid::setColumnWidthTw(int column, int twips)
{
    QHeaderView *header = m_view->horizontalHeader();
    if (column < 0 || column >= header->count()) return;
    header->resizeSection(column, std::max(tw(twips), header->sectionSizeHint(column)));
}

void DataGrid::setDesignWidthsTw(int first, const QList<int> &twips)
{
    m_designFirst = first;
    m_designTw = twips;
    for (int i = 0; i < twips.size(); ++i) m_view->setColumnWidth(first + i, tw(twips[i]));
}

int DataGrid::columnRoom() const
{
    // From the grid's own size: the view gets it from the layout only when that next runs.
    const int frame = 2 * m_view->frameWidth();
    int width = contentsRect().width() - frame;
    const QHeaderView *rows = m_view->verticalHeader();
    if (!rows->isHidden()) width -= rows->sizeHint().width();
    const QHeaderView *columns = m_view->horizontalHeader();
    const int height = contentsRect().height() - (m_caption->isHidden() ? 0 : m_caption->sizeHint().height()) - frame -
                       (columns->isHidden() ? 0 : columns->sizeHint().height());
    const Qt::ScrollBarPolicy policy = m_view->verticalScrollBarPolicy();
    if (policy == Qt::ScrollBarAlwaysOn || (policy == Qt::ScrollBarAsNeeded && rows->length() > height))
        width -= m_view->verticalScrollBar()->sizeHint().width();
    return std::max(0, width);
}

void DataGrid::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    if (m_fitted) fitColumns();
}

void DataGrid::fitColumns()
{
    m_fitted = true;
    QHeaderView *header = m_view->horizontalHeader();
    struct Column {
        int index;
        int least;  // the design width, or the heading's when that is wider
        int needed; // what the heading and the cells need, at least the design width
    };
    std::vector<Column> columns;
    for (int c = 0; c < header->count(); ++c) {
        if (m_view->isColumnHidden(c)) continue;
        const int design = c >= m_designFirst && c - m_designFirst < m_designTw.size()
                               ? tw(m_designTw[c - m_designFirst])
                               : header->defaultSectionSize();
        // The view's own measure of the heading and the cells.
        m_view->resizeColumnToContents(c);
        const int content = std::max(header->sectionSizeHint(c), header->sectionSize(c));
        const int least = std::max(design, header->sectionSizeHint(c)); // a heading always shows whole
        columns.push_back(Column{c, least, std::max(least, content)});
    }
    if (columns.empty()) return;
    const int room = columnRoom();
    // Every column up to `cap` wide (but at least its design width): the widest cap that fits.
    const auto widthAt = [](const Column &col, int cap) { return std::max(col.least, std::min(col.needed, cap)); };
    const auto totalAt = [&](int cap) {
        long long sum = 0;
        for (const Column &col : columns) sum += widthAt(col, cap);
        return sum;
    };
    int widest = 0;
    int widestLeast = 0;
    for (const Column &col : columns) {
        widest = std::max(widest, col.needed);
        widestLeast = std::max(widestLeast, col.least);
    }
    int cap = widest;
    if (totalAt(widest) > room) {
        int low = 0, high = widest; // totalAt(high) > room
        while (high - low > 1) {
            const int mid = low + (high - low) / 2;
            (totalAt(mid) > room ? high : low) = mid;
        }
        // A column no wider than the widest design width is never cut: rather the grid scrolls.
        cap = std::max(low, widestLeast);
    }
    // What the cap leaves over (less than one pixel per cut column) goes to the cut columns.
    long long spare = std::max(0LL, room - totalAt(cap));
    for (const Column &col : columns) {
        int width = widthAt(col, cap);
        if (spare > 0 && width < col.needed) {
            ++width;
            --spare;
        }
        header->resizeSection(col.index, width);
    }
}

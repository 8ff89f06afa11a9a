#include "shell/DataGrid.h"

#include "shell/Twips.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

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

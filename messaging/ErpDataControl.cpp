#include "messaging/ErpDataControl.h"

#include "core/ErpQueries.h"

ErpDataControl::ErpDataControl(const QString &name, const QString &kind, QObject *parent)
    : QObject(parent), m_kind(kind)
{
    setObjectName(name);
    m_model = new RecordSetModel(this);
    m_model->setRecordSet(&m_set);
}

void ErpDataControl::Refresh()
{
    RecordSet rows = LoadErpRecordSet(m_kind);
    m_set = std::move(rows);
    m_open = true;
    m_model->reset();
}

void ErpDataControl::Requery()
{
    m_set.clearFilter();
    m_model->reset();
    Refresh();
}

void ErpDataControl::rowsChanged() { m_model->reset(); }

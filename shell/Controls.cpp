#include "shell/Controls.h"

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &caption, const TwRect &r)
{
    auto *l = NamedControl(new QLabel(caption, parent), name);
    SetGeometryTw(l, r);
    return l;
}

QPushButton *MakeButton(QWidget *parent, const char *name, const QString &caption, const TwRect &r)
{
    auto *b = NamedControl(new QPushButton(caption, parent), name);
    b->setAutoDefault(false);
    SetGeometryTw(b, r);
    return b;
}

QGroupBox *MakeFrame(QWidget *parent, const char *name, const QString &caption, const TwRect &r)
{
    auto *g = NamedControl(new QGroupBox(caption, parent), name);
    SetGeometryTw(g, r);
    return g;
}

QCheckBox *MakeCheckBox(QWidget *parent, const char *name, const QString &caption, const TwRect &r)
{
    auto *c = NamedControl(new QCheckBox(caption, parent), name);
    SetGeometryTw(c, r);
    return c;
}

QLineEdit *MakeTextBox(QWidget *parent, const char *name, const TwRect &r)
{
    auto *e = NamedControl(new QLineEdit(parent), name);
    SetGeometryTw(e, r);
    return e;
}

QDateEdit *MakeDatePicker(QWidget *parent, const char *name, const TwRect &r)
{
    auto *d = NamedControl(new QDateEdit(parent), name);
    d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    d->setCalendarPopup(true);
    SetGeometryTw(d, r);
    return d;
}

QPlainTextEdit *MakeMessageBox(QWidget *parent, const char *name, const TwRect &r)
{
    auto *t = NamedControl(new QPlainTextEdit(parent), name);
    t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    t->setTabChangesFocus(true);
    SetGeometryTw(t, r);
    return t;
}

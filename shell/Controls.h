#pragma once

// Makers of the plain controls the windows place by design coordinates: each gets its object
// name and its geometry in twips; buttons never become the default button by focus.

#include "shell/Twips.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>

template <class T>
T *NamedControl(T *w, const char *name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &caption, const TwRect &r);
QPushButton *MakeButton(QWidget *parent, const char *name, const QString &caption, const TwRect &r);
QGroupBox *MakeFrame(QWidget *parent, const char *name, const QString &caption, const TwRect &r);
QCheckBox *MakeCheckBox(QWidget *parent, const char *name, const QString &caption, const TwRect &r);
QLineEdit *MakeTextBox(QWidget *parent, const char *name, const TwRect &r);
// A date picker showing dd.MM.yyyy, with its calendar to drop down.
QDateEdit *MakeDatePicker(QWidget *parent, const char *name, const TwRect &r);
// A message text box: its vertical scroll bar always shown, Tab moving to the next control.
QPlainTextEdit *MakeMessageBox(QWidget *parent, const char *name, const TwRect &r);

#pragma once

// Finds a control of a window by its object name, as the operator's tools and the tests know
// it:
//
//     QTest::mouseClick(Control<QPushButton>(w, "cmdGonder"), Qt::LeftButton);
//     QCOMPARE(Control<QLineEdit>(w, "txtGsmNo")->maxLength(), 10);
//
// The test program stops at once when the window has no control of that name and type, or
// more than one (a look-up must not depend on which of two equal names comes first).

#include <QList>
#include <QObject>
#include <QString>
#include <QtGlobal>

template <class T>
T *Control(const QObject &window, const char *name)
{
    const QList<T *> found = window.findChildren<T *>(QString::fromLatin1(name));
    if (found.size() != 1)
        qFatal("%s has %s control %s of type %s", window.metaObject()->className(),
               found.isEmpty() ? "no" : "more than one", name, T::staticMetaObject.className());
    return found.first();
}

template <class T>
T *Control(const QObject *window, const char *name)
{
    if (!window) qFatal("no window to find the control %s in", name);
    return Control<T>(*window, name);
}

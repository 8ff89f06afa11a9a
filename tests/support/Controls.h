#pragma once

// Finds a control of a window by its object name, as the operator's tools and the tests know
// it; the test program stops at once when the window has no such control of that type.

#include <QObject>
#include <QString>
#include <QtGlobal>

template <class T>
T *Control(const QObject &window, const char *name)
{
    T *control = window.findChild<T *>(QString::fromLatin1(name));
    if (!control)
        qFatal("%s has no control %s of type %s", window.metaObject()->className(), name,
               T::staticMetaObject.className());
    return control;
}

template <class T>
T *Control(const QObject *window, const char *name)
{
    return Control<T>(*window, name);
}

#pragma once

// The program's pictures, drawn at run time: the 13 navigation tree images (16 x 16,
// indexes 1 to 13), the logo of the navigation panel, the about box's product pictures and
// the program icon.

#include <QIcon>
#include <QPixmap>
#include <QSize>

QPixmap NavigationImage(int index);
QPixmap LogoPicture(const QSize &size);
// which: 1 or 2.
QPixmap ProductPicture(int which, const QSize &size);
QIcon ProgramIcon();

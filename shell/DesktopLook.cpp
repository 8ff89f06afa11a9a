#include "shell/DesktopLook.h"

#include "shell/Twips.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QFont ProgramFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(9);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

void UseProgramFont()
{
    QApplication::setFont(ProgramFont());
    SetTwipScale(TwipScaleForFont(QApplication::font()));
}

bool UseTurkishTexts()
{
    const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
    QLocale::setDefault(turkish);
    static QTranslator *translator = nullptr;
    if (translator) return true;
    auto *t = new QTranslator(QCoreApplication::instance());
    if (!t->load(turkish, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete t;
        return false;
    }
    QCoreApplication::installTranslator(t);
    translator = t;
    return true;
}

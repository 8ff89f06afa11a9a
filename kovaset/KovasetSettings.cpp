#include "kovaset/KovasetSettings.h"

#include "core/AppState.h"
#include "core/Services.h"
#include "core/SettingsLoader.h"

#include <exception>

bool KovasetLoadSettings()
{
    try {
        ReadSettingsStages(QStringLiteral("Orvek® veritabanıyla bağlantı kurulamıyor.") + QStringLiteral("\r\n") +
                           QStringLiteral("Lütfen sunucu bilgilerinizi kontrol ediniz."));
        return true;
    } catch (const std::exception &) {
        const QString title = QStringLiteral("Kovaset");
        Prompt::show(gErrorText, PromptIcon::Critical, title);
        Prompt::show(QStringLiteral("Kovaset uygulaması kapatılıyor..."), PromptIcon::Critical, title);
        Lifecycle::endProgram();
        return false;
    }
}

#include "StandardTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool LoadStandardTexts(QCoreApplication& app)
{
    // Every caption and message of the program is Japanese, so Qt's buttons and dialogs
    // follow it whatever the user's locale, rather than mix languages in one box.
    auto* qtbase = new QTranslator(&app);
    if (!qtbase->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qtbase;
        return false;
    }
    return QCoreApplication::installTranslator(qtbase);
}

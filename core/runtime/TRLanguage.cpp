#include "TRLanguage.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QList>
#include <QPointer>
#include <QTranslator>

#include <functional>
#include <mutex>
#include <optional>

const QString TRLanguage::catalogueDirectory = QStringLiteral(":/translations");

namespace {

const QString englishLocale = QStringLiteral("en_US");

// Day labels are made on the readers' threads while the main thread may
// choose the language.
std::mutex chosenMutex;
std::optional<QString> &chosen()
{
    static std::optional<QString> name;
    return name;
}

QList<QPointer<QTranslator>> &installed()
{
    static QList<QPointer<QTranslator>> translators;
    return translators;
}

QString catalogueName(const QLocale &locale)
{
    return QStringLiteral("trellis_") + QLocale::languageToCode(locale.language());
}

} // namespace

QString TRLanguage::choose(const QLocale &system)
{
    for (const QString &language : system.uiLanguages()) {
        const QLocale locale(language);
        // The source texts are English, so English needs no catalogue.
        if (locale.language() == QLocale::English) {
            return locale.name();
        }
        if (locale.language() != QLocale::C &&
            QFile::exists(catalogueDirectory + u'/' + catalogueName(locale) + u".qm")) {
            return locale.name();
        }
    }
    return englishLocale;
}

QString TRLanguage::install(const QLocale &system)
{
    uninstall();
    const QString name = choose(system);
    const QLocale locale(name);
    if (locale.language() != QLocale::English) {
        const auto add = [](const std::function<bool(QTranslator &)> &load) {
            auto *translator = new QTranslator(QCoreApplication::instance());
            if (load(*translator) && QCoreApplication::installTranslator(translator)) {
                installed().append(translator);
            } else {
                delete translator;
            }
        };
        add([&](QTranslator &translator) {
            return translator.load(catalogueName(locale), catalogueDirectory);
        });
        // Qt's own texts: standard buttons and dialogs, the web view's menus.
        const QString qtDirectory = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        for (const QString &module : {QStringLiteral("qtbase"), QStringLiteral("qtwebengine")}) {
            add([&](QTranslator &translator) {
                return translator.load(locale, module, QStringLiteral("_"), qtDirectory);
            });
        }
    }
    std::lock_guard lock(chosenMutex);
    chosen() = name;
    return name;
}

void TRLanguage::uninstall()
{
    for (const QPointer<QTranslator> &translator : std::as_const(installed())) {
        delete translator.data();
    }
    installed().clear();
    std::lock_guard lock(chosenMutex);
    chosen().reset();
}

QString TRLanguage::localeName()
{
    std::lock_guard lock(chosenMutex);
    // Before any choice (tools, tests) the labels follow the same rule.
    if (!chosen()) {
        chosen() = choose(QLocale::system());
    }
    return *chosen();
}

#include "TRDayFormatter.h"
#include "TRLanguage.h"
#include "TRMenuController.h"
#include "TRPluginManager.h"
#include "TRPreferencesWindowController.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRTestMain.h"
#include "TRTestMenus.h"

#include <QCheckBox>
#include <QDirIterator>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>

using TRTestMenus::describe;
using TRTestMenus::findItem;

namespace {

struct Message
{
    QString translation;
    bool finished = false;
};
// Messages by context and source text.
using Catalogue = QMap<QPair<QString, QString>, Message>;

Catalogue readCatalogue(const QString &path)
{
    Catalogue catalogue;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return catalogue;
    }
    QXmlStreamReader xml(&file);
    QString context;
    QString source;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        if (xml.name() == u"name") {
            context = xml.readElementText();
        } else if (xml.name() == u"source") {
            source = xml.readElementText();
        } else if (xml.name() == u"translation") {
            const QString type = xml.attributes().value(QStringLiteral("type")).toString();
            catalogue[{context, source}] = {xml.readElementText(), type.isEmpty()};
        }
    }
    return xml.hasError() ? Catalogue() : catalogue;
}

QString translationsDir()
{
    return QStringLiteral(TRELLIS_SOURCE_DIR "/resources/translations");
}

// What must survive translation: the numbered and counted placeholders, the
// keyboard accelerators ("&&" is a literal ampersand) and a trailing "..."
// that says a window or menu follows.
QStringList markers(const QString &text)
{
    QStringList found;
    static const QRegularExpression placeholder(QStringLiteral("%(\\d+|n)"));
    for (const auto &match : placeholder.globalMatch(text)) {
        found << match.captured();
    }
    QString plain = text;
    plain.remove(QStringLiteral("&&"));
    found << QStringLiteral("& x%1").arg(plain.count(u'&'));
    found << QStringLiteral("... %1").arg(text.endsWith(QStringLiteral("...")));
    found.sort();
    return found;
}

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TRSettings::standard().resetForTesting();
        TRSettings::standard().registerDefaults(TRSettingsKeys::generalDefaults());
    }

    void cleanup()
    {
        TRLanguage::uninstall();
        TRDayFormatter::setNowForTesting({});
    }

    // The English catalogue holds exactly the texts the sources and forms
    // mark for translation, so a new text cannot miss its translations.
    void englishCatalogueMatchesTheSources()
    {
        QStringList files;
        for (const char *folder : {"app", "core", "ui", "browser"}) {
            QDirIterator it(QStringLiteral(TRELLIS_SOURCE_DIR "/") + QLatin1String(folder),
                            {"*.cpp", "*.h", "*.ui"}, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                files << it.next();
            }
        }
        QTemporaryDir dir;
        const QString fresh = dir.filePath("trellis_en.ts");
        QProcess lupdate;
        lupdate.start(QStringLiteral(TRELLIS_LUPDATE),
                      QStringList{"-silent", "-locations", "none"} + files +
                          QStringList{"-ts", fresh});
        QVERIFY(lupdate.waitForFinished(60000));
        QCOMPARE(lupdate.exitCode(), 0);

        const Catalogue expected = readCatalogue(fresh);
        const Catalogue english = readCatalogue(translationsDir() + "/trellis_en.ts");
        QVERIFY(expected.size() > 50);
        QCOMPARE(english.keys(), expected.keys());
    }

    void everyMessageIsTranslated()
    {
        const Catalogue english = readCatalogue(translationsDir() + "/trellis_en.ts");
        QVERIFY(!english.isEmpty());
        for (const QString language : {"de", "nl"}) {
            const Catalogue translated =
                readCatalogue(translationsDir() + "/trellis_" + language + ".ts");
            QCOMPARE(translated.keys(), english.keys());

            // The catalogue the application loads is built from this file.
            QTranslator compiled;
            QVERIFY(compiled.load(TRLanguage::catalogueDirectory + "/trellis_" + language + ".qm"));

            for (auto it = translated.cbegin(); it != translated.cend(); ++it) {
                const auto &[context, source] = it.key();
                const QString where = language + " " + context + ": " + source;
                QVERIFY2(it->finished && !it->translation.isEmpty(), qPrintable(where));
                QVERIFY2(markers(it->translation) == markers(source), qPrintable(where));
                QCOMPARE(compiled.translate(qPrintable(context), qPrintable(source)),
                         it->translation);
            }
        }
    }

    // A language with a catalogue keeps its country; any other gets en_US.
    void languageChoice()
    {
        const QStringList kept{"de_DE", "de_AT", "nl_BE", "en_GB"};
        for (const QString &system : kept + QStringList{"fr_FR", "C"}) {
            QCOMPARE(TRLanguage::choose(QLocale(system)),
                     kept.contains(system) ? system : QString("en_US"));
        }
    }

    // The test command also runs this alone with LANGUAGE and LANG set, and
    // names the locale that must come of them.
    void languageOfTheEnvironment()
    {
        const QString expected = qEnvironmentVariable("TRELLIS_EXPECTED_LOCALE", "en_US");
        QCOMPARE(TRLanguage::install(), expected);
        QCOMPARE(TRLanguage::localeName(), expected);
    }

    void germanInterface()
    {
        QCOMPARE(TRLanguage::install(QLocale("de_DE")), QString("de_DE"));

        TRPluginManager manager(std::vector<TRPluginManager::Factory>{});
        TRMenuController controller(&manager);
        QAction *general = findItem(controller.statusItemMenu(), "Allgemein");
        QVERIFY(general && general->menu());
        QCOMPARE(describe(general->menu()),
                 QStringList({"Über...", "-", "Plugins...", "Einstellungen...", "-", "Beenden"}));

        TRPreferencesWindowController window(&manager);
        window.showWindow();
        QCOMPARE(window.windowTitle(), QString("Einstellungen"));
        auto *launch = window.findChild<QCheckBox *>("launchOnLoginCheckbox");
        QVERIFY(launch);
        QCOMPARE(launch->text(), QString("Bei der Anmeldung starten"));
        // Qt's own catalogue came along.
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Abbrechen"));

        TRDayFormatter::setNowForTesting(
            [] { return QDateTime(QDate(2024, 11, 25), QTime(12, 0)); });
        const TRDayFormatter days;
        QCOMPARE(days.label(QDate(2024, 11, 24)), QString("Gestern"));
        QCOMPARE(days.label(QDate(2024, 11, 22)), QString("Freitag, 22. November 2024"));

        // Back to the source texts.
        TRLanguage::uninstall();
        QCOMPARE(TRMenuController::tr("Preferences..."), QString("Preferences..."));
    }

    // A language without a catalogue gets English throughout, day labels too.
    void otherLanguagesGetEnglish()
    {
        QCOMPARE(TRLanguage::install(QLocale("fr_FR")), QString("en_US"));
        TRPluginManager manager(std::vector<TRPluginManager::Factory>{});
        TRMenuController controller(&manager);
        QVERIFY(findItem(controller.statusItemMenu(), "General"));
        TRDayFormatter::setNowForTesting(
            [] { return QDateTime(QDate(2024, 11, 25), QTime(12, 0)); });
        QCOMPARE(TRDayFormatter().label(QDate(2024, 11, 22)), QString("Friday, November 22, 2024"));
    }
};

TRELLIS_TEST_MAIN(TestTranslations)
#include "TestTranslations.moc"

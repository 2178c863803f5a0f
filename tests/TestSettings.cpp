#include "TRCoreTestMain.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "TRTestSupport.h"

#include <QFile>
#include <QSettings>

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void init() { TRSettings::standard().resetForTesting(); }

    void conversionRules_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("asBool");
        QTest::addColumn<qint64>("asInteger");
        QTest::addColumn<QVariant>("asString");

        const auto row = [](const char *name, const QVariant &value, bool asBool, qint64 asInteger,
                            const QVariant &asString) {
            QTest::newRow(name) << value << asBool << asInteger << asString;
        };
        row("string 1", "1", true, 1, "1");
        row("string 0", "0", false, 0, "0");
        row("string com", "com", false, 0, "com");
        row("string 1000", "1000", true, 1000, "1000");
        row("string YES", "YES", true, 0, "YES");
        row("string true", "true", true, 0, "true");
        row("string false", "false", false, 0, "false");
        row("leading number", "  42abc", true, 42, "  42abc");
        row("negative", "-7", true, -7, "-7");
        row("overflow saturates", "99999999999999999999", true, std::numeric_limits<qint64>::max(),
            "99999999999999999999");
        row("empty string", "", false, 0, "");
        row("bool true", true, true, 1, "1");
        row("bool false", false, false, 0, "0");
        row("integer", 3, true, 3, "3");
        row("double truncates", 2.75, true, 2, "2.75");
        row("byte block", QByteArray("1"), false, 0, {});
        row("absent", {}, false, 0, {});
        row("list", QStringList{"1", "2"}, false, 0, {});
    }

    void conversionRules()
    {
        QFETCH(QVariant, value);
        QFETCH(bool, asBool);
        QFETCH(qint64, asInteger);
        QFETCH(QVariant, asString);

        QCOMPARE(TRSettings::toBool(value), asBool);
        QCOMPARE(TRSettings::toInteger(value), asInteger);
        const std::optional<QString> text = TRSettings::toString(value);
        QCOMPARE(text.has_value(), asString.isValid());
        if (text) {
            QCOMPARE(*text, asString.toString());
        }
    }

    // What a fresh user reads once every registrar has run, one after another.
    // What each default does is the test of its users: the welcome alert, the
    // refresh timers, the preferences' first pane.
    void freshUserReadsTheRegisteredDefaults()
    {
        TRSettings &settings = TRSettings::standard();
        settings.registerDefaults(TRSettingsKeys::generalDefaults());
        settings.registerDefaults(TRSettingsKeys::safariDefaults());
        settings.registerDefaults(TRSettingsKeys::googleChromeDefaults());
        settings.registerDefaults(TRSettingsKeys::bonjourDefaults());
        QVERIFY(settings.boolForKey(TRSettingsKeys::firstRun));
        QVERIFY(!settings.stringForKey(TRSettingsKeys::menuIconName).has_value());
        // A key that no registrar names is absent; how the typed getters read
        // an absent value is conversionRules' "absent" row.
        QVERIFY(!settings.objectForKey(TRSettingsKeys::bookmarksData).isValid());
        QVERIFY(!settings.dataForKey(TRSettingsKeys::bookmarksData).has_value());
        // Registered values stay in memory; the file holds only what was set.
        QVERIFY(settings.synchronize());
        QFile file(settings.fileName());
        QVERIFY(!file.open(QIODevice::ReadOnly) || !file.readAll().contains("_defaults_"));
    }

    // Every stored type reads back through a fresh store on the same file as
    // it was written; a stored value wins over the registered one, also after
    // a restart that registers the defaults again.
    void valuesRoundTripThroughTheFile()
    {
        QByteArray allBytes;
        for (int i = 0; i < 256; ++i) {
            allBytes.append(char(i));
        }
        const QString path = TRSettings::standard().fileName();
        {
            TRSettings writer(path);
            writer.setData(TRSettingsKeys::historyData, allBytes);
            writer.setData(TRSettingsKeys::topSitesData, QByteArray());
            writer.registerDefaults(TRSettingsKeys::safariDefaults());
            writer.setBool(TRSettingsKeys::safariEnabled, false);
            writer.setInteger(TRSettingsKeys::updateRateInterval, -1800);
            writer.setString(TRSettingsKeys::customGooglePrefix, "@at,sign; \"quoted\" = ü");
            writer.setString(TRSettingsKeys::lastSelectedPreferencesPane, "");
            QVERIFY(writer.synchronize());
        }
        TRSettings reader(path);
        reader.registerDefaults(TRSettingsKeys::safariDefaults());
        QCOMPARE(reader.dataForKey(TRSettingsKeys::historyData), allBytes);
        QCOMPARE(reader.dataForKey(TRSettingsKeys::topSitesData), QByteArray());
        QVERIFY(!reader.boolForKey(TRSettingsKeys::safariEnabled));
        QCOMPARE(reader.stringForKey(TRSettingsKeys::safariEnabled), QString("0"));
        QCOMPARE(reader.integerForKey(TRSettingsKeys::updateRateInterval), -1800);
        QCOMPARE(reader.stringForKey(TRSettingsKeys::customGooglePrefix),
                 QString("@at,sign; \"quoted\" = ü"));
        QCOMPARE(reader.stringForKey(TRSettingsKeys::lastSelectedPreferencesPane), QString(""));
        // A byte block is no string and a string no byte block.
        QVERIFY(!reader.stringForKey(TRSettingsKeys::historyData).has_value());
        QVERIFY(!reader.dataForKey(TRSettingsKeys::customGooglePrefix).has_value());
        // Removing the stored value uncovers the registered one.
        reader.removeObject(TRSettingsKeys::safariEnabled);
        QVERIFY(reader.boolForKey(TRSettingsKeys::safariEnabled));
    }

    // A file edited by hand or by an older version must not break the typed getters.
    void handEditedFileReadsSafely()
    {
        const QString path = TRSettings::standard().fileName();
        QVERIFY(TRTestSupport::writeFile(path, "[General]\n"
                                               "_defaults_firstRun=false\n"
                                               "_defaults_updateRateIndex=garbage\n"
                                               "_defaults_menuIconName=a, b\n"
                                               "tr_plugin_safari_enabled=YES\n"
                                               "bookmarks_data=@ByteArray(\\0\\x1\\xff)\n"));
        TRSettings reader(path);
        QVERIFY(!reader.boolForKey(TRSettingsKeys::firstRun));
        QCOMPARE(reader.integerForKey(TRSettingsKeys::updateRateIndex), 0);
        QVERIFY(!reader.stringForKey(TRSettingsKeys::menuIconName).has_value());
        QVERIFY(reader.boolForKey(TRSettingsKeys::safariEnabled));
        QCOMPARE(reader.dataForKey(TRSettingsKeys::bookmarksData), QByteArray("\0\x01\xff", 3));
    }

    void laterRegistrationReplacesEarlier()
    {
        TRSettings &settings = TRSettings::standard();
        settings.registerDefaults({{"k", "1"}, {"other", "x"}});
        settings.registerDefaults({{"k", "0"}});
        QVERIFY(!settings.boolForKey("k"));
        QCOMPARE(settings.stringForKey("other"), QString("x"));
    }
};

TRELLIS_CORE_TEST_MAIN(TestSettings)
#include "TestSettings.moc"

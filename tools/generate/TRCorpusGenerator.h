#pragma once

// Writes a corpus of realistic browser files, Chrome's, Safari's and
// Firefox's, at a scale: the same options give the same files, and manifest.json says what
// a reader of them should find.

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

class TRCorpusGenerator
{
public:
    struct Options
    {
        QString scale = QStringLiteral("small");
        quint64 seed = 1;
        QDateTime now = defaultNow();
        // Leave Safari's and Firefox's newest visits in History.db-wal and
        // places.sqlite-wal.
        bool leaveWal = false;
        // The browsers to write, "chrome", "safari" and "firefox"; all when
        // empty.
        QStringList only = {};
        // Instead of the scale's own.
        std::optional<int> days = std::nullopt;
        std::optional<int> visits = std::nullopt;
    };

    // A fixed instant, so that a corpus does not depend on the day it is made.
    static QDateTime defaultNow();
    static QStringList browsers()
    {
        return {QStringLiteral("chrome"), QStringLiteral("safari"), QStringLiteral("firefox")};
    }

    explicit TRCorpusGenerator(Options options);

    // Writes the corpus into folder, which is made when missing; the files
    // it writes are replaced, others left alone. False on failure, with
    // errorString() saying why.
    bool write(const QString &folder);
    QString errorString() const { return m_error; }
    // What the last write put into manifest.json.
    QJsonObject manifest() const { return m_manifest; }

private:
    bool fail(const QString &error);

    Options m_options;
    QString m_error;
    QJsonObject m_manifest;
};

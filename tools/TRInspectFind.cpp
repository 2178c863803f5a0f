#include "TRInspectFind.h"

#include "TRFileGrant.h"
#include "TRSearchReaders.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <optional>

int inspectFind(const QStringList &arguments)
{
    if (arguments.size() < 6 || (arguments.size() - 3) % 3 != 0) {
        return -1;
    }
    const QString query = arguments.at(2);
    TRSearchReaders readers;
    for (qsizetype at = 3; at + 2 < arguments.size(); at += 3) {
        if (arguments.at(at) != u"--source") {
            return -1;
        }
        const QString kind = arguments.at(at + 1);
        const QString file = arguments.at(at + 2);
        const std::optional<QByteArray> grant = TRFileGrant::make(file);
        if (!grant) {
            std::fprintf(stderr, "trellis-inspect: cannot open %s\n", qPrintable(file));
            return 1;
        }
        if (!readers.grant(kind, *grant)) {
            return -1;
        }
    }
    readers.readAll();
    const TRSearchCatalog catalog = readers.catalog();
    QJsonArray matches;
    for (const TRSearchCatalog::Match &match : catalog.find(query)) {
        matches.append(QJsonObject{{QStringLiteral("name"), match.name},
                                   {QStringLiteral("url"), QString::fromUtf8(match.encodedUrl)},
                                   {QStringLiteral("source"), match.source}});
    }
    const QByteArray text = QJsonDocument(matches).toJson(QJsonDocument::Indented);
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
    return 0;
}

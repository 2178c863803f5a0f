#include "TRInspectFind.h"

#include "TRFileGrant.h"
#include "TRFirefoxPlacesParser.h"
#include "TRGoogleChromeBookmarksParser.h"
#include "TRSafariBookmarksParser.h"
#include "TRSearchCatalog.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

// One reader per browser, as a profile has: the index then knows which
// bookmarks the same browser's history visited.
struct Readers
{
    std::unique_ptr<TRGoogleChromeBookmarksParser> chrome;
    std::unique_ptr<TRFirefoxPlacesParser> firefox;
    std::unique_ptr<TRSafariBookmarksParser> safari;
};

bool grantTo(Readers &readers, const QString &kind, const QByteArray &grant)
{
    if (kind.startsWith(u"chrome-")) {
        if (!readers.chrome) {
            readers.chrome = std::make_unique<TRGoogleChromeBookmarksParser>();
        }
        if (kind == u"chrome-bookmarks") {
            readers.chrome->dataForBookmarks = grant;
        } else if (kind == u"chrome-history") {
            readers.chrome->dataForHistory = grant;
        } else {
            return false;
        }
        return true;
    }
    if (kind == u"firefox-bookmarks" || kind == u"firefox-history") {
        if (!readers.firefox) {
            readers.firefox = std::make_unique<TRFirefoxPlacesParser>();
            readers.firefox->readsBookmarks = readers.firefox->readsHistory = false;
        }
        readers.firefox->dataForPlaces = grant;
        (kind == u"firefox-bookmarks" ? readers.firefox->readsBookmarks
                                      : readers.firefox->readsHistory) = true;
        return true;
    }
    if (kind.startsWith(u"safari-")) {
        if (!readers.safari) {
            readers.safari = std::make_unique<TRSafariBookmarksParser>();
        }
        TRSafariBookmarksParser &parser = *readers.safari;
        if (kind == u"safari-bookmarks") {
            parser.bookmarkDataForBookmarks = grant;
        } else if (kind == u"safari-history") {
            parser.bookmarkDataForHistory = grant;
        } else if (kind == u"safari-topsites") {
            parser.bookmarkDataForTopSites = grant;
        } else if (kind == u"safari-lastsession") {
            parser.bookmarkDataForLastSession = grant;
        } else {
            return false;
        }
        return true;
    }
    return false;
}

template <class Parser>
void read(Parser *parser)
{
    if (parser) {
        parser->updateBookmarks([] { QCoreApplication::quit(); });
        QCoreApplication::exec();
    }
}

} // namespace

int inspectFind(const QStringList &arguments)
{
    if (arguments.size() < 6 || (arguments.size() - 3) % 3 != 0) {
        return -1;
    }
    const QString query = arguments.at(2);
    Readers readers;
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
        if (!grantTo(readers, kind, *grant)) {
            return -1;
        }
    }
    read(readers.chrome.get());
    read(readers.firefox.get());
    read(readers.safari.get());

    std::vector<TRSearchCatalog::Source> sources;
    if (readers.chrome) {
        sources.push_back({QStringLiteral("Chrome"), readers.chrome->searchIndex()});
    }
    if (readers.firefox) {
        sources.push_back({QStringLiteral("Firefox"), readers.firefox->searchIndex()});
    }
    if (readers.safari) {
        sources.push_back({QStringLiteral("Safari"), readers.safari->searchIndex()});
    }
    const TRSearchCatalog catalog(std::move(sources));
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

#include "TRSearchReaders.h"

#include <QCoreApplication>

namespace {

template <class Parser>
void read(Parser *parser)
{
    if (parser) {
        parser->updateBookmarks([] { QCoreApplication::quit(); });
        QCoreApplication::exec();
    }
}

} // namespace

bool TRSearchReaders::grant(const QString &kind, const QByteArray &grant)
{
    if (kind == u"chrome-bookmarks" || kind == u"chrome-history") {
        if (!chrome) {
            chrome = std::make_unique<TRGoogleChromeBookmarksParser>();
        }
        (kind == u"chrome-bookmarks" ? chrome->dataForBookmarks : chrome->dataForHistory) = grant;
        return true;
    }
    if (kind == u"firefox-bookmarks" || kind == u"firefox-history") {
        if (!firefox) {
            firefox = std::make_unique<TRFirefoxPlacesParser>();
            firefox->readsBookmarks = firefox->readsHistory = false;
        }
        firefox->dataForPlaces = grant;
        (kind == u"firefox-bookmarks" ? firefox->readsBookmarks : firefox->readsHistory) = true;
        return true;
    }
    if (!kind.startsWith(u"safari-")) {
        return false;
    }
    if (!safari) {
        safari = std::make_unique<TRSafariBookmarksParser>();
    }
    if (kind == u"safari-bookmarks") {
        safari->bookmarkDataForBookmarks = grant;
    } else if (kind == u"safari-history") {
        safari->bookmarkDataForHistory = grant;
    } else if (kind == u"safari-topsites") {
        safari->bookmarkDataForTopSites = grant;
    } else if (kind == u"safari-lastsession") {
        safari->bookmarkDataForLastSession = grant;
    } else {
        return false;
    }
    return true;
}

void TRSearchReaders::readAll()
{
    read(chrome.get());
    read(firefox.get());
    read(safari.get());
}

TRSearchCatalog TRSearchReaders::catalog() const
{
    std::vector<TRSearchCatalog::Source> sources;
    if (chrome) {
        sources.push_back({QStringLiteral("Chrome"), chrome->searchIndex()});
    }
    if (firefox) {
        sources.push_back({QStringLiteral("Firefox"), firefox->searchIndex()});
    }
    if (safari) {
        sources.push_back({QStringLiteral("Safari"), safari->searchIndex()});
    }
    return TRSearchCatalog(std::move(sources));
}

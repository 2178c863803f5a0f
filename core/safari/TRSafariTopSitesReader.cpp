#include "TRSafariTopSitesReader.h"

#include "TRPropertyList.h"
#include "TRSafariUrl.h"

std::optional<std::vector<TRSafariBookmarkPtr>> TRSafariTopSitesReader::read(const QString &path)
{
    const auto root = TRPropertyList::dictionary(TRPropertyList::fromFile(path));
    if (!root) {
        return std::nullopt;
    }
    const auto sites = TRPropertyList::listOfDictionaries(root->value("TopSites"));
    if (!sites) {
        return std::nullopt;
    }
    std::vector<TRSafariBookmarkPtr> entries;
    for (const QVariantMap &site : *sites) {
        const auto text = TRPropertyList::string(site.value("TopSiteURLString"));
        if (!text || text->isEmpty()) {
            continue;
        }
        // A text that is no URL is skipped, as a last session's tab is.
        const QUrl url = TRSafariUrl::fromText(*text, false);
        if (url.isEmpty()) {
            continue;
        }
        const QString name = TRPropertyList::string(site.value("TopSiteTitle")).value_or(*text);
        entries.push_back(TRSafariBookmark::init(TRBookmarkKind::item, name, url));
    }
    return entries;
}

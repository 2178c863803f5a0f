#include "TRSafariLastSessionReader.h"

#include "TRPropertyList.h"
#include "TRSafariUrl.h"

namespace {

// A tab of a last session; none without a usable "TabURL".
TRSafariBookmarkPtr makeTabBookmark(const QVariantMap &tab, bool pinned)
{
    const auto text = TRPropertyList::string(tab.value("TabURL"));
    if (!text) {
        return nullptr;
    }
    const QUrl url = TRSafariUrl::strict(*text);
    if (url.isEmpty()) {
        return nullptr;
    }
    const QString name = TRPropertyList::string(tab.value("TabTitle")).value_or(QString());
    auto node = TRSafariBookmark::init(TRBookmarkKind::item, name, url);
    if (const auto uuid = TRPropertyList::string(tab.value("TabUUID"))) {
        node->setId(*uuid);
    }
    if (pinned) {
        node->setPinned(true);
    }
    return node;
}

} // namespace

std::optional<std::vector<TRSafariBookmarkPtr>> TRSafariLastSessionReader::read(const QString &path)
{
    const auto root = TRPropertyList::dictionary(TRPropertyList::fromFile(path));
    if (!root) {
        return std::nullopt;
    }
    std::vector<TRSafariBookmarkPtr> tabs;
    if (const auto pinned = TRPropertyList::listOfDictionaries(root->value("SessionPinnedTabs"))) {
        for (const QVariantMap &tab : *pinned) {
            if (auto node = makeTabBookmark(tab, true)) {
                tabs.push_back(std::move(node));
            }
        }
    }
    if (const auto windows = TRPropertyList::listOfDictionaries(root->value("SessionWindows"))) {
        for (const QVariantMap &window : *windows) {
            const auto states = TRPropertyList::listOfDictionaries(window.value("TabStates"));
            if (!states) {
                continue;
            }
            // Real files store a boolean; older ones a number.
            const std::optional<double> isPrivate =
                TRPropertyList::number(window.value("IsPrivateWindow"));
            for (const QVariantMap &tab : *states) {
                auto node = makeTabBookmark(tab, false);
                if (!node) {
                    continue;
                }
                if (isPrivate) {
                    node->setPrivate(*isPrivate != 0);
                }
                tabs.push_back(std::move(node));
            }
        }
    }
    return tabs;
}

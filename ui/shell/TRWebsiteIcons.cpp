#include "TRWebsiteIcons.h"

#include "TRDiagnostics.h"
#include "TRWebsiteIconImage.h"

#include <QApplication>
#include <QCoreApplication>
#include <QHash>
#include <QPixmap>
#include <QScreen>
#include <QStyle>

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace {

// One table's icons, shared by the roots it was attached to.
struct TableIcons
{
    std::shared_ptr<const TRFaviconTable> table;
    QString storeName;
    QHash<qint32, QIcon> decoded;
    bool reportedFailure = false;
};

struct Entry
{
    // The root itself, to tell it from a later node at the same address.
    std::weak_ptr<TRBookmark> root;
    std::shared_ptr<TableIcons> icons;
};

std::unordered_map<const TRBookmark *, Entry> &registry()
{
    static std::unordered_map<const TRBookmark *, Entry> entries;
    static const bool cleared = [] {
        // The icons are pixmaps, which go while the application still is.
        qAddPostRoutine([] { entries.clear(); });
        return true;
    }();
    Q_UNUSED(cleared);
    return entries;
}

// A tree that holds itself has no top; the deepest real tree is far
// shallower than this.
constexpr int deepestTree = 256;

} // namespace

int TRWebsiteIcons::pixels()
{
    const int size =
        QApplication::style() ? QApplication::style()->pixelMetric(QStyle::PM_SmallIconSize) : 16;
    qreal ratio = 1;
    for (const QScreen *screen : QGuiApplication::screens()) {
        ratio = std::max(ratio, screen->devicePixelRatio());
    }
    return static_cast<int>(std::ceil(size * ratio));
}

void TRWebsiteIcons::attach(const std::vector<TRBookmarkPtr> &roots,
                            std::shared_ptr<const TRFaviconTable> table, const QString &storeName)
{
    auto &entries = registry();
    std::erase_if(entries, [](const auto &entry) { return entry.second.root.expired(); });
    std::shared_ptr<TableIcons> icons;
    if (table) {
        // Another root of the same read shares the icons decoded for it.
        for (const auto &[root, entry] : entries) {
            if (entry.icons->table == table) {
                icons = entry.icons;
                break;
            }
        }
        if (!icons) {
            icons =
                std::make_shared<TableIcons>(TableIcons{std::move(table), storeName, {}, false});
        }
    }
    for (const TRBookmarkPtr &root : roots) {
        if (!root) {
            continue;
        }
        if (icons) {
            entries[root.get()] = Entry{root, icons};
        } else {
            entries.erase(root.get());
        }
    }
}

QIcon TRWebsiteIcons::iconFor(const TRBookmark &node)
{
    auto &entries = registry();
    if (entries.empty() || node.kind() != TRBookmarkKind::item || !node.hasUrl()) {
        return {};
    }
    const TRBookmark *top = &node;
    TRBookmarkPtr parent = node.parent();
    for (int depth = 0; parent && depth < deepestTree; ++depth) {
        top = parent.get();
        parent = top->parent();
    }
    const auto found = entries.find(top);
    if (found == entries.end() || found->second.root.expired()) {
        return {};
    }
    TableIcons &icons = *found->second.icons;
    const qint32 index = icons.table->iconIndexFor(node.encodedUrl());
    if (index < 0) {
        return {};
    }
    if (const auto decoded = icons.decoded.constFind(index); decoded != icons.decoded.cend()) {
        return *decoded;
    }
    const QImage image =
        TRWebsiteIconImage::decode(icons.table->icon(index).toByteArray(), pixels());
    QIcon icon;
    if (!image.isNull()) {
        icon = QIcon(QPixmap::fromImage(image));
    } else if (!icons.reportedFailure) {
        // Once per read of the store: its items show the generic icon.
        icons.reportedFailure = true;
        TRDiagnostics::writeLine(QStringLiteral("Could not decode an icon of '") + icons.storeName +
                                 QStringLiteral("'"));
    }
    // A failure is kept too, so that bad bytes are looked at only once.
    icons.decoded.insert(index, icon);
    return icon;
}

int TRWebsiteIcons::decodedCount()
{
    int count = 0;
    std::vector<const TableIcons *> seen;
    for (const auto &[root, entry] : registry()) {
        if (!entry.root.expired() &&
            std::find(seen.cbegin(), seen.cend(), entry.icons.get()) == seen.cend()) {
            seen.push_back(entry.icons.get());
            count += static_cast<int>(entry.icons->decoded.size());
        }
    }
    return count;
}

#include "TRCorpusBookmarks.h"

#include "TRCorpusText.h"
#include "TRCorpusWeights.h"

#include <algorithm>

TRCorpusBookmarks::NodePtr TRCorpusBookmarks::folder(const QString &title)
{
    auto node = std::make_unique<Node>();
    node->title = title;
    node->folder = true;
    return node;
}

TRCorpusBookmarks::NodePtr TRCorpusBookmarks::archiveFolder()
{
    return folder("Archive", folder("2019",
                                    folder("Old stuff", folder("Imported"),
                                           leaf("", "https://www.example.org/untitled-bookmark"),
                                           leaf("Title with <angle> brackets & \"quotes\"",
                                                "data:text/html,<h1>Hello, world</h1>")),
                                    leaf(TRCorpusText::longTitle(),
                                         "https://blog.db-internals.example.com/wal-checkpoints")));
}

TRCorpusBookmarks::NodePtr TRCorpusBookmarks::leaf(const QString &title, const QByteArray &url)
{
    auto node = std::make_unique<Node>();
    node->title = title;
    node->url = url;
    return node;
}

TRCorpusBookmarks::Counts TRCorpusBookmarks::count(const Node &root)
{
    Counts counts;
    counts.children = static_cast<int>(root.children.size());
    for (const NodePtr &child : root.children) {
        if (!child->folder) {
            ++counts.bookmarks;
            continue;
        }
        const Counts below = count(*child);
        ++counts.folders;
        counts.bookmarks += below.bookmarks;
        counts.folders += below.folders;
        counts.emptyFolders += below.emptyFolders + (child->children.empty() ? 1 : 0);
        counts.maxDepth = std::max(counts.maxDepth, below.maxDepth + 1);
    }
    return counts;
}

void TRCorpusBookmarks::grow(const std::vector<std::pair<Node *, double>> &roots, int bookmarks,
                             int folders, int maxDepth, const TRCorpusWeb &web,
                             TRCorpusWeb::Browser browser, TRCorpusRandom &random)
{
    // Every folder there is, with its depth; new ones join the list.
    struct Place
    {
        Node *folder;
        int depth;
    };
    std::vector<Place> places;
    int haveBookmarks = 0;
    int haveFolders = 0;
    const auto collect = [&](auto &&self, Node *node, int depth) -> void {
        places.push_back({node, depth});
        for (const NodePtr &child : node->children) {
            if (child->folder) {
                ++haveFolders;
                self(self, child.get(), depth + 1);
            } else {
                ++haveBookmarks;
            }
        }
    };
    TRCorpusWeights rootWeights;
    for (const auto &[root, weight] : roots) {
        collect(collect, root, 0);
        rootWeights.add(weight);
    }
    const auto rootPlace = [&]() -> Place {
        Node *root = roots[rootWeights.draw(random)].first;
        return {root, 0};
    };
    // Folders: a third straight below a root, the others below any folder
    // that leaves room for one more level.
    for (; haveFolders < folders; ++haveFolders) {
        Place parent = rootPlace();
        if (!random.chance(0.33)) {
            for (int tries = 0; tries < 8; ++tries) {
                const Place &candidate = places[random.below(places.size())];
                if (candidate.depth < maxDepth) {
                    parent = candidate;
                    break;
                }
            }
        }
        parent.folder->children.push_back(folder(web.folderName(random)));
        places.push_back({parent.folder->children.back().get(), parent.depth + 1});
    }
    // Leaves: in any folder; mostly a site's front page or a page of it.
    for (; haveBookmarks < bookmarks; ++haveBookmarks) {
        Node *parent =
            random.chance(0.1) ? rootPlace().folder : places[random.below(places.size())].folder;
        const int host = web.drawHost(random);
        TRCorpusWeb::Page page =
            random.chance(0.35) ? web.rootPage(host) : web.page(host, browser, random);
        QString title = page.titled ? page.title : QString::fromUtf8(page.url);
        // People shorten the names of what they keep.
        if (random.chance(0.1)) {
            title = web.siteName(host);
        }
        parent->children.push_back(leaf(title, page.url));
    }
}

void TRCorpusBookmarks::date(Node &root, qint64 now, TRCorpusRandom &random)
{
    constexpr qint64 year = 365LL * 86400 * 1000000;
    for (const NodePtr &child : root.children) {
        if (child->folder) {
            date(*child, now, random);
            qint64 oldest = now - static_cast<qint64>(random.below(static_cast<quint64>(year)));
            for (const NodePtr &grandChild : child->children) {
                oldest = std::min(oldest, grandChild->added);
            }
            child->added = oldest - static_cast<qint64>(random.below(86400ULL * 1000000));
        } else {
            child->added = now - static_cast<qint64>(random.below(static_cast<quint64>(5 * year)));
            if (random.chance(0.15)) {
                child->lastUsed =
                    child->added +
                    static_cast<qint64>(random.unit() * static_cast<double>(now - child->added));
            }
        }
    }
}

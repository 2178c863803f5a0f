#pragma once

// Bookmark trees before either browser's file format: folders and leaves,
// grown from a fixed set of odd cases to the scale's counts, and counted as
// a reader should find them.

#include "TRCorpusRandom.h"
#include "TRCorpusWeb.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

class TRCorpusBookmarks
{
public:
    struct Node
    {
        QString title;
        // Empty for a folder.
        QByteArray url;
        bool folder = false;
        std::vector<std::unique_ptr<Node>> children;
        // Microseconds since 1970 UTC; 0 for never used.
        qint64 added = 0;
        qint64 lastUsed = 0;
    };
    using NodePtr = std::unique_ptr<Node>;

    static NodePtr folder(const QString &title);
    template <typename... Children>
    static NodePtr folder(const QString &title, Children &&...children)
    {
        NodePtr node = folder(title);
        (node->children.push_back(std::forward<Children>(children)), ...);
        return node;
    }
    static NodePtr leaf(const QString &title, const QByteArray &url);
    // A folder four deep with an empty folder, an untitled bookmark, a data:
    // address and a long title, that every browser's bookmarks hold.
    static NodePtr archiveFolder();

    struct Counts
    {
        int children = 0;
        int bookmarks = 0;
        int folders = 0;
        int emptyFolders = 0;
        // Of the deepest folder below, the root's children being at 1.
        int maxDepth = 0;
    };
    static Counts count(const Node &root);

    // Adds leaves and folders below roots (drawn by their weights) until
    // they hold bookmarks leaves and folders folders in all, no folder
    // deeper than maxDepth. The leaves are pages of the web.
    static void grow(const std::vector<std::pair<Node *, double>> &roots, int bookmarks,
                     int folders, int maxDepth, const TRCorpusWeb &web,
                     TRCorpusWeb::Browser browser, TRCorpusRandom &random);

    // Dates added over the years before now (microseconds since 1970 UTC),
    // a few also used since; folders are as old as their oldest content.
    static void date(Node &root, qint64 now, TRCorpusRandom &random);
};

#include "TRBrowserFiles.h"

#include "TRPropertyListWriter.h"

void TRBrowserFiles::writeChromeHistory(const QString &path, const QList<ChromeRow> &rows)
{
    TRChromeHistoryWriter writer(path);
    for (const ChromeRow &row : rows) {
        writer.addUrl(row);
    }
    writer.finish();
}

qint64 TRBrowserFiles::chromeTime(const QDateTime &moment)
{
    return TRChromeHistoryWriter::time(moment);
}

QVariantMap TRBrowserFiles::safariFolder(const QString &title, const QVariantList &children,
                                         const QString &uuid)
{
    QVariantMap node{
        {"WebBookmarkType", "WebBookmarkTypeList"}, {"Title", title}, {"Children", children}};
    if (!uuid.isEmpty()) {
        node.insert("WebBookmarkUUID", uuid);
    }
    return node;
}

QVariantMap TRBrowserFiles::safariLeaf(const QString &title, const QString &url,
                                       const QString &uuid)
{
    return {{"WebBookmarkType", "WebBookmarkTypeLeaf"},
            {"URLString", url},
            {"URIDictionary", QVariantMap{{"title", title}}},
            {"WebBookmarkUUID", uuid.isEmpty() ? "LEAF-" + title : uuid}};
}

bool TRBrowserFiles::writeSafariBookmarks(const QString &path, const QVariantList &children,
                                          bool xml)
{
    const QVariantMap root{{"WebBookmarkType", "WebBookmarkTypeList"},
                           {"WebBookmarkFileVersion", qint64(1)},
                           {"Children", children}};
    using Format = TRPropertyListWriter::Format;
    return TRPropertyListWriter::writeFile(
        path, TRPropertyListWriter::bytes(root, xml ? Format::xml : Format::binary));
}

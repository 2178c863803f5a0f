#include "TRInspectJsonWriter.h"

#include "TRGoogleChromeBookmark.h"
#include "TRSafariBookmark.h"

#include <QByteArray>

namespace {

const char *tagName(TRGoogleChromeBookmark::Tag tag)
{
    switch (tag) {
    case TRGoogleChromeBookmark::Tag::bookmarks:
        return "bookmarks";
    case TRGoogleChromeBookmark::Tag::history:
        return "history";
    case TRGoogleChromeBookmark::Tag::separator:
        return "separator";
    case TRGoogleChromeBookmark::Tag::generic:
        break;
    }
    return "generic";
}

const char *tagName(TRSafariBookmark::Tag tag)
{
    switch (tag) {
    case TRSafariBookmark::Tag::history:
        return "history";
    case TRSafariBookmark::Tag::topSites:
        return "topSites";
    case TRSafariBookmark::Tag::lastSession:
        return "lastSession";
    case TRSafariBookmark::Tag::readingList:
        return "readingList";
    case TRSafariBookmark::Tag::bookmarksBar:
        return "bookmarksBar";
    case TRSafariBookmark::Tag::bookmarksMenu:
        return "bookmarksMenu";
    case TRSafariBookmark::Tag::mostVisited:
        return "mostVisited";
    case TRSafariBookmark::Tag::generic:
        break;
    }
    return "generic";
}

// Trees are bounded by their parsers; this keeps a tree that holds itself
// from printing forever.
constexpr int maximumDepth = 256;

} // namespace

TRInspectJsonWriter::TRInspectJsonWriter(std::FILE *out)
    : m_out(out)
{}

void TRInspectJsonWriter::write(const TRBookmarkPtr &node)
{
    writeNode(*node, 0);
    writeRaw("\n");
    std::fflush(m_out);
}

void TRInspectJsonWriter::write(const std::vector<TRBookmarkPtr> &nodes)
{
    writeRaw("[");
    bool first = true;
    for (const TRBookmarkPtr &node : nodes) {
        if (!first) {
            writeRaw(",");
        }
        first = false;
        writeNode(*node, 0);
    }
    writeRaw("]\n");
    std::fflush(m_out);
}

void TRInspectJsonWriter::writeRaw(const char *text)
{
    std::fputs(text, m_out);
}

void TRInspectJsonWriter::writeString(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    std::fputc('"', m_out);
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            std::fputc('\\', m_out);
            std::fputc(c, m_out);
        } else if (byte < 0x20) {
            std::fprintf(m_out, "\\u%04x", byte);
        } else {
            std::fputc(c, m_out);
        }
    }
    std::fputc('"', m_out);
}

void TRInspectJsonWriter::writeNode(const TRBookmark &node, int depth)
{
    const auto *chrome = dynamic_cast<const TRGoogleChromeBookmark *>(&node);
    writeRaw("{\"kind\":");
    // A separator is an item without address that menus draw as a line.
    writeRaw(chrome && chrome->tag == TRGoogleChromeBookmark::Tag::separator ? "\"separator\""
             : node.kind() == TRBookmarkKind::group                          ? "\"group\""
                                                                             : "\"item\"");
    writeRaw(",\"name\":");
    writeString(node.name());
    writeRaw(",\"url\":");
    if (node.hasUrl()) {
        writeString(QString::fromLatin1(node.encodedUrl()));
    } else {
        writeRaw("null");
    }
    writeRaw(",\"id\":");
    writeString(node.id());
    if (chrome) {
        writeRaw(",\"tag\":\"");
        writeRaw(tagName(chrome->tag));
        std::fprintf(m_out, "\",\"visitCount\":%lld,\"lastVisitedDate\":",
                     static_cast<long long>(chrome->visitCount));
        writeString(chrome->lastVisitedDate.toUTC().toString(Qt::ISODateWithMs));
    }
    if (const auto *safari = dynamic_cast<const TRSafariBookmark *>(&node)) {
        writeRaw(",\"tag\":\"");
        writeRaw(tagName(safari->tag));
        std::fprintf(m_out, "\",\"visitCount\":%lld,\"lastVisitedDate\":",
                     static_cast<long long>(safari->visitCount));
        writeString(safari->lastVisitedDate.toUTC().toString(Qt::ISODateWithMs));
        std::fprintf(m_out, ",\"isEnabled\":%s,\"isPrivate\":%s,\"isPinned\":%s",
                     node.isEnabled() ? "true" : "false", node.isPrivate() ? "true" : "false",
                     node.isPinned() ? "true" : "false");
    }
    if (node.kind() == TRBookmarkKind::group) {
        writeRaw(",\"children\":[");
        bool first = true;
        if (depth < maximumDepth) {
            for (const TRBookmarkPtr &child : node.bookmarks()) {
                if (!first) {
                    writeRaw(",");
                }
                first = false;
                writeNode(*child, depth + 1);
            }
        }
        writeRaw("]");
    }
    writeRaw("}");
}

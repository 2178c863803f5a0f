#include "TRChromeBookmarksWriter.h"

#include "TRChromeHistoryWriter.h"

#include <algorithm>
#include <functional>

namespace {

using Node = TRCorpusBookmarks::Node;

// Chrome gives its permanent folders fixed GUIDs.
constexpr const char *barGuid = "0bc5d13f-2cba-5d74-951f-3f233fe6c908";
constexpr const char *otherGuid = "82b081ec-3dd3-529c-8475-ab6c344590dd";
constexpr const char *syncedGuid = "4cf2e351-0e85-532b-bb37-df045d8f8d0f";

QByteArray indent(int depth)
{
    return QByteArray(3 * depth, ' ');
}

void collect(const Node &node, std::vector<const Node *> &nodes)
{
    for (const auto &child : node.children) {
        nodes.push_back(child.get());
        collect(*child, nodes);
    }
}

qint64 latest(const Node &node)
{
    qint64 result = 0;
    for (const auto &child : node.children) {
        result = std::max(result, child->added);
    }
    return result;
}

} // namespace

TRChromeBookmarksWriter::TRChromeBookmarksWriter(TRCorpusRandom &random)
    : m_random(random)
{}

QByteArray TRChromeBookmarksWriter::quoted(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size() + 2);
    escaped += u'"';
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
        case u'"':
            escaped += QStringLiteral("\\\"");
            break;
        case u'\\':
            escaped += QStringLiteral("\\\\");
            break;
        case u'\b':
            escaped += QStringLiteral("\\b");
            break;
        case u'\f':
            escaped += QStringLiteral("\\f");
            break;
        case u'\n':
            escaped += QStringLiteral("\\n");
            break;
        case u'\r':
            escaped += QStringLiteral("\\r");
            break;
        case u'\t':
            escaped += QStringLiteral("\\t");
            break;
        default:
            // '<' too, so that the text cannot close a script element; the
            // rest, letters outside ASCII included, as they are.
            if (u < 0x20 || u == u'<' || u == 0x2028 || u == 0x2029) {
                escaped += QStringLiteral("\\u") +
                           QString::number(u, 16).toUpper().rightJustified(4, u'0');
            } else {
                escaped += c;
            }
        }
    }
    escaped += u'"';
    return escaped.toUtf8();
}

QByteArray TRChromeBookmarksWriter::write(const Node &bar, const Node &other, const Node &synced)
{
    // Ids count up in order of creation, with the gaps that deleted items
    // leave; the roots are 1 to 3.
    std::vector<const Node *> nodes;
    for (const Node *root : {&bar, &other, &synced}) {
        collect(*root, nodes);
    }
    std::stable_sort(nodes.begin(), nodes.end(),
                     [](const Node *a, const Node *b) { return a->added < b->added; });
    m_ids.clear();
    m_ids.push_back({&bar, 1});
    m_ids.push_back({&other, 2});
    m_ids.push_back({&synced, 3});
    int id = 4;
    for (const Node *node : nodes) {
        m_ids.push_back({node, id});
        id += 1 + (m_random.chance(0.1) ? static_cast<int>(m_random.below(4)) : 0);
    }
    std::sort(m_ids.begin(), m_ids.end(), [](const auto &a, const auto &b) {
        return std::less<const Node *>()(a.first, b.first);
    });

    m_hash.reset();
    m_out = "{\n";
    // The checksum comes first in the file but covers the roots: they are
    // written apart and put in place after.
    QByteArray document = m_out;
    m_out.clear();
    m_out += indent(1) + "\"roots\": {\n";
    const std::pair<const char *, std::pair<const Node *, const char *>> roots[] = {
        {"bookmark_bar", {&bar, barGuid}},
        {"other", {&other, otherGuid}},
        {"synced", {&synced, syncedGuid}}};
    bool first = true;
    for (const auto &[name, root] : roots) {
        m_out += first ? "" : ",\n";
        first = false;
        key(2, name);
        writeNode(*root.first, 2, root.second);
    }
    m_out += '\n' + indent(1) + "},\n" + indent(1) + "\"version\": 1\n}\n";
    m_checksum = m_hash.result().toHex();
    document += indent(1) + "\"checksum\": \"" + m_checksum + "\",\n" + m_out;
    m_out.clear();
    return document;
}

void TRChromeBookmarksWriter::key(int depth, const char *name)
{
    m_out += indent(depth) + '"' + name + "\": ";
}

void TRChromeBookmarksWriter::timeValue(qint64 microseconds)
{
    m_out +=
        '"' +
        (microseconds > 0
             ? QByteArray::number(TRChromeHistoryWriter::timeFromUnixMicroseconds(microseconds))
             : QByteArrayLiteral("0")) +
        '"';
}

void TRChromeBookmarksWriter::writeNode(const Node &node, int depth, const QByteArray &guid)
{
    const auto found = std::lower_bound(
        m_ids.begin(), m_ids.end(), std::make_pair(&node, 0),
        [](const auto &a, const auto &b) { return std::less<const Node *>()(a.first, b.first); });
    const QByteArray id = QByteArray::number(found->second);
    // Chrome's checksum: the id, the name in UTF-16, the type and the URL of
    // every node in file order.
    m_hash.addData(id);
    m_hash.addData(
        QByteArrayView(reinterpret_cast<const char *>(node.title.utf16()), node.title.size() * 2));
    m_hash.addData(node.folder ? QByteArrayView("folder") : QByteArrayView("url"));
    if (!node.folder) {
        m_hash.addData(node.url);
    }

    const int inner = depth + 1;
    m_out += "{\n";
    if (node.folder) {
        key(inner, "children");
        if (node.children.empty()) {
            m_out += "[  ]";
        } else {
            m_out += "[ ";
            bool first = true;
            for (const auto &child : node.children) {
                m_out += first ? "" : ", ";
                first = false;
                writeNode(*child, inner, m_random.uuid().toLower().toLatin1());
            }
            m_out += " ]";
        }
        m_out += ",\n";
    }
    key(inner, "date_added");
    timeValue(node.added);
    m_out += ",\n";
    key(inner, "date_last_used");
    timeValue(node.lastUsed);
    m_out += ",\n";
    if (node.folder) {
        key(inner, "date_modified");
        timeValue(latest(node));
        m_out += ",\n";
    }
    key(inner, "guid");
    m_out += '"' + guid + "\",\n";
    key(inner, "id");
    m_out += '"' + id + "\",\n";
    if (!node.folder && node.lastUsed > 0) {
        key(inner, "meta_info");
        m_out += "{\n";
        key(inner + 1, "last_visited_desktop");
        timeValue(node.lastUsed);
        m_out += '\n' + indent(inner) + "},\n";
    }
    key(inner, "name");
    m_out += quoted(node.title) + ",\n";
    key(inner, "type");
    m_out += node.folder ? "\"folder\"" : "\"url\"";
    if (!node.folder) {
        m_out += ",\n";
        key(inner, "url");
        m_out += quoted(QString::fromUtf8(node.url));
    }
    m_out += '\n' + indent(depth) + '}';
}

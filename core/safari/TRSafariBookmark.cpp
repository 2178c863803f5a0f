#include "TRSafariBookmark.h"

#include "TRPropertyList.h"

namespace {

// Deeper trees than this are not walked; the parsers never build them.
constexpr int maximumDepth = 512;

} // namespace

TRSafariBookmark::TRSafariBookmark(TRBookmarkKind kind, const QString &name, const QUrl &url)
    : TRBookmark(kind, name, url)
    , lastVisitedDate(QDateTime::currentDateTimeUtc())
{}

TRSafariBookmark::TRSafariBookmark(TRBookmarkKind kind, const QString &name, const QUrl &url,
                                   const QDateTime &visitDate)
    : TRBookmark(kind, name, url)
    , lastVisitedDate(visitDate)
{}

std::optional<TRSafariBookmark::Tag> TRSafariBookmark::tagFromRawValue(qint64 rawValue)
{
    if (rawValue < 0 || rawValue > static_cast<qint64>(Tag::mostVisited)) {
        return std::nullopt;
    }
    return static_cast<Tag>(rawValue);
}

TRSafariBookmarkPtr TRSafariBookmark::init(TRBookmarkKind kind, const QString &name,
                                           const QUrl &url)
{
    return makeShared<TRSafariBookmark>(kind, name, url);
}

TRSafariBookmarkPtr TRSafariBookmark::init(TRBookmarkKind kind, const QString &name,
                                           const QUrl &url, const QDateTime &visitDate)
{
    return makeShared<TRSafariBookmark>(kind, name, url, visitDate);
}

void TRSafariBookmark::setEnabled(bool enabled)
{
    TRBookmark::setEnabled(enabled);
    if (m_isSettingEnabled) {
        return;
    }
    m_isSettingEnabled = true;
    for (const TRBookmarkPtr &child : bookmarks()) {
        if (child->kind() == TRBookmarkKind::group) {
            child->setEnabled(enabled);
        }
    }
    m_isSettingEnabled = false;
}

std::vector<TRSafariBookmarkPtr> TRSafariBookmark::childGroups(bool recursive) const
{
    std::vector<TRSafariBookmarkPtr> groups;
    collectChildGroups(recursive, 0, groups);
    return groups;
}

void TRSafariBookmark::collectChildGroups(bool recursive, int depth,
                                          std::vector<TRSafariBookmarkPtr> &groups) const
{
    for (const TRBookmarkPtr &child : bookmarks()) {
        if (child->kind() != TRBookmarkKind::group) {
            continue;
        }
        auto group = std::dynamic_pointer_cast<TRSafariBookmark>(child);
        if (!group) {
            continue;
        }
        groups.push_back(group);
        if (recursive && depth < maximumDepth) {
            group->collectChildGroups(true, depth + 1, groups);
        }
    }
}

QVariantMap TRSafariBookmark::encode() const
{
    QVariantMap coded;
    coded.insert(QStringLiteral("kind"), static_cast<qint64>(kind()));
    coded.insert(QStringLiteral("name"), name());
    if (hasUrl()) {
        coded.insert(QStringLiteral("url"), QString::fromLatin1(encodedUrl()));
    }
    coded.insert(QStringLiteral("lastVisitedDate"), lastVisitedDate);
    coded.insert(QStringLiteral("visitCount"), visitCount);
    coded.insert(QStringLiteral("tag"), static_cast<qint64>(tag));
    coded.insert(QStringLiteral("isEnabled"), static_cast<qint64>(isEnabled() ? 1 : 0));
    coded.insert(QStringLiteral("uuid"), id());
    if (!faviconData().isEmpty()) {
        coded.insert(QStringLiteral("iconData"), faviconData());
    }
    if (nextFaviconDataRefresh) {
        coded.insert(QStringLiteral("nextIconDataRefresh"), *nextFaviconDataRefresh);
    }
    return coded;
}

TRSafariBookmarkPtr TRSafariBookmark::decode(const QVariantMap &coded)
{
    const std::optional<qint64> rawKind = TRPropertyList::integer(coded.value("kind"));
    const std::optional<TRBookmarkKind> kind =
        rawKind && *rawKind >= 0 && *rawKind <= 1
            ? TRBookmarkKindFromRawValue(static_cast<int>(*rawKind))
            : std::nullopt;
    if (!kind) {
        return nullptr;
    }
    const QString name = TRPropertyList::string(coded.value("name")).value_or(QString());
    QUrl url;
    if (const auto text = TRPropertyList::string(coded.value("url"))) {
        url = QUrl::fromEncoded(text->toUtf8(), QUrl::StrictMode);
        if (!url.isValid()) {
            url = QUrl();
        }
    }
    auto node = init(*kind, name, url);
    const QVariant date = coded.value("lastVisitedDate");
    if (date.metaType().id() == QMetaType::QDateTime && date.toDateTime().isValid()) {
        node->lastVisitedDate = date.toDateTime();
    }
    if (const auto count = TRPropertyList::integer(coded.value("visitCount"))) {
        node->visitCount = *count;
    }
    if (const auto rawTag = TRPropertyList::integer(coded.value("tag"))) {
        node->tag = tagFromRawValue(*rawTag).value_or(Tag::generic);
    }
    if (const auto enabled = TRPropertyList::integer(coded.value("isEnabled"))) {
        node->TRBookmark::setEnabled(*enabled != 0);
    }
    if (const auto uuid = TRPropertyList::string(coded.value("uuid"))) {
        node->setId(*uuid);
    }
    const QVariant icon = coded.value("iconData");
    if (icon.metaType().id() == QMetaType::QByteArray) {
        node->setFaviconData(icon.toByteArray());
    }
    const QVariant refresh = coded.value("nextIconDataRefresh");
    if (refresh.metaType().id() == QMetaType::QDateTime && refresh.toDateTime().isValid()) {
        node->nextFaviconDataRefresh = refresh.toDateTime();
    }
    return node;
}

void TRSafariBookmark::visits(qint64 &count, qint64 &lastVisit) const
{
    count = visitCount;
    if ((tag == Tag::history || visitCount > 0) && lastVisitedDate.isValid()) {
        lastVisit = lastVisitedDate.toMSecsSinceEpoch();
    }
}

void TRSafariBookmark::packFields(TRPackWriter &writer) const
{
    writer.put(static_cast<qint32>(tag));
    writer.putDate(lastVisitedDate);
    writer.put(visitCount);
    writer.put(static_cast<quint8>(nextFaviconDataRefresh.has_value()));
    if (nextFaviconDataRefresh) {
        writer.putDate(*nextFaviconDataRefresh);
    }
}

void TRSafariBookmark::unpackFields(TRPackReader &reader)
{
    tag = static_cast<Tag>(reader.get<qint32>());
    lastVisitedDate = reader.getDate();
    visitCount = reader.get<qint64>();
    if (reader.get<quint8>() != 0) {
        nextFaviconDataRefresh = reader.getDate();
    }
}

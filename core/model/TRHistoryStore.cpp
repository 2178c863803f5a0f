#include "TRHistoryStore.h"

#include <QHashFunctions>
#include <QUrl>

#include <algorithm>
#include <cstring>

namespace {

// What the mapped file starts with; the arrays follow, each 8-byte aligned.
struct Header
{
    quint64 visitCount;
    quint64 addressCount;
    quint64 textSize;
};

} // namespace

TRHistoryStore::Builder::Builder(UntitledName untitledName, bool shareTitles)
    : m_untitledName(untitledName)
    , m_sharesTitles(shareTitles)
    , m_table(1024, 0)
{}

TRHistoryStore::Builder::~Builder() = default;

quint64 TRHistoryStore::Builder::appendText(QByteArrayView text)
{
    const quint64 offset = m_text.size();
    if (!text.isEmpty()) {
        std::memcpy(m_text.grow(static_cast<std::size_t>(text.size())), text.data(),
                    static_cast<std::size_t>(text.size()));
    }
    return offset;
}

std::size_t TRHistoryStore::Builder::hashOf(QByteArrayView url, qint32 visitCount) const
{
    return qHash(url, static_cast<std::size_t>(visitCount));
}

void TRHistoryStore::Builder::growTable()
{
    std::vector<quint32> table(m_table.size() * 2, 0);
    const std::size_t mask = table.size() - 1;
    for (quint32 slot : m_table) {
        if (slot == 0) {
            continue;
        }
        const Address &address = m_addresses[slot - 1];
        std::size_t at =
            hashOf(QByteArrayView(m_text.data() + address.urlOffset, address.urlLength),
                   address.visitCount) &
            mask;
        while (table[at] != 0) {
            at = (at + 1) & mask;
        }
        table[at] = slot;
    }
    m_table = std::move(table);
}

quint32 TRHistoryStore::Builder::address(QByteArrayView encodedUrl, qint32 visitCount, qint64 rowId)
{
    // Kept at most half full, so that a search ends at an empty slot soon.
    if (m_addresses.size() * 2 >= m_table.size()) {
        growTable();
    }
    const std::size_t mask = m_table.size() - 1;
    std::size_t at = hashOf(encodedUrl, visitCount) & mask;
    while (const quint32 slot = m_table[at]) {
        const Address &address = m_addresses[slot - 1];
        if (address.visitCount == visitCount &&
            QByteArrayView(m_text.data() + address.urlOffset, address.urlLength) == encodedUrl) {
            return slot - 1;
        }
        at = (at + 1) & mask;
    }
    const quint32 number = addAddress(encodedUrl, visitCount, rowId);
    m_table[at] = number + 1;
    return number;
}

quint32 TRHistoryStore::Builder::addAddress(QByteArrayView encodedUrl, qint32 visitCount,
                                            qint64 rowId)
{
    const quint64 offset = appendText(encodedUrl);
    m_addresses.push_back({offset, visitCount, static_cast<quint32>(encodedUrl.size()), rowId});
    if (m_sharesTitles) {
        m_lastTitles.push_back({0, 0});
    }
    return static_cast<quint32>(m_addresses.size() - 1);
}

void TRHistoryStore::Builder::addVisit(quint32 address, qint64 time, QByteArrayView title)
{
    if (!m_sharesTitles) {
        const quint64 offset = appendText(title);
        m_visits.push_back({time, offset, address, static_cast<quint32>(title.size())});
        return;
    }
    auto &[lastOffset, lastLength] = m_lastTitles[address];
    const bool repeated = lastLength == title.size() &&
                          QByteArrayView(m_text.data() + lastOffset, lastLength) == title;
    if (!repeated) {
        lastOffset = appendText(title);
        lastLength = static_cast<quint32>(title.size());
    }
    m_visits.push_back({time, lastOffset, address, lastLength});
}

std::shared_ptr<TRHistoryStore> TRHistoryStore::Builder::finish()
{
    // Readers mostly hand their rows over newest first already; a stable
    // sort would leave them as they are, so checking is enough then.
    const auto newerFirst = [](const Visit &a, const Visit &b) {
        return a.time > b.time;
    };
    if (!std::is_sorted(m_visits.begin(), m_visits.end(), newerFirst)) {
        std::stable_sort(m_visits.begin(), m_visits.end(), newerFirst);
    }
    std::shared_ptr<TRHistoryStore> store(new TRHistoryStore);
    store->m_untitledName = m_untitledName;
    store->m_visits = std::move(m_visits);
    store->m_addresses = std::move(m_addresses);
    store->m_text = std::move(m_text);
    m_lastTitles.clear();
    m_table = decltype(m_table)();
    store->pointIntoOwnedData();
    return store;
}

TRHistoryStore::~TRHistoryStore() = default;

void TRHistoryStore::pointIntoOwnedData()
{
    m_visitData = m_visits.data();
    m_addressData = m_addresses.data();
    m_textData = m_text.data();
    m_visitCount = m_visits.size();
    m_addressCount = m_addresses.size();
    m_textSize = m_text.size();
}

bool TRHistoryStore::moveToFile(const QString &folder)
{
    if (m_file) {
        return false;
    }
    const Header header{m_visitCount, m_addressCount, m_textSize};
    const std::size_t visitBytes = m_visitCount * sizeof(Visit);
    const std::size_t addressBytes = m_addressCount * sizeof(Address);
    const auto view = [](const void *data, std::size_t size) {
        return QByteArrayView(static_cast<const char *>(data), static_cast<qsizetype>(size));
    };
    m_file = TRMappedFile::write(folder,
                                 {view(&header, sizeof header), view(m_visitData, visitBytes),
                                  view(m_addressData, addressBytes), view(m_textData, m_textSize)});
    if (!m_file) {
        return false;
    }
    // Each piece starts at a multiple of 8, as the records need.
    const char *at = m_file->data() + TRMappedFile::aligned(sizeof header);
    m_visitData = reinterpret_cast<const Visit *>(at);
    at += TRMappedFile::aligned(visitBytes);
    m_addressData = reinterpret_cast<const Address *>(at);
    at += TRMappedFile::aligned(addressBytes);
    m_textData = at;
    m_visits.clear();
    m_addresses.clear();
    m_text.clear();
    return true;
}

std::shared_ptr<TRHistoryStore> TRHistoryStore::layered(std::shared_ptr<TRHistoryStore> newer,
                                                        std::shared_ptr<const TRHistoryStore> base,
                                                        std::vector<std::size_t> hidden,
                                                        QHash<quint32, qint32> counts)
{
    newer->m_baseSize = base ? base->size() : 0;
    newer->m_base = std::move(base);
    newer->m_hidden = std::move(hidden);
    newer->m_counts = std::move(counts);
    return newer;
}

bool TRHistoryStore::isHidden(std::size_t index) const
{
    return index >= m_visitCount &&
           std::binary_search(m_hidden.begin(), m_hidden.end(), index - m_visitCount);
}

std::size_t TRHistoryStore::hiddenBetween(std::size_t begin, std::size_t end) const
{
    if (m_hidden.empty() || end <= m_visitCount) {
        return 0;
    }
    const auto from = std::lower_bound(m_hidden.begin(), m_hidden.end(),
                                       begin > m_visitCount ? begin - m_visitCount : 0);
    const auto to = std::lower_bound(from, m_hidden.end(), end - m_visitCount);
    return static_cast<std::size_t>(to - from);
}

QByteArrayView TRHistoryStore::title(std::size_t index) const
{
    if (index >= m_visitCount) {
        return m_base->title(index - m_visitCount);
    }
    const Visit &visit = m_visitData[index];
    return {m_textData + visit.titleOffset, static_cast<qsizetype>(visit.titleLength)};
}

QByteArrayView TRHistoryStore::encodedUrl(std::size_t index) const
{
    if (index >= m_visitCount) {
        return m_base->encodedUrl(index - m_visitCount);
    }
    const Address &address = addressOf(index);
    return {m_textData + address.urlOffset, static_cast<qsizetype>(address.urlLength)};
}

QDateTime TRHistoryStore::date(std::size_t index) const
{
    const qint64 time = visit(index).time;
    return time == noTime ? QDateTime() : QDateTime::fromMSecsSinceEpoch(time, Qt::UTC);
}

QString TRHistoryStore::name(std::size_t index) const
{
    const QByteArrayView text = title(index);
    if (!text.isEmpty()) {
        return QString::fromUtf8(text);
    }
    const QByteArrayView url = encodedUrl(index);
    if (m_untitledName == UntitledName::encodedUrl) {
        return QString::fromLatin1(url);
    }
    return QUrl::fromEncoded(url.toByteArray()).toDisplayString();
}

void TRHistoryStore::walkVisit(std::size_t index, TRBookmarkWalker &walker) const
{
    // An untitled visit walks with no name: its address speaks for it.
    TRBookmarkWalkItem item{QUtf8StringView(title(index)), encodedUrl(index)};
    item.visitCount = visitCount(index);
    const qint64 time = visit(index).time;
    item.lastVisit = time == noTime ? TRBookmarkWalkItem::noVisit : time;
    walker.item(item);
}

void TRHistoryStore::releasePages() const
{
    if (m_file) {
        m_file->releasePages();
    }
    if (m_base) {
        m_base->releasePages();
    }
}

#include "TRSafariHistoryListReader.h"

#include "TROperationQueue.h"
#include "TRPropertyList.h"
#include "TRSafariTime.h"
#include "TRSafariUrl.h"

#include <QDateTime>

std::shared_ptr<TRHistoryStore> TRSafariHistoryListReader::read(const QString &path)
{
    const auto tree = TRPropertyList::treeFromFile(path);
    if (!tree || !tree->root().isDictionary()) {
        return nullptr;
    }
    const auto dates = tree->root().value("WebHistoryDates").listOfDictionaries();
    if (!dates) {
        return nullptr;
    }
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    // One entry per address.
    TRHistoryStore::Builder builder(TRHistoryStore::UntitledName::encodedUrl, false);
    std::size_t entries = 0;
    for (const TRPropertyList::Node &entry : *dates) {
        // The application may ask a long read to stop; looked at now and then.
        if ((++entries & 0xFFF) == 0 && TROperationQueue::isCurrentOperationCancelled()) {
            return nullptr;
        }
        const auto text = entry.value("").string();
        if (!text || text->isEmpty()) {
            continue;
        }
        const QByteArray url = TRSafariUrl::fromText(*text, true).toEncoded();
        if (url.isEmpty()) {
            continue;
        }
        const quint32 address = builder.addAddress(
            url, static_cast<qint32>(entry.value("visitCount").integer().value_or(0)));
        std::optional<QDateTime> date;
        if (const auto time = entry.value("lastVisitedDate").utf8()) {
            date = TRSafariTime::dateFromText(*time);
        }
        builder.addVisit(address, date ? date->toMSecsSinceEpoch() : now,
                         entry.value("title").string().value_or(QString()).toUtf8());
    }
    return builder.finish();
}

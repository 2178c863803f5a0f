#include "TRCorpusManifest.h"

#include <QDateTime>
#include <QUrl>

#include <algorithm>

QString TRCorpusManifest::host(const QByteArray &url)
{
    return QUrl(QString::fromUtf8(url), QUrl::TolerantMode).host();
}

void TRCorpusManifest::tally(const QString &title, bool titled, const QByteArray &url, Tally &tally)
{
    if (const QString name = host(url); !name.isEmpty()) {
        tally.hosts.insert(name);
    }
    if (!titled) {
        ++tally.missingTitles;
    } else if (title.isEmpty()) {
        ++tally.emptyTitles;
    }
    tally.longTitles += title.size() > 60;
    tally.nonAsciiTitles +=
        std::any_of(title.cbegin(), title.cend(), [](QChar c) { return c.unicode() > 0x7F; });
    tally.fileUrls += url.startsWith("file:");
    tally.feedUrls += url.startsWith("feed:");
    tally.nonWebUrls += !url.startsWith("http://") && !url.startsWith("https://");
}

void TRCorpusManifest::tally(const TRCorpusWeb::Page &page, Tally &tally)
{
    TRCorpusManifest::tally(page.title, page.titled, page.url, tally);
}

void TRCorpusManifest::tally(const TRCorpusBookmarks::Node &root, Tally &tally)
{
    for (const auto &child : root.children) {
        if (child->folder) {
            TRCorpusManifest::tally(*child, tally);
        } else {
            TRCorpusManifest::tally(child->title, true, child->url, tally);
        }
    }
}

QString TRCorpusManifest::isoTime(qint64 microseconds)
{
    const qint64 milliseconds = microseconds / 1000;
    const QDateTime moment = QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::UTC);
    return moment.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.")) +
           QString::number(microseconds % 1000000).rightJustified(6, u'0') + u'Z';
}

void TRCorpusManifest::addVisitSpan(const std::vector<TRCorpusHistory::Visit> &visits,
                                    QJsonObject &manifest)
{
    constexpr qint64 day = 86400LL * 1000000;
    int days = 0;
    qint64 lastDay = -1;
    // Visits are in time order: a new date starts a new day.
    for (const TRCorpusHistory::Visit &visit : visits) {
        const qint64 date = visit.time / day;
        days += date != lastDay;
        lastDay = date;
    }
    manifest.insert("days_spanned", days);
    if (!visits.empty()) {
        manifest.insert("first_visit", isoTime(visits.front().time));
        manifest.insert("last_visit", isoTime(visits.back().time));
    }
}

#pragma once

// The web that the corpus's user browses: well-known sites in several
// languages and a long tail of made-up hosts, ranked by popularity, each
// making pages (address and title) of its own kind.

#include "TRCorpusRandom.h"
#include "TRCorpusWeights.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

class TRCorpusWeb
{
public:
    // Browsers write some addresses differently (a search's query string).
    enum class Browser { chrome, safari, firefox };

    struct Page
    {
        // UTF-8, as the browser stores it.
        QByteArray url;
        QString title;
        // false: the title is missing (NULL), not merely empty.
        bool titled = true;
        int host = -1;
    };

    // The first hosts are the well-known sites, most popular first.
    TRCorpusWeb(int hosts, TRCorpusRandom &random);

    int hostCount() const { return static_cast<int>(m_hosts.size()); }
    int drawHost(TRCorpusRandom &random) const;
    // How often the host is visited, relative to the others.
    double popularity(int host) const;
    QString siteName(int host) const;
    Page rootPage(int host) const;
    // A page below the front page.
    Page page(int host, Browser browser, TRCorpusRandom &random) const;
    // A search on the usual engine.
    Page search(const QString &query, Browser browser) const;

    // A name for a bookmark folder.
    QString folderName(TRCorpusRandom &random) const;
    // A sentence of news in a random language.
    QString headline(TRCorpusRandom &random) const;

    // Query text as a form encodes it: spaces as '+', the rest percent-encoded.
    static QByteArray formEncoded(const QString &text);
    // Address texts of every shape a history may hold, made from seed: http
    // or https, host labels that are mostly well-formed, then letters,
    // digits, the marks of a path, query and fragment, and escapes in
    // either case.
    static QList<QByteArray> oddAddresses(int count, quint32 seed);

private:
    enum class Kind {
        search,
        video,
        mail,
        code,
        wiki,
        questions,
        forum,
        shop,
        docs,
        itemList,
        posts,
        news,
        reference,
        weather,
        tracker,
        chat,
        article,
    };
    enum class Language {
        english,
        german,
        french,
        spanish,
        japanese,
        chinese,
        russian,
        arabic,
        hebrew
    };
    struct Host
    {
        QByteArray name;
        QString siteName;
        QString rootTitle;
        Kind kind;
        Language language;
    };

    QString phrase(Language language, int words, TRCorpusRandom &random) const;
    QString sentence(Language language, TRCorpusRandom &random) const;
    static QByteArray slug(const QString &text);
    static QByteArray pathEncoded(const QString &text);

    std::vector<Host> m_hosts;
    TRCorpusWeights m_popularity;
};

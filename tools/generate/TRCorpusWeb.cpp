#include "TRCorpusWeb.h"

#include <QRandomGenerator>
#include <QSet>
#include <QStringList>

#include <array>
#include <span>

namespace {

using Words = std::span<const char *const>;

constexpr const char *englishWords[] = {
    "garden",    "river",    "budget",  "election",  "recipe",   "museum",  "castle",  "vineyard",
    "telescope", "climate",  "market",  "harbour",   "library",  "bridge",  "volcano", "festival",
    "island",    "database", "server",  "orchestra", "painting", "village", "winter",  "mountain",
    "coffee",    "bicycle",  "history", "startup",   "housing",  "energy",  "ocean",   "forest",
    "engine",    "network",  "camera",  "kitchen",   "travel",   "planet",  "science", "music",
    "new",       "small",    "ancient", "modern",    "hidden",   "golden",  "quiet",   "digital",
    "remote",    "perfect",  "simple",  "famous",    "local",    "early",   "final",   "open"};
constexpr const char *germanWords[] = {
    "Garten",   "Fluss",   "Haushalt", "Wahl",  "Rezept", "Museum",  "Burg",    "Brücke",
    "Wetter",   "Bahn",    "Straße",   "Küche", "Schule", "Energie", "Wohnung", "Fußball",
    "Gemeinde", "Zukunft", "neue",     "große", "für",    "über",    "Äpfel",   "Öffnungszeiten"};
constexpr const char *frenchWords[] = {
    "jardin", "rivière",  "budget",  "élection", "recette", "musée", "château", "pont",
    "météo",  "marché",   "école",   "énergie",  "été",     "forêt", "voyage",  "café",
    "santé",  "économie", "nouveau", "grand",    "à",       "pour",  "réforme", "grève"};
constexpr const char *spanishWords[] = {
    "jardín",  "río",    "elecciones", "receta", "museo", "castillo", "puente", "tiempo",
    "mercado", "fútbol", "economía",   "verano", "nuevo", "año",      "niños",  "España"};
constexpr const char *japaneseWords[] = {
    "東京", "桜",   "天気", "地震", "新幹線", "大阪",   "京都", "選挙", "経済", "料理",
    "野球", "映画", "台風", "鉄道", "温泉",   "図書館", "満開", "発表", "新型", "値上げ"};
constexpr const char *chineseWords[] = {"北京",   "上海", "经济", "天气", "科技", "历史",
                                        "电影",   "旅游", "美食", "教育", "手机", "编程",
                                        "为什么", "如何", "评价", "学习"};
constexpr const char *russianWords[] = {
    "Москва",  "погода", "выборы", "история", "экономика", "река",     "музей", "город",
    "новости", "наука",  "зима",   "футбол",  "рецепт",    "культура", "новый", "большой"};
constexpr const char *arabicWords[] = {"الاقتصاد", "الطقس",   "الأخبار",     "الرياضة",
                                       "التعليم",  "السياحة", "الصحة",       "الثقافة",
                                       "العالم",   "القاهرة", "التكنولوجيا", "دبي"};
constexpr const char *hebrewWords[] = {"חדשות",   "כלכלה",  "מזג אוויר", "ספורט",     "תל אביב",
                                       "ירושלים", "בריאות", "תרבות",     "טכנולוגיה", "בחירות"};

constexpr const char *folderNames[] = {
    "Recipes",  "Travel",      "Work",          "Reading",  "Finance", "Kids",     "Photography",
    "Cars",     "Music",       "Research",      "Tax 2023", "Design",  "Rust",     "Qt",
    "Shopping", "Health",      "Home & Garden", "News",     "Tools",   "Learning", "Old stuff",
    "Rezepte",  "Urlaub 2022", "Voyage à Lyon", "仕事",     "旅行",    "Проекты",  "Книги",
    "Climbing", "Podcasts",    "Imported",      "Mobile",   "Jobs",    "Wedding",  "Ideas"};

constexpr const char *emojis[] = {"🔥",  "🚀", "😂",      "👩‍💻",
                                  "🇯🇵", "🎉", "❤️", "👨‍👩‍👧"};
constexpr const char *owners[] = {"torvalds",  "qt",  "sqlite", "apple",  "mozilla",
                                  "rust-lang", "KDE", "llvm",   "nodejs", "python"};
constexpr const char *subreddits[] = {"programming", "cooking", "travel", "AskHistorians",
                                      "linux",       "de",      "japan",  "photography"};
constexpr const char *mdnObjects[] = {"Array", "String", "Promise", "Map", "Object", "Date"};
constexpr const char *mdnMethods[] = {"flatMap", "includes",       "at",       "then",
                                      "entries", "toLocaleString", "findLast", "replaceAll"};
constexpr const char *channels[] = {"general", "random", "dev", "design", "incidents"};
constexpr const char *japaneseCities[] = {"東京", "大阪", "札幌", "那覇", "京都"};
constexpr const char *syllables[] = {"ka",  "lo",  "mi",  "ra",  "ven", "tor", "sel",
                                     "da",  "no",  "ri",  "pa",  "lu",  "zen", "mar",
                                     "fel", "quo", "bri", "sta", "cor", "gan"};
constexpr const char *topLevels[] = {"com",   "net", "org", "io",  "de",   "fr",
                                     "co.uk", "nl",  "jp",  "dev", "blog", "es"};
constexpr const char *base64Url =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
constexpr const char *digits = "0123456789";

QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

QString capitalized(QString words)
{
    if (!words.isEmpty()) {
        words[0] = words[0].toUpper();
    }
    return words;
}

} // namespace

TRCorpusWeb::TRCorpusWeb(int hosts, TRCorpusRandom &random)
{
    using K = Kind;
    using L = Language;
    m_hosts = {
        {"www.google.com", "Google", "Google", K::search, L::english},
        {"www.youtube.com", "YouTube", "YouTube", K::video, L::english},
        {"mail.google.com", "Gmail", "Gmail", K::mail, L::english},
        {"github.com", "GitHub", "GitHub", K::code, L::english},
        {"en.wikipedia.org", "Wikipedia", "Wikipedia, the free encyclopedia", K::wiki, L::english},
        {"stackoverflow.com", "Stack Overflow",
         "Stack Overflow - Where Developers Learn, Share, & Build Careers", K::questions,
         L::english},
        {"www.reddit.com", "Reddit", "Reddit - Dive into anything", K::forum, L::english},
        {"www.amazon.com", "Amazon.com", "Amazon.com. Spend less. Smile more.", K::shop,
         L::english},
        {"docs.google.com", "Google Docs", "Google Docs", K::docs, L::english},
        {"news.ycombinator.com", "Hacker News", "Hacker News", K::itemList, L::english},
        {"x.com", "X", "X. It’s what’s happening / X", K::posts, L::english},
        {"www.bbc.co.uk", "BBC News", "BBC - Home", K::news, L::english},
        {"de.wikipedia.org", "Wikipedia", "Wikipedia – Die freie Enzyklopädie", K::wiki, L::german},
        {"ja.wikipedia.org", "Wikipedia", "Wikipedia", K::wiki, L::japanese},
        {"news.yahoo.co.jp", "Yahoo!ニュース", "Yahoo!ニュース", K::news, L::japanese},
        {"www.spiegel.de", "DER SPIEGEL", "DER SPIEGEL | Online-Nachrichten", K::news, L::german},
        {"ru.wikipedia.org", "Википедия", "Википедия — свободная энциклопедия", K::wiki,
         L::russian},
        {"www.lemonde.fr", "Le Monde",
         "Le Monde.fr - Actualités et Infos en France et dans le monde", K::news, L::french},
        {"www.aljazeera.net", "الجزيرة نت", "الجزيرة نت: آخر أخبار اليوم حول العالم", K::news,
         L::arabic},
        {"www.haaretz.co.il", "הארץ", "הארץ - חדשות, ידיעות מהארץ והעולם", K::news, L::hebrew},
        {"www.zhihu.com", "知乎", "知乎 - 有问题，就会有答案", K::questions, L::chinese},
        {"elpais.com", "EL PAÍS", "EL PAÍS: el periódico global", K::news, L::spanish},
        {"developer.mozilla.org", "MDN", "MDN Web Docs", K::reference, L::english},
        {"www.nytimes.com", "The New York Times",
         "The New York Times - Breaking News, US News, World News and Videos", K::news, L::english},
        {"www.theverge.com", "The Verge", "The Verge", K::news, L::english},
        {"tenki.jp", "日本気象協会 tenki.jp", "天気予報 - 日本気象協会 tenki.jp", K::weather,
         L::japanese},
        {"acme-corp.atlassian.net", "Jira", "System dashboard - Jira", K::tracker, L::english},
        {"app.slack.com", "Slack", "Slack", K::chat, L::english},
        {"www.apple.com", "Apple", "Apple", K::article, L::english},
        {"www.booking.com", "Booking.com",
         "Booking.com | Official site | The best hotels, flights, car rentals & accommodations",
         K::shop, L::english},
    };
    if (hosts < static_cast<int>(m_hosts.size())) {
        m_hosts.erase(m_hosts.begin() + std::max(hosts, 1), m_hosts.end());
    }
    // The long tail: made-up names, mostly English sites, some in the
    // language of their country's domain.
    QSet<QByteArray> taken;
    for (const Host &host : m_hosts) {
        taken.insert(host.name);
    }
    while (static_cast<int>(m_hosts.size()) < hosts) {
        QByteArray base;
        for (int i = random.between(2, 3); i > 0; --i) {
            base += random.pick(syllables);
        }
        const QByteArray topLevel = random.pick(topLevels);
        const double prefix = random.unit();
        const QByteArray name = (prefix < 0.45   ? "www."
                                 : prefix < 0.55 ? "blog."
                                 : prefix < 0.6  ? "shop."
                                                 : "") +
                                base + '.' + topLevel;
        if (taken.contains(name)) {
            continue;
        }
        taken.insert(name);
        const Language language = topLevel == "de"   ? L::german
                                  : topLevel == "fr" ? L::french
                                  : topLevel == "es" ? L::spanish
                                  : topLevel == "jp" ? L::japanese
                                                     : L::english;
        const QString site = capitalized(QString::fromLatin1(base));
        m_hosts.push_back({name, site, site + " – " + capitalized(phrase(language, 3, random)),
                           K::article, language});
    }
    for (std::size_t rank = 0; rank < m_hosts.size(); ++rank) {
        m_popularity.add(TRCorpusWeights::zipf(rank, 1.1));
    }
}

int TRCorpusWeb::drawHost(TRCorpusRandom &random) const
{
    return static_cast<int>(m_popularity.draw(random));
}

double TRCorpusWeb::popularity(int host) const
{
    return TRCorpusWeights::zipf(static_cast<std::size_t>(host), 1.1);
}

QString TRCorpusWeb::siteName(int host) const
{
    return m_hosts[static_cast<std::size_t>(host)].siteName;
}

TRCorpusWeb::Page TRCorpusWeb::rootPage(int host) const
{
    const Host &site = m_hosts[static_cast<std::size_t>(host)];
    return {"https://" + site.name + '/', site.rootTitle, true, host};
}

TRCorpusWeb::Page TRCorpusWeb::search(const QString &query, Browser browser) const
{
    const QByteArray encoded = formEncoded(query);
    QByteArray url;
    if (browser == Browser::chrome) {
        url = "https://www.google.com/search?q=" + encoded +
              "&oq=" + formEncoded(query.left(std::max<qsizetype>(3, query.size() / 2))) +
              "&sourceid=chrome&ie=UTF-8";
    } else if (browser == Browser::firefox) {
        url = "https://www.google.com/search?client=firefox-b-d&q=" + encoded;
    } else {
        url = "https://www.google.com/search?client=safari&rls=en&q=" + encoded +
              "&ie=UTF-8&oe=UTF-8";
    }
    return {url, query + " - Google Search", true, 0};
}

TRCorpusWeb::Page TRCorpusWeb::page(int host, Browser browser, TRCorpusRandom &random) const
{
    const Host &site = m_hosts[static_cast<std::size_t>(host)];
    const QByteArray origin = "https://" + site.name;
    const auto number = [&random](int count) {
        return random.token(count, digits);
    };
    switch (site.kind) {
    case Kind::search: {
        // Searches are mostly in English, now and then in another language.
        const Language language =
            random.chance(0.8) ? Language::english : static_cast<Language>(random.below(9));
        Page result = search(phrase(language, random.between(1, 4), random), browser);
        result.host = host;
        return result;
    }
    case Kind::video: {
        QByteArray url = origin + "/watch?v=" + random.token(11, base64Url);
        if (random.chance(0.2)) {
            url += "&t=" + QByteArray::number(random.between(5, 3000)) + 's';
        }
        QString title = capitalized(phrase(Language::english, random.between(3, 7), random));
        if (random.chance(0.25)) {
            title += ' ' + text(random.pick(emojis));
        }
        return {url, title + " - YouTube", true, host};
    }
    case Kind::mail: {
        if (random.chance(0.3)) {
            const QString words = phrase(Language::english, 2, random);
            return {origin + "/mail/u/0/#search/" + formEncoded(words),
                    "Search results - alex.morgan.1987@gmail.com - Gmail", true, host};
        }
        return {origin + "/mail/u/0/#inbox/" + random.token(32, "0123456789abcdef"),
                capitalized(sentence(Language::english, random)) +
                    " - alex.morgan.1987@gmail.com - Gmail",
                true, host};
    }
    case Kind::code: {
        const QByteArray owner = random.pick(owners);
        const QByteArray repository = slug(phrase(Language::english, random.between(1, 2), random));
        const QByteArray project = owner + '/' + repository;
        if (random.chance(0.5)) {
            const QByteArray issue = QByteArray::number(random.between(1, 40000));
            return {origin + '/' + project + "/issues/" + issue,
                    capitalized(sentence(Language::english, random)) + " · Issue #" +
                        QString::fromLatin1(issue) + " · " + QString::fromLatin1(project),
                    true, host};
        }
        return {origin + '/' + project,
                QString::fromLatin1(project) + ": " +
                    capitalized(sentence(Language::english, random)),
                true, host};
    }
    case Kind::wiki: {
        const QString article = capitalized(phrase(site.language, random.between(1, 3), random));
        QString suffix = QStringLiteral(" - Wikipedia");
        if (site.language == Language::german) {
            suffix = QStringLiteral(" – Wikipedia");
        } else if (site.language == Language::russian) {
            suffix = QStringLiteral(" — Википедия");
        }
        return {origin + "/wiki/" + pathEncoded(QString(article).replace(' ', '_')),
                article + suffix, true, host};
    }
    case Kind::questions: {
        if (site.language == Language::chinese) {
            return {origin + "/question/" + number(9),
                    phrase(Language::chinese, random.between(2, 4), random) + "？ - 知乎", true,
                    host};
        }
        const QString question = capitalized(sentence(Language::english, random));
        return {origin + "/questions/" + number(8) + '/' + slug(question),
                question + "? - Stack Overflow", true, host};
    }
    case Kind::forum: {
        const QByteArray subreddit = random.pick(subreddits);
        const QString post = capitalized(sentence(Language::english, random));
        return {origin + "/r/" + subreddit + "/comments/" +
                    random.token(6, "0123456789abcdefghijklmnopqrstuvwxyz") + '/' + slug(post) +
                    '/',
                post + " : r/" + QString::fromLatin1(subreddit), true, host};
    }
    case Kind::shop: {
        const QString product =
            capitalized(phrase(Language::english, random.between(2, 5), random));
        if (site.name == "www.booking.com") {
            return {origin + "/hotel/" + random.pick(std::array{"fr", "jp", "de", "es"}) + '/' +
                        slug(product) + ".html",
                    product + " – Updated 2024 Prices", true, host};
        }
        return {origin + '/' + QString(product).replace(' ', '-').toUtf8() + "/dp/B0" +
                    random.token(8, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"),
                "Amazon.com: " + product, true, host};
    }
    case Kind::docs: {
        const bool sheet = random.chance(0.3);
        return {origin + (sheet ? "/spreadsheets/d/" : "/document/d/") +
                    random.token(44, base64Url) + "/edit",
                capitalized(phrase(Language::english, random.between(1, 4), random)) +
                    (sheet ? " - Google Sheets" : " - Google Docs"),
                true, host};
    }
    case Kind::itemList:
        return {origin + "/item?id=" + number(8),
                capitalized(sentence(Language::english, random)) + " | Hacker News", true, host};
    case Kind::posts: {
        const QString post = capitalized(sentence(Language::english, random));
        const QByteArray handle = slug(phrase(Language::english, 1, random)) + number(2);
        return {origin + '/' + handle + "/status/17" + number(17),
                QString::fromLatin1(handle) + " on X: \"" + post + "\" / X", true, host};
    }
    case Kind::news: {
        const QString headline = sentence(site.language, random);
        if (site.language == Language::japanese) {
            return {origin + "/articles/" + random.token(40, "0123456789abcdef"),
                    headline + "（共同通信） - " + site.siteName, true, host};
        }
        const QByteArray words = slug(headline);
        return {origin + "/news/" + (words.size() > 8 ? words + '-' : QByteArray()) + number(8),
                capitalized(headline) + " - " + site.siteName, true, host};
    }
    case Kind::reference: {
        const QString object = text(random.pick(mdnObjects));
        const QString method = text(random.pick(mdnMethods));
        return {origin + "/en-US/docs/Web/JavaScript/Reference/Global_Objects/" +
                    object.toLatin1() + '/' + method.toLatin1(),
                object + ".prototype." + method + "() - JavaScript | MDN", true, host};
    }
    case Kind::weather:
        return {origin + "/forecast/" + QByteArray::number(random.between(1, 9)) + '/' +
                    QByteArray::number(random.between(1, 50)) + '/' + number(4) + '/' + number(5) +
                    '/',
                text(random.pick(japaneseCities)) + "の天気 - " + site.siteName, true, host};
    case Kind::tracker: {
        const QString issue = "ACME-" + QString::number(random.between(1, 4000));
        return {origin + "/browse/" + issue.toLatin1(),
                '[' + issue + "] " + capitalized(sentence(Language::english, random)) + " - Jira",
                true, host};
    }
    case Kind::chat: {
        const QString channel = text(random.pick(channels));
        return {origin + "/client/T" + random.token(8, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789") +
                    "/C" + random.token(8, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"),
                channel + " (Channel) - Acme - Slack", true, host};
    }
    case Kind::article:
        break;
    }
    const QString headline = capitalized(sentence(site.language, random));
    return {origin + '/' + slug(phrase(Language::english, 1, random)) + '/' + slug(headline),
            headline + " | " + site.siteName, true, host};
}

QString TRCorpusWeb::folderName(TRCorpusRandom &random) const
{
    return text(random.pick(folderNames));
}

QString TRCorpusWeb::headline(TRCorpusRandom &random) const
{
    return capitalized(sentence(static_cast<Language>(random.below(9)), random));
}

QString TRCorpusWeb::phrase(Language language, int words, TRCorpusRandom &random) const
{
    Words list = englishWords;
    QString separator = QStringLiteral(" ");
    switch (language) {
    case Language::english:
        break;
    case Language::german:
        list = germanWords;
        break;
    case Language::french:
        list = frenchWords;
        break;
    case Language::spanish:
        list = spanishWords;
        break;
    case Language::japanese:
        list = japaneseWords;
        separator.clear();
        break;
    case Language::chinese:
        list = chineseWords;
        separator.clear();
        break;
    case Language::russian:
        list = russianWords;
        break;
    case Language::arabic:
        list = arabicWords;
        break;
    case Language::hebrew:
        list = hebrewWords;
        break;
    }
    QStringList chosen;
    for (int i = 0; i < words; ++i) {
        chosen << text(random.pick(list));
    }
    return chosen.join(separator);
}

QString TRCorpusWeb::sentence(Language language, TRCorpusRandom &random) const
{
    const bool compact = language == Language::japanese || language == Language::chinese;
    return phrase(language, compact ? random.between(2, 5) : random.between(4, 9), random);
}

QByteArray TRCorpusWeb::slug(const QString &text)
{
    // Accents go, other letters stay only when they are ASCII.
    const QString plain = text.normalized(QString::NormalizationForm_D).toLower();
    QByteArray result;
    for (const QChar c : plain) {
        if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')) {
            result += static_cast<char>(c.unicode());
        } else if ((c == u' ' || c == u'-') && !result.isEmpty() && !result.endsWith('-')) {
            result += '-';
        }
    }
    while (result.endsWith('-')) {
        result.chop(1);
    }
    return result.isEmpty() ? QByteArrayLiteral("page") : result;
}

QByteArray TRCorpusWeb::pathEncoded(const QString &text)
{
    return text.toUtf8().toPercentEncoding("/:@!$&'()*+,;=");
}

QByteArray TRCorpusWeb::formEncoded(const QString &text)
{
    return text.toUtf8().toPercentEncoding(" ").replace(' ', '+');
}

QList<QByteArray> TRCorpusWeb::oddAddresses(int count, quint32 seed)
{
    const QByteArray alphabet = "abcz09AZ-._~/?=&+,;:@!*#";
    QRandomGenerator random(seed);
    QList<QByteArray> texts;
    for (int i = 0; i < count; ++i) {
        QByteArray text = random.bounded(2) ? "https://" : "http://";
        for (int label = 1 + random.bounded(3); label > 0; --label) {
            text += "abz0-"[random.bounded(5) == 0 ? random.bounded(5) : random.bounded(3)];
            for (int c = random.bounded(6); c > 0; --c) {
                text += "abz09-"[random.bounded(6)];
            }
            text += label > 1 ? "." : "";
        }
        for (int c = random.bounded(30); c > 0; --c) {
            if (random.bounded(24)) {
                text += alphabet[random.bounded(int(alphabet.size()))];
            } else {
                const char *hex = random.bounded(4) ? "0123456789ABCDEF" : "0123456789abcdef";
                text.append('%').append(hex[random.bounded(16)]).append(hex[random.bounded(16)]);
            }
        }
        texts << text;
    }
    return texts;
}

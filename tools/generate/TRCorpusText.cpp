#include "TRCorpusText.h"

QString TRCorpusText::longTitle()
{
    return QStringLiteral("Understanding write-ahead logging, checkpoints and why a copied SQLite "
                          "database misses the most recent rows: a deep dive | Database Internals "
                          "Blog");
}

QString TRCorpusText::veryLongTitle()
{
    return QStringLiteral(
        "The complete, unabridged and occasionally opinionated guide to configuring, building, "
        "testing, packaging, signing, notarising, shipping and then supporting a cross-platform "
        "desktop application written in C++20 with Qt 6, SQLite and libplist, including every "
        "mistake made along the way and what each of them cost in time, money and sleep (2024 "
        "edition)");
}

QByteArray TRCorpusText::veryLongUrl()
{
    QByteArray url = "https://shop.example.com/checkout/confirm?cart=";
    for (int i = 0; url.size() < 2100; ++i) {
        url += "item" + QByteArray::number(i) + "%3Dsku-" + QByteArray::number(i * 7919 % 100000) +
               "%26";
    }
    return url + "&utm_source=newsletter&utm_medium=email";
}

QString TRCorpusText::emojiTitle()
{
    return QStringLiteral("👩‍💻 Dev setup notes 🚀");
}

QString TRCorpusText::userEmail()
{
    return QStringLiteral("alex.morgan.1987@gmail.com");
}

std::vector<std::pair<QByteArray, QString>> TRCorpusText::worldPages()
{
    return {
        {"https://blog.db-internals.example.com/wal-checkpoints", longTitle()},
        {"https://handbook.example.net/desktop-apps/complete-guide", veryLongTitle()},
        {"https://forum.example.net/t/escaping-in-titles/42",
         "Title with <angle> brackets & \"quotes\" - Example Forum"},
        {"https://ru.wikipedia.org/wiki/%D0%9C%D0%BE%D1%81%D0%BA%D0%B2%D0%B0",
         "Москва — Википедия"},
        {"https://news.yahoo.co.jp/articles/3f6d0c1e2b7a48e5a1c9d2f0b4e6a8c1d3e5f7a9",
         "東京で桜が満開　平年より早く（共同通信） - Yahoo!ニュース"},
        {"https://www.aljazeera.net/news/2024/4/28/economy", "الاقتصاد العالمي في أسبوع"},
        {"https://www.haaretz.co.il/news/2024-04-29", "חדשות היום - הארץ"},
        {"https://photos.example.com/albums/family-2023",
         "👨‍👩‍👧 Family photos 2023 📸"},
        {veryLongUrl(), "Order confirmation – Example Shop"},
        {"https://xn--mnchen-3ya.de/", "München – Offizielles Stadtportal"},
        {"http://[::1]:8080/dashboard", "Local dashboard"},
    };
}

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

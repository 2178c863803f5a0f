#include "TRCorpusIcons.h"

#include "TRCorpusRandom.h"

#include <QBuffer>
#include <QImage>
#include <QUrl>

namespace {

// FNV-1a: the same on every platform, unlike qHash's seeded one.
quint64 hashOf(const QByteArray &text)
{
    quint64 hash = 14695981039346656037ULL;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    return hash;
}

QList<int> widths(TRCorpusRandom &random)
{
    QList<int> result{16};
    if (random.chance(0.8)) {
        result << 32;
    }
    if (random.chance(0.15)) {
        result << 64;
    }
    return result;
}

QRgb colour(TRCorpusRandom &random)
{
    return qRgb(random.between(20, 235), random.between(20, 235), random.between(20, 235));
}

} // namespace

TRCorpusIcons::TRCorpusIcons(quint64 seed)
    : m_seed(seed)
{}

std::optional<TRCorpusIcons::Site> TRCorpusIcons::site(const QByteArray &site) const
{
    if (!site.startsWith("http://") && !site.startsWith("https://")) {
        return std::nullopt;
    }
    // Each site draws from a stream of its own, so a site's icons do not
    // depend on which other sites a browser visited.
    TRCorpusRandom random(m_seed, hashOf(site));
    if (random.chance(0.12)) {
        return std::nullopt;
    }
    Site result;
    const bool ico = random.chance(0.7);
    result.icon = {site + (ico ? "/favicon.ico" : "/static/favicon-32x32.png"), 1, widths(random)};
    if (!ico && random.chance(0.3)) {
        result.root = Icon{site + "/favicon.ico", 1, widths(random)};
    }
    if (random.chance(0.1)) {
        result.touch = Icon{site + "/apple-touch-icon.png", 2, widths(random)};
    }
    if (random.chance(0.1)) {
        result.section = Icon{site + "/static/section-icon.png", 1, widths(random)};
    }
    return result;
}

QByteArray TRCorpusIcons::png(const QByteArray &url, int width) const
{
    const QByteArray key = url + ' ' + QByteArray::number(width);
    if (const auto found = m_pngs.constFind(key); found != m_pngs.cend()) {
        return *found;
    }
    // Two colours on a transparent ground: a square or a disc, and a band
    // across it; the sizes of one icon look alike.
    TRCorpusRandom random(m_seed, hashOf(url));
    const bool disc = random.chance(0.4);
    const QRgb ground = colour(random);
    const QRgb band = colour(random);
    const int bandTop = width * random.between(2, 5) / 8;
    QImage image(width, width, QImage::Format_Indexed8);
    image.setColorTable({qRgba(0, 0, 0, 0), ground, band});
    const double centre = (width - 1) / 2.0;
    const double radius = width / 2.0;
    for (int y = 0; y < width; ++y) {
        uchar *line = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const double dx = x - centre;
            const double dy = y - centre;
            const bool inside = !disc || dx * dx + dy * dy <= radius * radius;
            line[x] = !inside ? 0 : (y >= bandTop && y < bandTop + width / 4 ? 2 : 1);
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    m_pngs.insert(key, bytes);
    return bytes;
}

QByteArray TRCorpusIcons::siteOf(const QByteArray &address)
{
    const QUrl url = QUrl::fromEncoded(address);
    if (!url.isValid() || url.host().isEmpty()) {
        return {};
    }
    return url.scheme().toLatin1() + "://" + url.host(QUrl::FullyEncoded).toLatin1();
}

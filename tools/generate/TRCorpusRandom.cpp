#include "TRCorpusRandom.h"

#include <cmath>
#include <cstring>

namespace {

quint64 splitMix(quint64 &state)
{
    quint64 z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

quint64 rotateLeft(quint64 value, int bits)
{
    return (value << bits) | (value >> (64 - bits));
}

} // namespace

TRCorpusRandom::TRCorpusRandom(quint64 seed, quint64 stream)
{
    quint64 state = seed ^ rotateLeft(stream * 0xD1B54A32D192ED03ULL, 17);
    for (quint64 &word : m_state) {
        word = splitMix(state);
    }
}

// xoshiro256**: small, fast and well mixed.
quint64 TRCorpusRandom::next()
{
    const quint64 result = rotateLeft(m_state[1] * 5, 7) * 9;
    const quint64 shifted = m_state[1] << 17;
    m_state[2] ^= m_state[0];
    m_state[3] ^= m_state[1];
    m_state[1] ^= m_state[2];
    m_state[0] ^= m_state[3];
    m_state[2] ^= shifted;
    m_state[3] = rotateLeft(m_state[3], 45);
    return result;
}

quint64 TRCorpusRandom::below(quint64 bound)
{
    if (bound == 0) {
        return 0;
    }
    // Rejection keeps every value equally likely.
    const quint64 limit = ~quint64(0) - (~quint64(0) % bound);
    quint64 value = next();
    while (value >= limit) {
        value = next();
    }
    return value % bound;
}

int TRCorpusRandom::between(int low, int high)
{
    return low + static_cast<int>(below(static_cast<quint64>(high - low) + 1));
}

double TRCorpusRandom::unit()
{
    return static_cast<double>(next() >> 11) * 0x1.0p-53;
}

bool TRCorpusRandom::chance(double probability)
{
    return unit() < probability;
}

double TRCorpusRandom::exponential(double mean)
{
    return -mean * std::log1p(-unit());
}

QString TRCorpusRandom::uuid()
{
    QByteArray raw = bytes(16);
    raw[6] = static_cast<char>((raw[6] & 0x0F) | 0x40);
    raw[8] = static_cast<char>((raw[8] & 0x3F) | 0x80);
    const QByteArray hex = raw.toHex().toUpper();
    return QString::fromLatin1(hex.mid(0, 8) + '-' + hex.mid(8, 4) + '-' + hex.mid(12, 4) + '-' +
                               hex.mid(16, 4) + '-' + hex.mid(20, 12));
}

QByteArray TRCorpusRandom::bytes(int count)
{
    QByteArray result(count, Qt::Uninitialized);
    quint64 word = 0;
    for (int i = 0; i < count; ++i) {
        // Byte by byte, so that the bytes do not depend on the machine's order.
        if (i % 8 == 0) {
            word = next();
        }
        result[i] = static_cast<char>((word >> (8 * (i % 8))) & 0xFF);
    }
    return result;
}

QByteArray TRCorpusRandom::token(int count, const char *alphabet)
{
    const auto size = static_cast<quint64>(std::strlen(alphabet));
    QByteArray result(count, Qt::Uninitialized);
    for (char &c : result) {
        c = alphabet[below(size)];
    }
    return result;
}

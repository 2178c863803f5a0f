#pragma once

// A seeded random stream that draws the same numbers on every platform and
// compiler, which the standard library's distributions do not promise.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <utility>

class TRCorpusRandom
{
public:
    // One stream per part of the corpus (stream names the part), so that
    // changing what one part draws leaves the others as they were.
    TRCorpusRandom(quint64 seed, quint64 stream);

    quint64 next();
    // A number in [0, bound); 0 when bound is 0.
    quint64 below(quint64 bound);
    // A number in [low, high].
    int between(int low, int high);
    // A number in [0, 1).
    double unit();
    bool chance(double probability);
    // Waiting times of a process without memory, with the given mean.
    double exponential(double mean);

    template <typename Container>
    const auto &pick(const Container &items)
    {
        return items[static_cast<std::size_t>(below(std::size(items)))];
    }

    template <typename Container>
    void shuffle(Container &items)
    {
        for (std::size_t i = std::size(items); i > 1; --i) {
            std::swap(items[i - 1], items[static_cast<std::size_t>(below(i))]);
        }
    }

    // An upper-case UUID of version 4, as Safari writes them.
    QString uuid();
    QByteArray bytes(int count);
    // count characters drawn from alphabet.
    QByteArray token(int count, const char *alphabet);

private:
    quint64 m_state[4];
};

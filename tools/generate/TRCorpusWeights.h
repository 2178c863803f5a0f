#pragma once

// Weighted choice among many items (hosts, pages): a table of running sums,
// searched by bisection, so a draw costs a logarithm whatever the weights.

#include "TRCorpusRandom.h"

#include <cstddef>
#include <vector>

class TRCorpusWeights
{
public:
    void add(double weight);
    std::size_t size() const { return m_sums.size(); }
    bool isEmpty() const { return m_sums.empty() || m_sums.back() <= 0; }
    // An index drawn with probability proportional to its weight.
    std::size_t draw(TRCorpusRandom &random) const;

    // Zipf's law: the item of rank r weighs 1 / (r + 1)^exponent.
    static double zipf(std::size_t rank, double exponent);

private:
    std::vector<double> m_sums;
};

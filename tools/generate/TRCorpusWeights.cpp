#include "TRCorpusWeights.h"

#include <algorithm>
#include <cmath>

void TRCorpusWeights::add(double weight)
{
    m_sums.push_back((m_sums.empty() ? 0.0 : m_sums.back()) + std::max(weight, 0.0));
}

std::size_t TRCorpusWeights::draw(TRCorpusRandom &random) const
{
    const double target = random.unit() * m_sums.back();
    const auto found = std::upper_bound(m_sums.begin(), m_sums.end(), target);
    return std::min(static_cast<std::size_t>(found - m_sums.begin()), m_sums.size() - 1);
}

double TRCorpusWeights::zipf(std::size_t rank, double exponent)
{
    return 1.0 / std::pow(static_cast<double>(rank + 1), exponent);
}

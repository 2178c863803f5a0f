#include "TRFaviconStoreReader.h"

#include "TRDiagnostics.h"
#include "TRPrivateCopy.h"

#include <QFileInfo>

#include <atomic>
#include <utility>

namespace {

std::atomic<qint64> rereadSpacingNs{10LL * 60 * 1000 * 1000 * 1000};

} // namespace

void TRFaviconStoreReader::setRereadSpacing(qint64 nanoseconds)
{
    rereadSpacingNs = nanoseconds;
}

TRFaviconStoreReader::TRFaviconStoreReader(QString copyName, QString fileName,
                                           TRFaviconTable::Store store)
    : m_copyName(std::move(copyName))
    , m_fileName(std::move(fileName))
    , m_store(store)
{}

TRFaviconStoreReader::Result TRFaviconStoreReader::read(const Request &request) const
{
    Result result;
    if (!request.grant || request.pixels <= 0) {
        // Icons off, or the store taken back: the table goes, once.
        if (m_state) {
            result.changed = true;
            result.state = std::optional<TRSourceState>();
        }
        return result;
    }
    // The size is part of what was read: another screen wants other bitmaps.
    TRSourceState state = TRSourceState::of(*request.grant, QByteArray::number(request.pixels));
    if (m_state && *m_state == state && m_state->isSettled()) {
        return result;
    }
    // A browser in use writes its icons as often as its history, and a
    // large store takes a good part of a history's read: while the same
    // store at the same size keeps changing, it is read again only after a
    // while. Meanwhile a new page shows its site's icon, or the generic one.
    if (m_state && m_state->grant == state.grant && m_state->context == state.context &&
        state.takenNs - m_state->takenNs < rereadSpacingNs) {
        return result;
    }
    // Whatever the read makes of it, the same store would give the same again.
    result.state = state;
    const auto copy = TRPrivateCopy::make(m_copyName, request.grant);
    // No copy could be made, which the copy has said.
    if (!copy || !QFileInfo::exists(*copy)) {
        return result;
    }
    QString error;
    if (auto table = TRFaviconTable::read(*copy, m_store, request.pixels, &error)) {
        result.changed = true;
        result.table = std::move(table);
    } else {
        TRDiagnostics::writeLine(QStringLiteral("Could not read '") + m_fileName +
                                 QStringLiteral("': ") + error);
    }
    return result;
}

void TRFaviconStoreReader::settle(const Result &result)
{
    if (result.state) {
        m_state = *result.state;
    }
}

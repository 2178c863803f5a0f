#include "TRFaviconStoreReader.h"

#include "TRDiagnostics.h"
#include "TRPrivateCopy.h"

#include <utility>

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
        result.changed = m_state.has_value();
        return result;
    }
    // The size is part of what was read: another screen wants other bitmaps.
    TRSourceState state = TRSourceState::of(*request.grant, QByteArray::number(request.pixels));
    if (m_state && *m_state == state && m_state->isSettled()) {
        return result;
    }
    result.changed = true;
    result.state = state;
    const auto copy = TRPrivateCopy::make(m_copyName, request.grant);
    if (!copy) {
        return result;
    }
    QString error;
    result.table = TRFaviconTable::read(*copy, m_store, request.pixels, &error);
    if (!result.table) {
        TRDiagnostics::writeLine(QStringLiteral("Could not read '") + m_fileName +
                                 QStringLiteral("': ") + error);
    }
    return result;
}

void TRFaviconStoreReader::settle(const Result &result)
{
    if (result.changed) {
        m_state = result.state;
    }
}

#include "TRFaviconStoreReader.h"

#include "TRDiagnostics.h"
#include "TRPrivateCopy.h"

#include <QFileInfo>

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

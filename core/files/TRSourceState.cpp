#include "TRSourceState.h"

#include "TRFileGrant.h"

#include <QDateTime>

namespace {

// Far longer than the steps of file times on local file systems.
constexpr qint64 settleNs = 100'000'000;

} // namespace

TRSourceState TRSourceState::of(const QByteArray &grant, const QByteArray &context)
{
    TRSourceState state{grant, context, {}, {}, QDateTime::currentMSecsSinceEpoch() * 1'000'000};
    // A grant that does not resolve leaves both files missing.
    if (const std::optional<QString> path = TRFileGrant::resolve(grant, nullptr)) {
        state.file = TRFileState::of(*path);
        state.wal = TRFileState::of(*path + QStringLiteral("-wal"));
    }
    return state;
}

bool TRSourceState::isSettled() const
{
    return file.modifiedNs < takenNs - settleNs && wal.modifiedNs < takenNs - settleNs;
}

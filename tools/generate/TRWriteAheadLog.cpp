#include "TRWriteAheadLog.h"

#include <QFile>
#include <QtEndian>

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

namespace {

quint32 bigEndian32(const uchar *bytes)
{
    return (quint32(bytes[0]) << 24) | (quint32(bytes[1]) << 16) | (quint32(bytes[2]) << 8) |
           quint32(bytes[3]);
}

void putBigEndian32(uchar *bytes, quint32 value)
{
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<uchar>(value >> (24 - 8 * i));
    }
}

// The log's checksum: pairs of 32-bit words, summed into both halves; the
// words are big-endian when the magic number says so.
void checksum(const uchar *data, qsizetype size, bool bigEndian, quint32 &first, quint32 &second)
{
    for (qsizetype i = 0; i + 8 <= size; i += 8) {
        quint32 a = bigEndian32(data + i);
        quint32 b = bigEndian32(data + i + 4);
        if (!bigEndian) {
            a = qbswap(a);
            b = qbswap(b);
        }
        first += a + second;
        second += b + first;
    }
}

} // namespace

bool TRWriteAheadLog::fixSalt(const QString &logPath, quint64 salt)
{
    QFile file(logPath);
    if (!file.open(QIODevice::ReadWrite)) {
        return false;
    }
    QByteArray log = file.readAll();
    constexpr qsizetype headerSize = 32;
    constexpr qsizetype frameHeaderSize = 24;
    if (log.size() < headerSize) {
        return log.isEmpty();
    }
    auto *bytes = reinterpret_cast<uchar *>(log.data());
    const bool bigEndian = (bigEndian32(bytes) & 1) != 0;
    const qsizetype pageSize = bigEndian32(bytes + 8);
    const quint32 oldSalt1 = bigEndian32(bytes + 16);
    const quint32 oldSalt2 = bigEndian32(bytes + 20);
    putBigEndian32(bytes + 16, static_cast<quint32>(salt >> 32));
    putBigEndian32(bytes + 20, static_cast<quint32>(salt));
    quint32 first = 0;
    quint32 second = 0;
    checksum(bytes, 24, bigEndian, first, second);
    putBigEndian32(bytes + 24, first);
    putBigEndian32(bytes + 28, second);
    // Each frame's checksum runs on from the one before; frames of an older
    // salt (none in a fresh log) end the valid part and are left alone.
    for (qsizetype at = headerSize; at + frameHeaderSize + pageSize <= log.size();
         at += frameHeaderSize + pageSize) {
        uchar *frame = bytes + at;
        if (bigEndian32(frame + 8) != oldSalt1 || bigEndian32(frame + 12) != oldSalt2) {
            break;
        }
        putBigEndian32(frame + 8, static_cast<quint32>(salt >> 32));
        putBigEndian32(frame + 12, static_cast<quint32>(salt));
        checksum(frame, 8, bigEndian, first, second);
        checksum(frame + frameHeaderSize, pageSize, bigEndian, first, second);
        putBigEndian32(frame + 16, first);
        putBigEndian32(frame + 20, second);
    }
    return file.seek(0) && file.write(log) == log.size();
}

void TRWriteAheadLog::keepInLog(SQLite::Database &database)
{
    sqlite3_db_config(database.getHandle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    database.exec("PRAGMA wal_autocheckpoint = 0");
}

bool TRWriteAheadLog::settleLog(const QString &databasePath, quint64 salt)
{
    QFile::remove(databasePath + QStringLiteral("-shm"));
    return fixSalt(databasePath + QStringLiteral("-wal"), salt);
}

#pragma once

// The single-line messages that go to standard output when something the
// user chose cannot be read or written.

#include <QString>

class TRDiagnostics
{
public:
    // Writes one line and flushes it, so that it is there even when the
    // process ends abruptly afterwards.
    static void writeLine(const QString &line);
};

#include "TRDiagnostics.h"

#include <cstdio>

void TRDiagnostics::writeLine(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

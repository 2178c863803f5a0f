#pragma once

// trellis-inspect find: reads the given files with the application's own
// readers, builds the same search index and prints the ranked matches.

#include <QStringList>

// arguments: find QUERY --source KIND FILE [--source KIND FILE ...]; returns
// the exit code, or -1 for arguments that do not make a find command.
int inspectFind(const QStringList &arguments);

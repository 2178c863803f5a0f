#pragma once

// Helpers shared by the tests of the data sources.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace TRTestSupport {

// What fn wrote to standard output.
QByteArray captureStdout(const std::function<void()> &fn);

// Writes bytes to path, creating folders; false on failure.
bool writeFile(const QString &path, const QByteArray &bytes);

// The folder of real browser files, or empty when it is not there.
QString realDataDirectory();
// Runs the corpus generator into folder at the given scale, with further
// generator options; false when the generator is missing or fails.
bool makeCorpus(const QString &folder, const QString &scale,
                const QStringList &options = QStringList());
// Why makeCorpus cannot run, or empty when it can.
QString corpusUnavailableReason();

} // namespace TRTestSupport

#include "TRTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

QByteArray TRTestSupport::captureStdout(const std::function<void()> &fn)
{
    std::fflush(stdout);
    QTemporaryFile capture;
    if (!capture.open()) {
        return {};
    }
    const int saved = ::dup(STDOUT_FILENO);
    ::dup2(capture.handle(), STDOUT_FILENO);
    fn();
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    capture.seek(0);
    return capture.readAll();
}

bool TRTestSupport::writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QString TRTestSupport::realDataDirectory()
{
    const QString path = qEnvironmentVariable("TRELLIS_REALDATA_DIR");
    return !path.isEmpty() && QFileInfo(path).isDir() ? path : QString();
}

QString TRTestSupport::corpusUnavailableReason()
{
    const QString generator = qEnvironmentVariable("TRELLIS_CORPUS_GENERATOR");
    if (generator.isEmpty() || !QFileInfo::exists(generator)) {
        return QStringLiteral("the corpus generator (shared/corpus/make_corpus.py) is not beside "
                              "the repository");
    }
    return {};
}

bool TRTestSupport::makeCorpus(const QString &folder, const QString &scale,
                               const QStringList &options)
{
    if (!corpusUnavailableReason().isEmpty()) {
        return false;
    }
    QProcess generator;
    generator.start(QStringLiteral("python3"),
                    QStringList{qEnvironmentVariable("TRELLIS_CORPUS_GENERATOR"),
                                QStringLiteral("--out"), folder, QStringLiteral("--scale"), scale,
                                QStringLiteral("--now"), QStringLiteral("2024-05-01T12:00:00Z"),
                                QStringLiteral("--quiet")} +
                        options);
    return generator.waitForFinished(300000) && generator.exitStatus() == QProcess::NormalExit &&
           generator.exitCode() == 0;
}

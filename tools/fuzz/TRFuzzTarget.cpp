// One libFuzzer target; TRELLIS_FUZZ_READER names the reader it feeds.

#include "TRReaderInputs.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QtGlobal>

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Qt's warnings about broken input are expected by the thousand.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    if (!TRReaderInputs::reader(QStringLiteral(TRELLIS_FUZZ_READER))) {
        std::abort();
    }
    // An icon drawn from SVG lays out its text with the interface's fonts.
    if (QByteArrayView(TRELLIS_FUZZ_READER) == "favicon-image") {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz-favicon-image";
        static char *argv[] = {name, nullptr};
        new QGuiApplication(argc, argv);
        // Qt loads its image readers and fonts once, on first use: done here,
        // so that what they keep is not taken for an input's leak.
        TRReaderInputs::faviconImage(
            "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 16 16'><text x='2' y='12' "
            "font-size='10'>T</text></svg>");
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const TRReaderInputs::Reader read =
        TRReaderInputs::reader(QStringLiteral(TRELLIS_FUZZ_READER));
    // Not copied: a read past the end of the input is then caught, where a
    // copy would hide it behind its terminating zero.
    read(QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                 static_cast<qsizetype>(size)));
    return 0;
}

#include "TRMappedFile.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

bool writeAll(int descriptor, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(descriptor, data, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

std::unique_ptr<TRMappedFile> TRMappedFile::write(const QString &folder,
                                                  std::initializer_list<QByteArrayView> pieces)
{
    if (folder.isEmpty()) {
        return nullptr;
    }
    const QByteArray path =
        QFile::encodeName(QDir(folder).filePath(QStringLiteral("mapped-XXXXXX")));
    std::vector<char> name(path.begin(), path.end());
    name.push_back('\0');
    const int descriptor = ::mkostemp(name.data(), O_CLOEXEC);
    if (descriptor < 0) {
        return nullptr;
    }
    ::unlink(name.data());
    static constexpr char zeros[8] = {};
    std::size_t size = 0;
    bool written = true;
    for (const QByteArrayView piece : pieces) {
        const auto length = static_cast<std::size_t>(piece.size());
        written = written && writeAll(descriptor, piece.data(), length) &&
                  writeAll(descriptor, zeros, aligned(length) - length);
        size += aligned(length);
    }
    // An empty file cannot be mapped; a byte of room makes it one page.
    void *mapping = MAP_FAILED;
    if (written && (size > 0 || writeAll(descriptor, zeros, 1))) {
        mapping = ::mmap(nullptr, size > 0 ? size : 1, PROT_READ, MAP_SHARED, descriptor, 0);
    }
    ::close(descriptor);
    if (mapping == MAP_FAILED) {
        return nullptr;
    }
    // Read where something is opened, in no order worth reading ahead for.
    ::madvise(mapping, size > 0 ? size : 1, MADV_RANDOM);
    return std::unique_ptr<TRMappedFile>(new TRMappedFile(mapping, size > 0 ? size : 1));
}

void TRMappedFile::releasePages() const
{
    ::madvise(m_mapping, m_size, MADV_DONTNEED);
}

TRMappedFile::~TRMappedFile()
{
    ::munmap(m_mapping, m_size);
}

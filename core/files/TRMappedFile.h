#pragma once

// Bytes moved out of the heap into a file that is mapped into memory and at
// once removed from its folder: pages nobody reads stay on disk, the kernel
// can drop the others again, and nothing is left behind when the process
// ends. For large data that is built once and then mostly not read.

#include <QByteArrayView>
#include <QString>

#include <initializer_list>
#include <memory>

class TRMappedFile
{
public:
    // The pieces one after the other, each starting at a multiple of 8
    // bytes; none when the folder takes no file or the mapping fails.
    static std::unique_ptr<TRMappedFile> write(const QString &folder,
                                               std::initializer_list<QByteArrayView> pieces);
    ~TRMappedFile();
    TRMappedFile(const TRMappedFile &) = delete;
    TRMappedFile &operator=(const TRMappedFile &) = delete;

    const char *data() const { return static_cast<const char *>(m_mapping); }
    // Lets go of the pages read so far: they stay in the file, and come back
    // when read again. For a pass over all of it that will not be repeated.
    void releasePages() const;
    std::size_t size() const { return m_size; }

    static constexpr std::size_t aligned(std::size_t size) { return (size + 7) & ~std::size_t(7); }

private:
    TRMappedFile(void *mapping, std::size_t size)
        : m_mapping(mapping)
        , m_size(size)
    {}

    void *m_mapping;
    std::size_t m_size;
};

#include "TRFolderWatch.h"

#include <QFile>
#include <QHash>
#include <QSocketNotifier>

#include <array>

#include <linux/magic.h>
#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

// File systems whose files change on other machines, where inotify sees only
// this machine's own writes.
bool isRemote(const QString &folder)
{
    struct statfs status = {};
    if (::statfs(QFile::encodeName(folder).constData(), &status) != 0) {
        return true;
    }
    switch (static_cast<unsigned long>(status.f_type)) {
    case NFS_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case 0xFF534D42UL: // CIFS
    case 0xFE534D42UL: // SMB2
    case CODA_SUPER_MAGIC:
    case AFS_SUPER_MAGIC:
    case 0x01021997UL: // 9P
    case 0x65735546UL: // FUSE: sshfs and the like
        return true;
    default:
        return false;
    }
}

} // namespace

struct TRFolderWatch::Private
{
    int handle = -1;
    std::unique_ptr<QSocketNotifier> notifier;
    QHash<int, QString> folders;
};

TRFolderWatch::TRFolderWatch(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->handle = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (d->handle < 0) {
        return;
    }
    d->notifier = std::make_unique<QSocketNotifier>(d->handle, QSocketNotifier::Read);
    connect(d->notifier.get(), &QSocketNotifier::activated, this, [this] {
        // Events are whole records; a buffer of this size holds at least one.
        alignas(inotify_event) std::array<char, 16384> buffer;
        for (;;) {
            const ssize_t length = ::read(d->handle, buffer.data(), buffer.size());
            if (length <= 0) {
                return;
            }
            for (ssize_t at = 0; at < length;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer.data() + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                const QString folder = d->folders.value(event->wd);
                if (event->mask & IN_Q_OVERFLOW) {
                    // Events were lost: every folder may have changed.
                    for (const QString &each : std::as_const(d->folders)) {
                        emit changed(each, QString());
                    }
                } else if (event->mask & IN_IGNORED) {
                    // Also the echo of a watch removed on purpose, no longer
                    // in the list.
                    if (d->folders.remove(event->wd) > 0) {
                        emit changed(folder, QString());
                    }
                } else if (event->len > 0 && !folder.isEmpty()) {
                    emit changed(folder, QFile::decodeName(event->name));
                }
            }
        }
    });
}

TRFolderWatch::~TRFolderWatch()
{
    d->notifier.reset();
    if (d->handle >= 0) {
        ::close(d->handle);
    }
}

bool TRFolderWatch::watch(const QString &folder)
{
    if (d->handle < 0 || isRemote(folder)) {
        return false;
    }
    // A write in place (SQLite), a file renamed into place or away, created
    // or removed; the folder itself going ends the watch (IN_IGNORED).
    const int watch = ::inotify_add_watch(d->handle, QFile::encodeName(folder).constData(),
                                          IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM |
                                              IN_CREATE | IN_DELETE | IN_ATTRIB | IN_ONLYDIR);
    if (watch < 0) {
        return false;
    }
    d->folders.insert(watch, folder);
    return true;
}

void TRFolderWatch::clear()
{
    for (auto it = d->folders.cbegin(); it != d->folders.cend(); ++it) {
        ::inotify_rm_watch(d->handle, it.key());
    }
    d->folders.clear();
}

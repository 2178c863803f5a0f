#pragma once

// Tells when entries of watched folders change. Folders are watched rather
// than files because browsers replace a file by renaming a new one over it:
// a watch on the file would stay with the old one.

#include <QObject>
#include <QString>

#include <memory>

class TRFolderWatch : public QObject
{
    Q_OBJECT

public:
    explicit TRFolderWatch(QObject *parent = nullptr);
    ~TRFolderWatch() override;

    // Starts watching folder; false when it cannot be watched: it is
    // missing, lies on a network file system (whose changes made elsewhere
    // no local watch sees) or the system has no watch left.
    bool watch(const QString &folder);
    // Stops watching every folder.
    void clear();

signals:
    // An entry of folder was written, created, removed or renamed; name is
    // empty when the folder itself went away, which ends its watch, or when
    // the system dropped events and anything in it may have changed.
    void changed(const QString &folder, const QString &name);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

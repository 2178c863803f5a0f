#pragma once

// Says when the local calendar day changes: at local midnight, and when the
// system clock is set or the time zone changes, which can move every visit
// to another day without a file changing.

#include <QDate>
#include <QObject>

#include <memory>

class TRDayClock : public QObject
{
    Q_OBJECT

public:
    // The one clock of the application; create it on the main thread.
    static TRDayClock &shared();

    TRDayClock();
    ~TRDayClock() override;

signals:
    // The day or the time zone is another than at the last signal.
    void dayChanged();

private:
    void arm();
    void check();

    struct Private;
    std::unique_ptr<Private> d;
};

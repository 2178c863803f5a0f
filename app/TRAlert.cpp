#include "TRAlert.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

TRAlert::Handler &testHandler()
{
    static TRAlert::Handler handler;
    return handler;
}

} // namespace

int TRAlert::run(const Request &request)
{
    if (testHandler()) {
        return testHandler()(request);
    }

    QMessageBox box(request.style == Style::critical ? QMessageBox::Critical
                                                     : QMessageBox::Information,
                    QApplication::applicationDisplayName(), request.message);
    box.setInformativeText(request.informativeText);
    // A tray application has no window of its own to be in front of.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    QList<QAbstractButton *> buttons;
    for (qsizetype i = 0; i < request.buttons.size(); ++i) {
        const auto role = i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole;
        buttons.append(box.addButton(request.buttons.at(i), role));
    }
    if (buttons.isEmpty()) {
        buttons.append(box.addButton(QMessageBox::Ok));
    }
    box.setDefaultButton(qobject_cast<QPushButton *>(buttons.first()));
    box.raise();
    box.activateWindow();
    box.exec();
    const qsizetype index = buttons.indexOf(box.clickedButton());
    // Closing the alert without a button counts as its last button, the
    // cautious answer.
    return firstButton + static_cast<int>(index >= 0 ? index : buttons.size() - 1);
}

void TRAlert::setHandlerForTesting(Handler handler)
{
    testHandler() = std::move(handler);
}

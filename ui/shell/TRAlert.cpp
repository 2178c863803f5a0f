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

    const QMessageBox::Icon icon = request.style == Style::critical  ? QMessageBox::Critical
                                   : request.style == Style::warning ? QMessageBox::Warning
                                                                     : QMessageBox::Information;
    QMessageBox box(icon, QApplication::applicationDisplayName(), request.message,
                    QMessageBox::NoButton, request.parent);
    box.setInformativeText(request.informativeText);
    if (request.parent) {
        box.setWindowModality(Qt::WindowModal);
    } else {
        // A tray application has no window of its own to be in front of.
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    }
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

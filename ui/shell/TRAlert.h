#pragma once

// Modal alerts, with a seam through which tests answer in place of the user.

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

class TRAlert
{
public:
    enum class Style { informational, warning, critical };

    // The answer: the first button added is firstButton, and so on. An alert
    // without buttons has one, "OK", which answers firstButton.
    enum Response { firstButton = 1000, secondButton = 1001, thirdButton = 1002 };

    struct Request
    {
        Style style = Style::informational;
        QString message;
        QString informativeText;
        QStringList buttons;
        // The window the alert belongs to; none for an application alert.
        QWidget *parent = nullptr;
    };

    using Handler = std::function<int(const Request &)>;

    // Shows the alert in front of every other window and waits for the answer.
    static int run(const Request &request);

    // While a handler is set, it answers every alert and nothing is shown.
    static void setHandlerForTesting(Handler handler);
};

#pragma once

// Where every request to show something reaches the screen: a bookmark or an
// address goes to the default browser or into a new built-in browser window.

#include "TRBookmark.h"
#include "TRBrowserMode.h"

#include <QMetaType>
#include <QObject>
#include <QUrl>

#include <memory>
#include <variant>
#include <vector>

class QWidget;
struct TRNotification;

class TRUIManager : public QObject
{
    Q_OBJECT

public:
    struct ShowBookmark
    {
        TRBookmarkPtr bookmark;
    };
    struct ShowURL
    {
        QUrl url;
        QString customName;
    };
    struct ShowSearch
    {};
    // The request carried by the show notification.
    using BrowserActionType = std::variant<ShowBookmark, ShowURL, ShowSearch>;

    // Observes the show notification from now on.
    explicit TRUIManager(QObject *parent = nullptr);
    ~TRUIManager() override;

    // Posts the show notification with this request.
    static void post(const BrowserActionType &action);

    void shouldShowBrowserNotification(const TRNotification &notification);

    // The open windows of bookmark and address requests, oldest first.
    const std::vector<std::unique_ptr<QWidget>> &currentBrowserWindowControllers() const
    {
        return m_currentBrowserWindowControllers;
    }
    // Open web-search windows; they are not tracked above.
    std::size_t searchWindowCount() const { return m_searchWindowControllers.size(); }

    // Forgets a tracked window; an unknown controller changes nothing.
    void dismiss(QWidget *controller);

private:
    // True when an item or address goes to the default browser: the
    // setting, inverted while Shift is held.
    static bool opensInDefaultBrowser();
    // Hands url to the default browser; false when none could be launched.
    bool openInDefaultBrowser(const QUrl &url);
    // Search windows are kept apart from the tracked ones and freed when
    // they close. Without the browser module, an address goes to the
    // default browser instead.
    void openBrowserWindow(const TRBrowserMode::Type &type, bool tracked);
    // Drops controller from list, by identity, and frees it once its close
    // event is over.
    static void releaseFrom(std::vector<std::unique_ptr<QWidget>> &list, QWidget *controller);

    std::vector<std::unique_ptr<QWidget>> m_currentBrowserWindowControllers;
    std::vector<std::unique_ptr<QWidget>> m_searchWindowControllers;
    bool m_toldNoDefaultBrowser = false;
};

Q_DECLARE_METATYPE(TRUIManager::BrowserActionType)

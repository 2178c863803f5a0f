#pragma once

// The Chrome plugin's pane: grants access to Chrome's Bookmarks and History.

#include "TRGoogleChromeBookmarksParser.h"

#include <QWidget>

#include <memory>
#include <optional>

namespace Ui {
class TRGoogleChromePluginConfigurationViewController;
}
class TRPluginFilePicker;

class TRGoogleChromePluginConfigurationViewController : public QWidget
{
    Q_OBJECT

public:
    explicit TRGoogleChromePluginConfigurationViewController(QWidget *parent = nullptr);
    ~TRGoogleChromePluginConfigurationViewController() override;

    void chooseBookmarksFile();
    void chooseHistoryFile();

    TRPluginFilePicker *currentFilePicker() const { return m_currentFilePicker.get(); }

protected:
    void showEvent(QShowEvent *event) override;

private:
    using Key = TRGoogleChromeBookmarksParser::BookmarkDataKey;
    void choose(Key key);
    void updateStatus();

    std::unique_ptr<Ui::TRGoogleChromePluginConfigurationViewController> m_ui;
    std::unique_ptr<TRPluginFilePicker> m_currentFilePicker;
    std::optional<Key> m_currentBookmarkDataKey;
};

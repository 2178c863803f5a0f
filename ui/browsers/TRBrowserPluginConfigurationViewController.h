#pragma once

// A browser's pane: the browser's profiles, each granted with one click, and
// the file dialog for files kept elsewhere. Firefox keeps bookmarks and
// history in one file, granted once; its switches say which the menu shows.

#include "TRBrowserSettings.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

namespace Ui {
class TRBrowserPluginConfigurationViewController;
}
class QPushButton;
class TRBrowserPlugin;
class TRPluginFilePicker;

class TRBrowserPluginConfigurationViewController : public QWidget
{
    Q_OBJECT

public:
    explicit TRBrowserPluginConfigurationViewController(TRBrowserPlugin *plugin,
                                                        QWidget *parent = nullptr);
    ~TRBrowserPluginConfigurationViewController() override;

    void chooseBookmarksFile();
    void chooseHistoryFile();
    // Firefox's switches.
    void setShowsBookmarks(bool shown);
    void setShowsHistory(bool shown);
    // Grants the files of the plugin's profile at index and reads them.
    void useProfile(std::size_t index);

    TRPluginFilePicker *currentFilePicker() const { return m_currentFilePicker.get(); }
    // The "Use" button of each profile, in the list's order; none for a
    // profile in use.
    std::vector<QPushButton *> useButtons() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    using File = TRBrowserSettings::File;
    void choose(File file);
    void setSwitch(QString (TRBrowserSettings::*key)() const, bool shown);
    void updateStatus();
    void updateProfiles();

    QPointer<TRBrowserPlugin> m_plugin;
    std::unique_ptr<Ui::TRBrowserPluginConfigurationViewController> m_ui;
    std::unique_ptr<TRPluginFilePicker> m_currentFilePicker;
    std::optional<File> m_currentFile;
};

#pragma once

// A Chromium browser's pane: the browser's profiles, each granted with one
// click, and the file dialog for files kept elsewhere.

#include "TRChromiumSettings.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

namespace Ui {
class TRChromiumPluginConfigurationViewController;
}
class QPushButton;
class TRChromiumPlugin;
class TRPluginFilePicker;

class TRChromiumPluginConfigurationViewController : public QWidget
{
    Q_OBJECT

public:
    explicit TRChromiumPluginConfigurationViewController(TRChromiumPlugin *plugin,
                                                         QWidget *parent = nullptr);
    ~TRChromiumPluginConfigurationViewController() override;

    void chooseBookmarksFile();
    void chooseHistoryFile();
    // Grants the files of the plugin's profile at index and reads them.
    void useProfile(std::size_t index);

    TRPluginFilePicker *currentFilePicker() const { return m_currentFilePicker.get(); }
    // The "Use" button of each profile, in the list's order; none for a
    // profile in use.
    std::vector<QPushButton *> useButtons() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    using File = TRChromiumSettings::File;
    void choose(File file);
    void updateStatus();
    void updateProfiles();

    QPointer<TRChromiumPlugin> m_plugin;
    std::unique_ptr<Ui::TRChromiumPluginConfigurationViewController> m_ui;
    std::unique_ptr<TRPluginFilePicker> m_currentFilePicker;
    std::optional<File> m_currentFile;
};

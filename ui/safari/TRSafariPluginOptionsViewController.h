#pragma once

// The Safari pane's options: grants for Safari's four files, and which of
// Safari's sections the menu shows.

#include "TRSafariBookmarksParser.h"

#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

namespace Ui {
class TRSafariPluginOptionsViewController;
}
class QCheckBox;
class TRPluginFilePicker;

class TRSafariPluginOptionsViewController : public QWidget
{
    Q_OBJECT

public:
    explicit TRSafariPluginOptionsViewController(QWidget *parent = nullptr);
    ~TRSafariPluginOptionsViewController() override;

    void chooseBookmarksFile();
    void chooseTopSitesFile();
    void chooseHistoryFile();
    void chooseLastSessionFile();

    // Where Safari keeps its files: ~/Library/Safari, or the home folder when
    // there is no such folder (Safari's files copied to another system).
    static QString safariDirectory();

    TRPluginFilePicker *currentFilePicker() const { return m_currentFilePicker.get(); }
    // The check box that shows and sets a setting; none for other keys.
    QCheckBox *checkBoxForKey(const QString &key) const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    using Key = TRSafariBookmarksParser::BookmarkDataKey;
    void choose(Key key);
    void didChoose(Key key, const QByteArray &grant);
    void bind(QCheckBox *checkBox, const QString &key);
    // Shows the stored grants and settings.
    void refresh();

    std::unique_ptr<Ui::TRSafariPluginOptionsViewController> m_ui;
    std::unique_ptr<TRPluginFilePicker> m_currentFilePicker;
    std::optional<Key> m_currentBookmarkDataKey;
    std::vector<std::pair<QCheckBox *, QString>> m_boundCheckBoxes;
    // Each option and the section check box it belongs to.
    std::vector<std::pair<QCheckBox *, QCheckBox *>> m_dependentCheckBoxes;
};

#pragma once

// The Safari plugin's configuration pane: for now an explanation of where its
// options will be.

#include <QWidget>

class TRSafariPluginConfigurationViewController : public QWidget
{
    Q_OBJECT

public:
    explicit TRSafariPluginConfigurationViewController(QWidget *parent = nullptr);
};

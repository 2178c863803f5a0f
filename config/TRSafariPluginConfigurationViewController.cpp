#include "TRSafariPluginConfigurationViewController.h"

#include <QLabel>
#include <QVBoxLayout>

TRSafariPluginConfigurationViewController::TRSafariPluginConfigurationViewController(
    QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    auto *explanation = new QLabel(
        tr("The Safari entry shows Safari's bookmarks, history, top sites and last session "
           "from the files you grant. Choosing the files and what the menu shows comes in a "
           "later version."),
        this);
    explanation->setWordWrap(true);
    layout->addWidget(explanation);
    layout->addStretch();
}

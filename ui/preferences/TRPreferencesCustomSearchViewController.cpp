#include "TRPreferencesCustomSearchViewController.h"

#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "ui_TRPreferencesCustomSearchViewController.h"

TRPreferencesCustomSearchViewController::TRPreferencesCustomSearchViewController(QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::TRPreferencesCustomSearchViewController>())
{
    m_ui->setupUi(this);
    refresh();
    connect(m_ui->useCustomSearchCheckbox, &QCheckBox::clicked, this,
            &TRPreferencesCustomSearchViewController::toggleUseCustomSearch);
    // Only the user's edits are stored; refreshing the field stores nothing.
    connect(m_ui->customPrefixTextField, &QLineEdit::textEdited, this,
            &TRPreferencesCustomSearchViewController::controlTextDidChange);
}

TRPreferencesCustomSearchViewController::~TRPreferencesCustomSearchViewController() = default;

QCheckBox *TRPreferencesCustomSearchViewController::useCustomSearchCheckbox() const
{
    return m_ui->useCustomSearchCheckbox;
}

QLineEdit *TRPreferencesCustomSearchViewController::customPrefixTextField() const
{
    return m_ui->customPrefixTextField;
}

void TRPreferencesCustomSearchViewController::refresh()
{
    const TRSettings &settings = TRSettings::standard();
    const bool hasCustomSearch = settings.boolForKey(TRSettingsKeys::hasCustomGoogleSearch);
    m_ui->useCustomSearchCheckbox->setChecked(hasCustomSearch);
    m_ui->customPrefixTextField->setText(
        settings.stringForKey(TRSettingsKeys::customGooglePrefix).value_or(QString()));
    m_ui->customPrefixTextField->setEnabled(hasCustomSearch);
}

void TRPreferencesCustomSearchViewController::toggleUseCustomSearch(bool checked)
{
    TRSettings::standard().setBool(TRSettingsKeys::hasCustomGoogleSearch, checked);
    refresh();
}

void TRPreferencesCustomSearchViewController::controlTextDidChange(const QString &text)
{
    // The address already ends in "www.google.", so a typed leading dot is
    // dropped; the field keeps what the user typed.
    QString suffix = text;
    if (suffix.startsWith(u'.')) {
        suffix.remove(0, 1);
    }
    TRSettings::standard().setString(TRSettingsKeys::customGooglePrefix, suffix);
}

#include "TRPreferencesCustomSearchViewController.h"

#include "TRDomainSuffixValidator.h"
#include "TRSettings.h"
#include "TRSettingsKeys.h"
#include "ui_TRPreferencesCustomSearchViewController.h"

#include <QLabel>

TRPreferencesCustomSearchViewController::TRPreferencesCustomSearchViewController(QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::TRPreferencesCustomSearchViewController>())
{
    m_ui->setupUi(this);
    // Only what can end a host name is typed; what is not one yet says so
    // below the field and is not stored.
    m_ui->customPrefixTextField->setValidator(new TRDomainSuffixValidator(this));
    m_ui->customPrefixTextField->setPlaceholderText(tr("for example co.uk"));
    m_invalidSuffixLabel =
        new QLabel(tr("Type a domain ending such as co.uk: letters, digits and hyphens, with dots "
                      "between the parts."),
                   this);
    m_invalidSuffixLabel->setObjectName(QStringLiteral("invalidSuffixLabel"));
    m_invalidSuffixLabel->setWordWrap(true);
    QPalette warning = m_invalidSuffixLabel->palette();
    warning.setColor(QPalette::WindowText, QColor(0xc0, 0x1c, 0x28));
    m_invalidSuffixLabel->setPalette(warning);
    m_ui->layout->insertWidget(m_ui->layout->indexOf(m_ui->explanationLabel), m_invalidSuffixLabel);
    connect(m_ui->customPrefixTextField, &QLineEdit::textChanged, this,
            &TRPreferencesCustomSearchViewController::updateSuffixHint);
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
    updateSuffixHint();
}

void TRPreferencesCustomSearchViewController::updateSuffixHint()
{
    QLineEdit *field = m_ui->customPrefixTextField;
    m_invalidSuffixLabel->setVisible(field->isEnabled() && !field->hasAcceptableInput());
}

void TRPreferencesCustomSearchViewController::toggleUseCustomSearch(bool checked)
{
    TRSettings::standard().setBool(TRSettingsKeys::hasCustomGoogleSearch, checked);
    refresh();
}

void TRPreferencesCustomSearchViewController::controlTextDidChange(const QString &text)
{
    if (!m_ui->customPrefixTextField->hasAcceptableInput()) {
        return;
    }
    // The address already ends in "www.google.", so a typed leading dot is
    // dropped; the field keeps what the user typed.
    QString suffix = text;
    if (suffix.startsWith(u'.')) {
        suffix.remove(0, 1);
    }
    TRSettings::standard().setString(TRSettingsKeys::customGooglePrefix, suffix);
}

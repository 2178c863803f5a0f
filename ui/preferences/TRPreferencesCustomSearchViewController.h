#pragma once

// The Custom search preferences pane: the domain suffix of the browser
// window's web search, editable while its check box is on.

#include <QWidget>

#include <memory>

namespace Ui {
class TRPreferencesCustomSearchViewController;
}
class QCheckBox;
class QLabel;
class QLineEdit;

class TRPreferencesCustomSearchViewController : public QWidget
{
    Q_OBJECT

public:
    explicit TRPreferencesCustomSearchViewController(QWidget *parent = nullptr);
    ~TRPreferencesCustomSearchViewController() override;

    // The action of the check box.
    void toggleUseCustomSearch(bool checked);
    // Called for every edit the user makes in the suffix field; stores the
    // suffix when it can end a host name.
    void controlTextDidChange(const QString &text);

    QCheckBox *useCustomSearchCheckbox() const;
    QLineEdit *customPrefixTextField() const;
    // Says what a suffix may hold; shown while the field's text is no suffix.
    QLabel *invalidSuffixLabel() const { return m_invalidSuffixLabel; }

private:
    void refresh();
    void updateSuffixHint();

    std::unique_ptr<Ui::TRPreferencesCustomSearchViewController> m_ui;
    QLabel *m_invalidSuffixLabel = nullptr;
};

#include "TRPluginFilePicker.h"

#include "TRFileGrant.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

namespace {

struct TestAnswer
{
    bool set = false;
    std::optional<QString> path;
};

TestAnswer &testAnswer()
{
    static TestAnswer answer;
    return answer;
}

// Refuses names the picker does not accept, and stays open after saying so.
class ValidatingFileDialog : public QFileDialog
{
public:
    ValidatingFileDialog(QWidget *parent, const TRPluginFilePicker &picker)
        : QFileDialog(parent)
        , m_picker(picker)
    {}

    void accept() override
    {
        const QStringList files = selectedFiles();
        if (!files.isEmpty() && QFileInfo(files.first()).isFile() &&
            !m_picker.validate(files.first())) {
            QMessageBox::warning(this, windowTitle(), m_picker.refusalMessage(files.first()));
            return;
        }
        QFileDialog::accept();
    }

private:
    const TRPluginFilePicker &m_picker;
};

} // namespace

TRPluginFilePicker::TRPluginFilePicker(const TRPluginFilePickerInfo &info, QObject *parent)
    : QObject(parent)
    , m_info(info)
{}

TRPluginFilePicker::~TRPluginFilePicker()
{
    delete m_dialog;
}

void TRPluginFilePicker::setNextFileNameForTesting(std::optional<QString> path)
{
    testAnswer() = TestAnswer{true, std::move(path)};
}

bool TRPluginFilePicker::validate(const QString &path) const
{
    if (m_info.allowedFileNames.isEmpty()) {
        return true;
    }
    // The name as a file URL writes it, so "My File" is "My%20File".
    const QString encoded = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    const QString component = encoded.section(u'/', -1);
    return m_info.allowedFileNames.contains(component);
}

QString TRPluginFilePicker::refusalMessage(const QString &path) const
{
    QString message = tr("The file “%1” couldn’t be opened because the file name is invalid.")
                          .arg(QFileInfo(path).fileName());
    // Saying which name is wanted saves guessing among a browser's many files.
    if (!m_info.allowedFileNames.isEmpty()) {
        QStringList names;
        for (const QString &name : m_info.allowedFileNames) {
            names << QStringLiteral("“%1”").arg(QUrl::fromPercentEncoding(name.toUtf8()));
        }
        message += u' ' + tr("Choose the file named %1.").arg(names.join(tr(" or ")));
    }
    return message;
}

void TRPluginFilePicker::show(CompletionHandler handler)
{
    m_completionHandler = std::move(handler);
    m_finished = false;

    if (testAnswer().set) {
        const std::optional<QString> path = testAnswer().path;
        testAnswer() = {};
        finish(path && validate(*path) ? path : std::nullopt);
        return;
    }

    delete m_dialog;
    QWidget *window = QApplication::activeWindow();
    auto *dialog = new ValidatingFileDialog(window, *this);
    m_dialog = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // Browser profiles live in hidden folders; the dialog must show them.
    // AllDirs keeps the name filters off folders, or "*.plist" would hide
    // every folder and leave a mouse user nowhere to go.
    dialog->setFilter(QDir::AllEntries | QDir::AllDirs | QDir::Hidden | QDir::NoDotAndDotDot);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setDirectory(m_info.directoryPath);
    if (!m_info.allowedFileTypes.isEmpty()) {
        dialog->setNameFilters(m_info.allowedFileTypes);
    }
    connect(dialog, &QFileDialog::finished, this, [this, dialog](int result) {
        const QStringList files = dialog->selectedFiles();
        finish(result == QDialog::Accepted && !files.isEmpty() ? std::optional(files.first())
                                                               : std::nullopt);
    });
    if (window) {
        dialog->setWindowModality(Qt::WindowModal);
        dialog->open();
    } else {
        dialog->setWindowModality(Qt::ApplicationModal);
        dialog->exec();
    }
}

void TRPluginFilePicker::finish(const std::optional<QString> &path)
{
    if (m_finished || !m_completionHandler) {
        return;
    }
    m_finished = true;
    if (!path) {
        m_completionHandler(TRPluginFilePickerError::invalidSelection);
        return;
    }
    const std::optional<QByteArray> grant = TRFileGrant::make(*path);
    if (!grant) {
        m_completionHandler(TRPluginFilePickerError::invalidFile);
        return;
    }
    m_completionHandler(*grant);
}

#pragma once

// The file dialog through which the user grants read access to one file.

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <variant>

class QFileDialog;

// What the dialog offers.
struct TRPluginFilePickerInfo
{
    // The folder the dialog opens in.
    QString directoryPath;
    // Name filters such as "*.plist"; empty offers every file.
    QStringList allowedFileTypes;
    // Exact names that may be chosen; empty accepts any name.
    QStringList allowedFileNames;
};

enum class TRPluginFilePickerError {
    // Cancelled, or closed without a file.
    invalidSelection = 0,
    // No grant could be made for the chosen file.
    invalidFile = 1,
};

class TRPluginFilePicker : public QObject
{
    Q_OBJECT

public:
    // Success carries the grant.
    using Result = std::variant<QByteArray, TRPluginFilePickerError>;
    using CompletionHandler = std::function<void(const Result &)>;

    explicit TRPluginFilePicker(const TRPluginFilePickerInfo &info, QObject *parent = nullptr);
    ~TRPluginFilePicker() override;

    const TRPluginFilePickerInfo &filePickerInfo() const { return m_info; }

    // Opens the dialog: window-modal on the active window, returning at
    // once, or application-modal without one, returning when it closed.
    // The handler is called at most once for this run.
    void show(CompletionHandler handler);

    // Whether the dialog accepts the file at path: its name, percent-encoded
    // as in a file URL, must be one of the allowed names.
    bool validate(const QString &path) const;
    // What the dialog says when it refuses the file at path: the name it wants.
    QString refusalMessage(const QString &path) const;

    // Tests answer in place of the user: the next show() chooses this path
    // (validated as the dialog would; a refused name cancels) or, given
    // none, cancels.
    static void setNextFileNameForTesting(std::optional<QString> path);

private:
    void finish(const std::optional<QString> &path);

    TRPluginFilePickerInfo m_info;
    CompletionHandler m_completionHandler;
    QPointer<QFileDialog> m_dialog;
    bool m_finished = false;
};

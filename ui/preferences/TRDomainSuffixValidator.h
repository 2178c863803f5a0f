#pragma once

// Accepts what can end a host name after "www.google.": labels of letters
// (any script), digits and hyphens between dots, optionally after one dot.

#include <QValidator>

class TRDomainSuffixValidator : public QValidator
{
    Q_OBJECT

public:
    using QValidator::QValidator;

    // Invalid for what no further typing can mend (a space, a slash, "..");
    // Intermediate for what typing may complete (empty, "co.", "a-").
    State validate(QString &input, int &position) const override;
};

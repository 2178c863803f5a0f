#include "TRDomainSuffixValidator.h"

#include <QUrl>

namespace {

// The longest label a host name may have.
constexpr qsizetype maximumLabelLength = 63;

} // namespace

QValidator::State TRDomainSuffixValidator::validate(QString &input, int &) const
{
    // The address already ends in a dot, so one typed dot is allowed and dropped.
    const QString suffix = input.startsWith(u'.') ? input.mid(1) : input;
    if (suffix.isEmpty()) {
        return Intermediate;
    }
    const QStringList labels = suffix.split(u'.');
    for (qsizetype index = 0; index < labels.size(); ++index) {
        const QString &label = labels.at(index);
        const bool last = index == labels.size() - 1;
        if (label.isEmpty()) {
            // Only the label being typed may be empty.
            return last ? Intermediate : Invalid;
        }
        if (label.size() > maximumLabelLength || label.startsWith(u'-')) {
            return Invalid;
        }
        for (const QChar character : label) {
            if (!character.isLetterOrNumber() && character != u'-' && !character.isMark()) {
                return Invalid;
            }
        }
        if (label.endsWith(u'-')) {
            return last ? Intermediate : Invalid;
        }
    }
    // What the rules of international names refuse (mixed scripts, say)
    // makes no address; more typing may still mend it.
    return QUrl::toAce(QStringLiteral("www.google.") + suffix).isEmpty() ? Intermediate
                                                                         : Acceptable;
}
